#include "base/module_state.h"

#include "base/shell_api.h"

namespace kesto {

HINSTANCE ModuleInstance = nullptr;
std::string LiteStepDir;
SetLayeredWindowAttributesFn SetLayeredWindowAttributesProc = nullptr;

void FindSetLayeredWindowAttributes() {
  SetLayeredWindowAttributesProc = nullptr;
  HMODULE user32 = GetModuleHandleA("User32.dll");
  if (!user32) return;
  SetLayeredWindowAttributesProc = reinterpret_cast<SetLayeredWindowAttributesFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetLayeredWindowAttributes")));
}

std::string FindLiteStepDir() {
  HWND shell = FindWindowA(kShellMainClass, kShellMainTitle);
  // Without the window the instance is none, which names the current process:
  // the shell itself, since Kesto runs inside it.
  auto instance = reinterpret_cast<HMODULE>(GetWindowLongA(shell, GWL_HINSTANCE));
  char name[256] = {};
  GetModuleFileNameA(instance, name, 255);
  return FolderOf(name);
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('\\');
  if (slash == std::string::npos || slash == 0) return {};
  return path.substr(0, slash);
}

HINSTANCE OwnLibraryInstance() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&OwnLibraryInstance), &self);
  return self;
}

void RegisterModuleClass(const char* className, WNDPROC procedure) {
  WNDCLASSA existing;
  if (GetClassInfoA(ModuleInstance, className, &existing)) return;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = procedure;
  wc.hInstance = ModuleInstance;
  wc.lpszClassName = className;
  RegisterClassA(&wc);
}

void UnregisterModuleClass(const char* className) {
  WNDCLASSA existing;
  if (GetClassInfoA(ModuleInstance, className, &existing)) UnregisterClassA(className, ModuleInstance);
}

}  // namespace kesto
