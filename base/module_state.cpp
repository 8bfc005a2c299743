#include "base/module_state.h"

#include "base/wide_text.h"

#include "base/shell_api.h"

namespace kesto {

HINSTANCE ModuleInstance = nullptr;
std::string LiteStepDir;
SetLayeredWindowAttributesFn SetLayeredWindowAttributesProc = nullptr;
bool Running = false;
unsigned RunNumber = 0;

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
  auto instance = reinterpret_cast<HMODULE>(GetWindowLongPtrA(shell, GWLP_HINSTANCE));
  wchar_t name[MAX_PATH] = {};
  GetModuleFileNameW(instance, name, MAX_PATH - 1);
  return FolderOf(Utf8(name));
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

void RegisterModuleClass(const char* className, WNDPROC procedure, bool wide) {
  WNDCLASSA existing;
  if (GetClassInfoA(ModuleInstance, className, &existing)) return;
  if (wide) {
    // A Unicode window keeps a title in every script.
    const std::wstring name = Wide(className);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = procedure;
    wc.hInstance = ModuleInstance;
    wc.lpszClassName = name.c_str();
    RegisterClassW(&wc);
    return;
  }
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
