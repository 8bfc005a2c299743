#include "base/shell_log.h"

#include <windows.h>

#include "boxfile/text_encoding.h"

namespace kesto {
namespace {

using LSLogFn = BOOL(WINAPI*)(int level, const char* module, const char* message);

LSLogFn FindShellLog() {
  HMODULE shell = GetModuleHandleA("lsapi.dll");
  if (!shell) return nullptr;
  FARPROC found = GetProcAddress(shell, "LSLog");
  if (!found) found = GetProcAddress(shell, "_LSLog@12");
  return reinterpret_cast<LSLogFn>(reinterpret_cast<void*>(found));
}

}  // namespace

void ShellLog(int level, const std::string& message) {
  static const LSLogFn log = FindShellLog();
  // Box files may hold any byte: none reaches the log (or a terminal showing it) as a control.
  if (log) log(level, "Kesto", QuoteControls(message).c_str());
}

}  // namespace kesto
