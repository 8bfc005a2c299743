// The shared return paths of the entry thunks. On entry to each, the entry's
// own return address is on top of the stack and eax holds the body's result.
// With no reference to give back, they simply return. Otherwise they rebuild
// the top of the stack as a call of FreeLibrary(library) that returns to the
// entry's caller, with the stack as that caller expects it, and jump there.
#include "base/entry_thunk.h"
#include "base/operation.h"

asm(R"(
.text
.globl _KestoCdeclReturn
_KestoCdeclReturn:
  pushl %eax
  call _KestoTakeSelfRelease
  movl %eax, %ecx
  popl %eax
  testl %ecx, %ecx
  jnz 1f
  ret
1:
  pushl (%esp)
  movl %ecx, 4(%esp)
  jmp *__imp__FreeLibrary@4

.globl _KestoWndProcReturn
_KestoWndProcReturn:
  pushl %eax
  call _KestoTakeSelfRelease
  movl %eax, %ecx
  popl %eax
  testl %ecx, %ecx
  jnz 1f
  ret $16
1:
  movl (%esp), %edx
  movl %edx, 12(%esp)
  movl %ecx, 16(%esp)
  addl $12, %esp
  jmp *__imp__FreeLibrary@4
)");
