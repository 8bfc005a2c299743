#include "module/command_window.h"

#include <cstring>
#include <memory>
#include <string>

#include "base/entry_thunk.h"
#include "base/module_state.h"
#include "base/operation.h"
#include "base/shell_api.h"
#include "base/shell_text.h"
#include "base/wide_text.h"
#include "box/auto_reload.h"
#include "box/box.h"

namespace kesto {
namespace {

constexpr const char* kRevision = "Kesto.dll: 2.5";
constexpr const char* kRevisionId = "Id: Kesto,v 2.5 2001/09/23 wrenfold";

void SendShellRegistration(HWND window, UINT message) {
  UINT messages[] = {LM_GETREVID, 0};
  SendMessageA(GetLitestepWnd(), message, reinterpret_cast<WPARAM>(window), reinterpret_cast<LPARAM>(messages));
}

LRESULT RunCommand(LPARAM lParam) {
  // Once the run is ending, queued commands are dropped: their copies are
  // already freed, and the teardown's loops must not run a second unload.
  if (!CommandQueueOpen()) return 0;
  KestoOperation operation;
  // Kesto's own copies are freed once run; an outside sender keeps its text,
  // so it is copied before the shell runs anything.
  std::unique_ptr<char[]> own = TakePostedCommand(lParam);
  const char* text = own ? own.get() : reinterpret_cast<const char*>(lParam);
  if (!text) return 0;
  // Kesto's own copies hold UTF-8; an outside sender's text is ANSI.
  std::string command = own ? std::string(text) : AnsiToUtf8(text);
  RunShellCommand(nullptr, command);
  return 0;
}

LRESULT ShowFailures() {
  // Asked inside a loop that an operation opened (the shell's expansion
  // dialog inside a build, say): shown once that operation is complete.
  if (KestoOperation::Depth() > 0) return 0;
  KestoOperation operation;
  TFailure failure;
  // One at a time: anything, even the end of the module, may run while a
  // message box is open, and it discards what is left.
  while (TakeFailure(failure)) {
    const std::wstring text = Wide(failure.Text), caption = Wide(failure.Caption);
    MessageBoxW(nullptr, text.c_str(), failure.HasCaption ? caption.c_str() : nullptr, MB_OK);
  }
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
  RegisterModuleClass(kCommandClass, KestoCommandWndProc);
  CommandWnd = CreateWindowExA(WS_EX_TOOLWINDOW, kCommandClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               ModuleInstance, nullptr);
  SendShellRegistration(CommandWnd, LM_REGISTERMESSAGE);
  OpenCommandQueue();
}

void DestroyCommandWindow() {
  HWND window = CommandWnd;
  if (!window) return;
  SendShellRegistration(window, LM_UNREGISTERMESSAGE);
  // Commands still queued will never run: their copies are released here,
  // and so are failures not shown yet.
  CloseCommandQueue();
  DiscardFailures();
  CommandWnd = nullptr;
  DestroyWindow(window);
  UnregisterModuleClass(kCommandClass);
}

}  // namespace kesto

extern "C" LRESULT CALLBACK KestoCommandWndProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  using namespace kesto;
  try {
    switch (message) {
      case WM_RUNCOMMAND:
        return RunCommand(lParam);
      case WM_SHOWFAILURES:
        return ShowFailures();
      case LM_GETREVID:
        return ReplyRevision(wParam, lParam);
      case WM_WATCHNOTICE:
        NoteWatchNotice();
        return 0;
      case WM_TIMER:
        if (wParam == kRewatchTimer) {
          RewatchFolders();
          return 0;
        }
        if (wParam != kQuietTimer && wParam != kRetryTimer) return 0;
        {
          // Rebuilding runs the shell's expansion and plug-ins: an operation.
          KestoOperation operation;
          CheckWatchedFiles();
        }
        return 0;
      case WM_DISPLAYCHANGE: {
        // Monitors were added, removed, moved or resized (the shell does not
        // relay this): every box goes where its place is now, at its scale.
        KestoOperation operation;
        PlaceBoxesAgain();
        RescaleBoxes();
        return DefWindowProcA(window, message, wParam, lParam);
      }
      case WM_RESCALEBOXES: {
        KestoOperation operation;
        RescaleBoxes();
        return 0;
      }
      default: {
        // The system's handling may run a loop (a system move sent from
        // outside, say) in which Kesto.dll is unloaded: as an operation, the
        // library stays until this procedure has left through its thunk.
        KestoOperation operation;
        return DefWindowProcA(window, message, wParam, lParam);
      }
    }
  } catch (...) {
    return 0;
  }
}

KESTO_WNDPROC_ENTRY(KestoCommandWndProc);
