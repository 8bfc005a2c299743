#include "shell/host/host.h"

#include <memory>

#include "base/shell_api.h"
#include "shell/standin.h"

namespace standin {
namespace {

// Runs the commands queued for a dialog, then answers it: wParam the dialog,
// lParam a list of commands to run and delete.
constexpr UINT kRunDialogCommands = WM_APP + 0x50;

std::vector<std::string>& CommandsForNextDialog() {
  static std::vector<std::string> commands;
  return commands;
}

std::map<HWND, std::vector<UINT>>& RegistrationTable() {
  static std::map<HWND, std::vector<UINT>> table;
  return table;
}

HostCallbackObserver& Observer() {
  static HostCallbackObserver observer;
  return observer;
}

// For the length of a callback of the shell's own.
struct InHostCallback {
  InHostCallback() {
    if (Observer().Enter) Observer().Enter();
  }
  ~InHostCallback() {
    if (Observer().Leave) Observer().Leave();
  }
  InHostCallback(const InHostCallback&) = delete;
  InHostCallback& operator=(const InHostCallback&) = delete;
};

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  InHostCallback inside;
  if (message == kesto::LM_REGISTERMESSAGE || message == kesto::LM_UNREGISTERMESSAGE) {
    auto target = reinterpret_cast<HWND>(wParam);
    std::vector<UINT> list;
    for (auto* m = reinterpret_cast<const UINT*>(lParam); m && *m; ++m) list.push_back(*m);
    if (message == kesto::LM_REGISTERMESSAGE) {
      RegistrationTable()[target] = list;
      StandInLog("register-messages");
    } else {
      RegistrationTable().erase(target);
      StandInLog("unregister-messages");
    }
    return 0;
  }
  if (message == kRunDialogCommands) {
    std::unique_ptr<std::vector<std::string>> commands(reinterpret_cast<std::vector<std::string>*>(lParam));
    for (const std::string& command : *commands) LSExecute(nullptr, command.c_str(), 0);
    // Answered after whatever the commands posted, as a user would.
    PostMessageA(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDOK, 0);
    return 0;
  }
  if (message == STANDIN_LM_RECYCLE) {
    StandInRecycle();
    return 0;
  }
  if (message == STANDIN_WM_QUITSHELL) {
    StandInLog("shell-quit");
    StandInQuitModules();
    PostQuitMessage(0);
    return 0;
  }
  if (message == WM_COPYDATA) {
    // A bang handed over by another process, as "litestep.exe !Bang args" does.
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data && data->dwData == kBangCommandW && data->cbData >= sizeof(BangCommandW)) {
      const auto* bang = static_cast<const BangCommandW*>(data->lpData);
      // Wide, as the real shell takes it: the arguments keep every script.
      const std::wstring command = std::wstring(bang->command) + L" " + bang->args;
      LSExecuteW(nullptr, command.c_str(), 0);
      return TRUE;
    }
    return FALSE;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK DesktopWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  InHostCallback inside;
  if (message == WM_ERASEBKGND) {
    RECT area;
    GetClientRect(window, &area);
    HBRUSH brush = CreateSolidBrush(kDesktopColor);
    FillRect(reinterpret_cast<HDC>(wParam), &area, brush);
    DeleteObject(brush);
    return 1;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::string WindowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM found) {
  char className[64] = {};
  GetClassNameA(child, className, sizeof className);
  std::string text = WindowText(child);
  auto* longest = reinterpret_cast<std::string*>(found);
  if (lstrcmpiA(className, "Static") == 0 && text.size() > longest->size()) *longest = text;
  return TRUE;
}

LRESULT CALLBACK MessageBoxCatcher(int code, WPARAM wParam, LPARAM lParam) {
  InHostCallback inside;
  if (code == HCBT_ACTIVATE) {
    auto dialog = reinterpret_cast<HWND>(wParam);
    char className[64] = {};
    GetClassNameA(dialog, className, sizeof className);
    // A dialog is activated again when one it opened closes: answered once.
    if (std::string(className) == "#32770" && !GetPropA(dialog, "StandInAnswered")) {
      SetPropA(dialog, "StandInAnswered", reinterpret_cast<HANDLE>(1));
      std::string text;
      EnumChildWindows(dialog, CollectStaticText, reinterpret_cast<LPARAM>(&text));
      StandInLog(("msgbox:" + WindowText(dialog) + "|" + text).c_str());
      // Queued commands come up in the dialog's own loop, before the answer.
      if (CommandsForNextDialog().empty()) {
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
      } else {
        auto commands = std::make_unique<std::vector<std::string>>(std::move(CommandsForNextDialog()));
        CommandsForNextDialog().clear();
        if (PostMessageA(FindWindowA(kesto::kShellMainClass, kesto::kShellMainTitle), kRunDialogCommands,
                         reinterpret_cast<WPARAM>(dialog), reinterpret_cast<LPARAM>(commands.get()))) {
          commands.release();
        }
      }
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void ObserveHostCallbacks(HostCallbackObserver observer) { Observer() = observer; }

namespace {

void RegisterClassOnce(const char* name, WNDPROC procedure) {
  WNDCLASSA wc = {};
  if (GetClassInfoA(GetModuleHandleA(nullptr), name, &wc)) return;
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = name;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  RegisterClassA(&wc);
}

std::vector<std::string> EntriesWithPrefix(const std::string& prefix) {
  std::vector<std::string> result;
  for (const std::string& entry : LogEntries()) {
    if (entry.compare(0, prefix.size(), prefix) == 0) result.push_back(entry.substr(prefix.size()));
  }
  return result;
}

}  // namespace

Host::Host() {
  RegisterClassOnce(kesto::kShellMainClass, MainWndProc);
  RegisterClassOnce(kesto::kShellDesktopClass, DesktopWndProc);
  HINSTANCE self = GetModuleHandleA(nullptr);
  main_ = CreateWindowExA(WS_EX_TOOLWINDOW, kesto::kShellMainClass, kesto::kShellMainTitle, WS_POPUP, 0, 0,
                          0, 0, nullptr, nullptr, self, nullptr);
  // Like the real shell without a desktop module, when asked: then boxes
  // that are not on top are ordinary top-level windows.
  char noDesktop[8] = {};
  if (!GetEnvironmentVariableA("STANDIN_NO_DESKTOP", noDesktop, sizeof noDesktop)) {
    desktop_ = CreateWindowExA(WS_EX_TOOLWINDOW, kesto::kShellDesktopClass, "", WS_POPUP | WS_VISIBLE, 0, 0,
                               DisplaySize().cx, DisplaySize().cy, nullptr, nullptr,
                               self, nullptr);
    SetWindowPos(desktop_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  messageBoxHook_ = SetWindowsHookExA(WH_CBT, MessageBoxCatcher, nullptr, GetCurrentThreadId());
  PumpPending();
}

Host::~Host() {
  if (messageBoxHook_) UnhookWindowsHookEx(messageBoxHook_);
  DestroyWindow(desktop_);
  DestroyWindow(main_);
}

const std::map<HWND, std::vector<UINT>>& Host::Registrations() { return RegistrationTable(); }

void PumpPending() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void Pump(int milliseconds) {
  DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  do {
    PumpPending();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
  PumpPending();
}

std::vector<std::string> LogEntries() {
  std::vector<std::string> entries;
  char buffer[8192];
  for (int i = 0; i < StandInLogCount(); ++i) {
    if (StandInLogEntry(i, buffer, sizeof buffer)) entries.emplace_back(buffer);
  }
  return entries;
}

bool HandOverBang(const std::string& text) {
  HWND shell = FindWindowA(kesto::kShellMainClass, kesto::kShellMainTitle);
  if (!shell) return false;
  std::size_t split = text.find(' ');
  std::string command = text.substr(0, split);
  std::string args = split == std::string::npos ? "" : text.substr(split + 1);
  BangCommandW bang{};
  bang.cbSize = sizeof bang;
  MultiByteToWideChar(CP_UTF8, 0, command.c_str(), -1, bang.command, 64);
  MultiByteToWideChar(CP_UTF8, 0, args.c_str(), -1, bang.args, 256);
  COPYDATASTRUCT data{kBangCommandW, sizeof bang, &bang};
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(shell, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 10000, &result) != 0;
}

void RunInsideNextDialog(const std::string& command) { CommandsForNextDialog().push_back(command); }

std::vector<std::string> MessageBoxesShown() { return EntriesWithPrefix("msgbox:"); }
std::vector<std::string> ExecutedCommands() { return EntriesWithPrefix("exec:"); }

}  // namespace standin
