// i686: the shared return paths of the entry thunks. On entry to each, the entry's
// own return address is on top of the stack and eax holds the body's result.
// With no reference to give back, they simply return. Otherwise they rebuild
// the top of the stack as a call of FreeLibrary(library) that returns to the
// entry's caller, with the stack as that caller expects it, and jump there.
//
// A window procedure's result must survive FreeLibrary, which returns its own
// in eax. So FreeLibrary returns into kernel32's InterlockedExchange(&slot,
// result) instead, which hands back the result it finds in its own argument
// slot and then returns to the caller. The five slots (FreeLibrary's return,
// the library, the caller's return, &slot, result) are exactly the 20 bytes
// the caller pushed for the procedure and its return address.
#include "base/entry_thunk.h"
#include "base/operation.h"

#if defined(__i386__)

namespace kesto {
bool EntryReturnPathReady() { return true; }
}  // namespace kesto

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
  movl %edx, 8(%esp)
  movl %ecx, 4(%esp)
  movl %eax, 16(%esp)
  leal 16(%esp), %edx
  movl %edx, 12(%esp)
  movl __imp__InterlockedExchange@8, %edx
  movl %edx, (%esp)
  jmp *__imp__FreeLibrary@4
)");

#endif
