#include <windows.h>

#include "base/entry_thunk.h"
#include "base/module_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  // Without a safe way out of its entries, Kesto does not load: the shell
  // says the module could not be loaded, and the desktop stays up.
  if (!kesto::EntryReturnPathReady()) return FALSE;
  kesto::FindSetLayeredWindowAttributes();
  return TRUE;
}
