// Entry points that may be the last Kesto code on the stack when Kesto.dll is
// unloaded under them (a click running "!UnloadModule", a plug-in's dialog
// running it inside a bang command).
//
// Each such entry is a small thunk that calls its body, `<name>Body`, and then
// gives back the library reference the body's operation left behind. One idea
// serves both architectures: the reference is given back by FreeLibrary, and
// FreeLibrary returns into code that is not part of Kesto.dll, so no Kesto
// code runs after the library is freed and the body's result still reaches
// the caller.
// - i686: the thunk leaves through FreeLibrary itself, which returns straight
//   to the caller (a window procedure's result passes through kernel32).
// - x86-64, where arguments travel in registers: the thunk jumps to a return
//   path copied out of the library into a page of its own when it loads
//   (`KestoReturnPath`); that page calls the body and then FreeLibrary, and
//   returns the body's result.
// The bodies keep their calling conventions.
#pragma once

#if defined(__x86_64__)

// Every entry: the body's address in r10 (not an argument register), then the
// shared return path; the arguments stay where the caller put them.
#define KESTO_X64_ENTRY(name)                                                     \
  asm(".text\n.globl " #name "\n.def " #name "; .scl 2; .type 32; .endef\n" #name \
      ":\n"                                                                       \
      "  leaq " #name "Body(%rip), %r10\n"                                       \
      "  jmp *KestoReturnPath(%rip)\n")
#define KESTO_CDECL_ENTRY_1(name) KESTO_X64_ENTRY(name)
#define KESTO_CDECL_ENTRY_2(name) KESTO_X64_ENTRY(name)
#define KESTO_WNDPROC_ENTRY(name) KESTO_X64_ENTRY(name)

// The return path's code, outside the library; null when it could not be
// made, and then the library refuses to load.
extern "C" void* KestoReturnPath;

#elif defined(__i386__)

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

#else
#error "Kesto's entry thunks know i686 and x86-64"
#endif

namespace kesto {
// True when the entries can leave through FreeLibrary safely (always on i686).
bool EntryReturnPathReady();
}  // namespace kesto
