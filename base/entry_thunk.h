// Entry points that may be the last Kesto code on the stack when Kesto.dll is
// unloaded under them (a click running "!UnloadModule", a plug-in's dialog
// running it inside a bang command).
//
// Each such entry is a small thunk that calls its body, `<name>Body`, and then
// gives back the library reference the body's operation left behind. It does
// so by leaving through FreeLibrary itself: the return address is put where
// FreeLibrary returns to, so no Kesto code runs after the library is freed.
// i686 only; the bodies keep their calling conventions.
#pragma once

#define KESTO_ENTRY_STR2(x) #x
#define KESTO_ENTRY_STR(x) KESTO_ENTRY_STR2(x)

// A cdecl entry taking one 32-bit argument.
#define KESTO_CDECL_ENTRY_1(name)                                                   \
  asm(".text\n.globl _" #name "\n.def _" #name "; .scl 2; .type 32; .endef\n_" #name \
      ":\n"                                                                           \
      "  pushl 4(%esp)\n"                                                             \
      "  call _" #name "Body\n"                                                       \
      "  addl $4, %esp\n"                                                             \
      "  jmp _KestoCdeclReturn\n")

// A cdecl entry taking two 32-bit arguments.
#define KESTO_CDECL_ENTRY_2(name)                                                   \
  asm(".text\n.globl _" #name "\n.def _" #name "; .scl 2; .type 32; .endef\n_" #name \
      ":\n"                                                                           \
      "  pushl 8(%esp)\n"                                                             \
      "  pushl 8(%esp)\n"                                                             \
      "  call _" #name "Body\n"                                                       \
      "  addl $8, %esp\n"                                                             \
      "  jmp _KestoCdeclReturn\n")

// A stdcall entry taking four 32-bit arguments: a window procedure.
#define KESTO_WNDPROC_ENTRY(name)                                                                \
  asm(".text\n.globl _" #name "@16\n.def _" #name "@16; .scl 2; .type 32; .endef\n_" #name "@16" \
      ":\n"                                                                                        \
      "  pushl 16(%esp)\n"                                                                         \
      "  pushl 16(%esp)\n"                                                                         \
      "  pushl 16(%esp)\n"                                                                         \
      "  pushl 16(%esp)\n"                                                                         \
      "  call _" #name "Body@16\n"                                                                 \
      "  jmp _KestoWndProcReturn\n")
