#include <windows.h>

#include "base/module_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) kesto::FindSetLayeredWindowAttributes();
  return TRUE;
}
