// A plug-in that records what the host gives it in the stand-in shell's log:
// "plugin:<name>:init parent=<hex> instance=<hex> visible=<0|1> data=<...>"
// and "plugin:<name>:quit instance=<hex>".
#include <windows.h>

#include <cstdio>

#include "shell/standin.h"

namespace {
// The block as a plug-in's own C header declares it: the compiler lays it out
// for the plug-in's architecture (the fourth field is an address).
struct WharfBlock {
  int First, Second, Third;
  void* Fourth;
  int Settings[21];
  char* Buffer;
  const char* EmptyText;
  int MoreSettings[7];
  const char* ShellFolder;
};
static_assert(sizeof(WharfBlock) == (sizeof(void*) == 8 ? 168 : 140), "the plug-in block's size");
}  // namespace

// The DPI awareness the plug-in's code runs with: 0 unaware, 1 system, 2 per
// monitor; -1 where the system has none to tell.
int ThreadAwareness() {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  auto context = reinterpret_cast<void*(WINAPI*)()>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
  auto awareness = reinterpret_cast<int(WINAPI*)(void*)>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
  return context && awareness ? awareness(context()) : -1;
}

extern "C" int initWharfModule(HWND parent, HINSTANCE instance, void* data) {
  char entry[512];
  if (data) {
    const auto* block = static_cast<const WharfBlock*>(data);
    block->Buffer[0] = 'x';  // must be writable
    block->Buffer[254] = 'y';
    std::snprintf(entry, sizeof entry,
                  "plugin:" PLUGIN_NAME ":init parent=%p instance=%p visible=%d data=%d,%d,buf,empty=%d,dir=%s aware=%d",
                  static_cast<void*>(parent), static_cast<void*>(instance), IsWindowVisible(parent) ? 1 : 0,
                  block->First, block->Second, block->EmptyText[0] == 0 ? 1 : 0, block->ShellFolder,
                  ThreadAwareness());
  } else {
    std::snprintf(entry, sizeof entry, "plugin:" PLUGIN_NAME ":init parent=%p instance=%p visible=%d data=none aware=%d",
                  static_cast<void*>(parent), static_cast<void*>(instance), IsWindowVisible(parent) ? 1 : 0,
                  ThreadAwareness());
  }
  StandInLog(entry);
  return 0;
}

extern "C" void quitWharfModule(HINSTANCE instance) {
  char entry[128];
  std::snprintf(entry, sizeof entry, "plugin:" PLUGIN_NAME ":quit instance=%p", static_cast<void*>(instance));
  StandInLog(entry);
}
