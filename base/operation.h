// Kesto's own operations on the stack of the shell's one thread.
//
// Whenever Kesto calls out of itself (a message box, the shell's expansion or
// commands, a plug-in's entry point), anything may run there: a command that
// destroys the record being worked on, a second start of the module, or an
// unload of Kesto.dll itself. An operation guard, set by every entry that may
// call out, tells nested calls what is on the stack, lets work that must wait
// for the stack to unwind be done when the outermost operation ends, and keeps
// the library loaded for as long as any operation is running.
#pragma once

#include <windows.h>

#include <optional>

#include "base/dpi.h"

namespace kesto {

class KestoOperation {
 public:
  // How the outermost operation gives back its reference on the library:
  // through its entry's return path (the entry thunks), or at once, where the
  // caller is known to hold a reference of its own for the whole call.
  enum class Release { AfterReturn, AtOnce };

  explicit KestoOperation(Release release = Release::AfterReturn);
  ~KestoOperation();
  KestoOperation(const KestoOperation&) = delete;
  KestoOperation& operator=(const KestoOperation&) = delete;

  // How many operations are on the stack.
  static int Depth();

 private:
  Release release_;
  // The outermost operation works in device pixels of each monitor, as the
  // boxes' own windows do, whatever the shell's thread declares.
  std::optional<DpiAwareScope> dpi_;
};

// Work that waits for the outermost operation to end: it runs there, still
// inside that operation, so whatever it starts nests as usual.
void SetDeferredWork(void (*work)());

}  // namespace kesto

// For the entry thunks: the library reference to give back now that the entry
// has returned, or none. Taking it clears it.
extern "C" HMODULE KestoTakeSelfRelease();
