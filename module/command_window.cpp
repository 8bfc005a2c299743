#include "module/command_window.h"

#include <cstring>
#include <memory>

#include "module/module_state.h"
#include "module/shell_api.h"

namespace kesto {

HWND CommandWnd = nullptr;

namespace {

constexpr const char* kRevision = "Kesto.dll: 2.5";
constexpr const char* kRevisionId = "Id: Kesto,v 2.5 2001/09/23 wrenfold";

void SendShellRegistration(UINT message) {
  UINT messages[] = {LM_GETREVID, 0};
  SendMessageA(GetLitestepWnd(), message, reinterpret_cast<WPARAM>(CommandWnd),
               reinterpret_cast<LPARAM>(messages));
}

// The copy a WM_RUNCOMMAND message owns.
std::unique_ptr<char[]> TakeCommand(LPARAM lParam) {
  return std::unique_ptr<char[]>(reinterpret_cast<char*>(lParam));
}

LRESULT RunCommand(LPARAM lParam) {
  std::unique_ptr<char[]> command = TakeCommand(lParam);
  if (command) LSExecute(nullptr, command[0] ? command.get() : nullptr, 0);
  return 0;
}

LRESULT ReplyRevision(WPARAM selector, LPARAM buffer) {
  const char* text = selector == 0 ? kRevision : selector == 1 ? kRevisionId : "";
  char* out = reinterpret_cast<char*>(buffer);
  if (!out) return 0;
  std::size_t length = std::strlen(text);
  std::memcpy(out, text, length + 1);
  return static_cast<LRESULT>(length);
}

}  // namespace

void CreateCommandWindow() {
  RegisterModuleClass(kCommandClass, CommandWndProc);
  CommandWnd = CreateWindowExA(WS_EX_TOOLWINDOW, kCommandClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                               nullptr, ModuleInstance, nullptr);
  SendShellRegistration(LM_REGISTERMESSAGE);
}

void DestroyCommandWindow() {
  SendShellRegistration(LM_UNREGISTERMESSAGE);
  // Commands still queued will never run; their copies are released here.
  // Only this window's queue is drained: a null window would take the
  // messages of every window on the thread.
  MSG pending;
  while (CommandWnd && PeekMessageA(&pending, CommandWnd, WM_RUNCOMMAND, WM_RUNCOMMAND, PM_REMOVE)) {
    TakeCommand(pending.lParam);
  }
  DestroyWindow(CommandWnd);
  UnregisterModuleClass(kCommandClass);
}

LRESULT CALLBACK CommandWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    switch (message) {
      case WM_RUNCOMMAND:
        return RunCommand(lParam);
      case LM_GETREVID:
        return ReplyRevision(wParam, lParam);
      default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
  } catch (...) {
    return 0;
  }
}

void PostRunCommand(HWND sender, const std::string& command) {
  auto copy = std::make_unique<char[]>(command.size() + 1);
  std::memcpy(copy.get(), command.c_str(), command.size() + 1);
  if (PostMessageA(CommandWnd, WM_RUNCOMMAND, reinterpret_cast<WPARAM>(sender),
                   reinterpret_cast<LPARAM>(copy.get()))) {
    copy.release();  // the message owns it now
  }
}

}  // namespace kesto
