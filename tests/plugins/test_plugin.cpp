// A plug-in that records what the host gives it in the stand-in shell's log:
// "plugin:<name>:init parent=<hex> instance=<hex> visible=<0|1> data=<...>"
// and "plugin:<name>:quit instance=<hex>".
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "shell/standin.h"

namespace {
std::uint32_t At(const void* data, int offset) {
  std::uint32_t value;
  std::memcpy(&value, static_cast<const char*>(data) + offset, 4);
  return value;
}
}  // namespace

extern "C" int initWharfModule(HWND parent, HINSTANCE instance, void* data) {
  char entry[512];
  if (data) {
    const char* dir = reinterpret_cast<const char*>(At(data, 136));
    const char* empty = reinterpret_cast<const char*>(At(data, 104));
    char* buffer = reinterpret_cast<char*>(At(data, 100));
    buffer[0] = 'x';  // must be writable
    buffer[254] = 'y';
    std::snprintf(entry, sizeof entry,
                  "plugin:" PLUGIN_NAME ":init parent=%p instance=%p visible=%d data=%u,%u,buf,empty=%d,dir=%s",
                  static_cast<void*>(parent), static_cast<void*>(instance), IsWindowVisible(parent) ? 1 : 0,
                  At(data, 0), At(data, 4), empty[0] == 0 ? 1 : 0, dir);
  } else {
    std::snprintf(entry, sizeof entry, "plugin:" PLUGIN_NAME ":init parent=%p instance=%p visible=%d data=none",
                  static_cast<void*>(parent), static_cast<void*>(instance), IsWindowVisible(parent) ? 1 : 0);
  }
  StandInLog(entry);
  return 0;
}

extern "C" void quitWharfModule(HINSTANCE instance) {
  char entry[128];
  std::snprintf(entry, sizeof entry, "plugin:" PLUGIN_NAME ":quit instance=%p", static_cast<void*>(instance));
  StandInLog(entry);
}
