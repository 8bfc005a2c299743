#include <windows.h>
#include <commctrl.h>

#include <cstddef>

#include "content/tooltip.h"

#include "base/command_queue.h"
#include "base/module_state.h"
#include "base/wide_text.h"

namespace kesto {

HWND TooltipWnd = nullptr;

namespace {

// The first layout of a tool description, without the later fields: 40 bytes
// on i686, 56 on x86-64 (a size written as a number keeps no text there).
constexpr UINT kToolInfoSize = offsetof(TOOLINFOW, lpszText) + sizeof(TOOLINFOW::lpszText);

// Each button has two tools: the mouse's (0) and the keyboard's (1), which is
// shown where it is put rather than where the mouse is.
constexpr UINT_PTR kMouseTool = 0;
constexpr UINT_PTR kKeyboardTool = 1;

TOOLINFOW ToolFor(HWND window, UINT_PTR id = kMouseTool) {
  TOOLINFOW tool{};
  tool.cbSize = kToolInfoSize;
  tool.hwnd = window;
  tool.uId = id;
  tool.hinst = OwnLibraryInstance();
  return tool;
}

}  // namespace

void AddTooltip(HWND window, const std::string& text) {
  if (!TooltipWnd) {
    InitCommonControls();
    TooltipWnd = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, OwnLibraryInstance(), nullptr);
    if (!TooltipWnd) ReportFailure("Error Creating Tooltip Control");
    SetWindowPos(TooltipWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  }
  if (!TooltipWnd) return;
  // Not subclassed: every message to a button would pass through the control
  // (paints and teardown twice over). The button relays its mouse messages.
  TOOLINFOW tool = ToolFor(window);
  tool.uFlags = 0;
  GetClientRect(window, &tool.rect);
  std::wstring wide = Wide(text);
  tool.lpszText = &wide[0];  // the control copies the text
  SendMessageW(TooltipWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void RelayToTooltip(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!TooltipWnd) return;
  MSG relayed{};
  relayed.hwnd = window;
  relayed.message = message;
  relayed.wParam = wParam;
  relayed.lParam = lParam;
  relayed.time = static_cast<DWORD>(GetMessageTime());
  const DWORD position = GetMessagePos();
  relayed.pt = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  SendMessageA(TooltipWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

void ShowKeyboardTooltip(HWND window, const std::string& text) {
  if (!TooltipWnd || text.empty()) return;
  TOOLINFOW tool = ToolFor(window, kKeyboardTool);
  tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  std::wstring wide = Wide(text);
  tool.lpszText = &wide[0];
  SendMessageW(TooltipWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  RECT place{};
  GetWindowRect(window, &place);
  SendMessageW(TooltipWnd, TTM_TRACKPOSITION, 0, MAKELPARAM(place.left, place.bottom + 2));
  SendMessageW(TooltipWnd, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

void HideKeyboardTooltip(HWND window) {
  if (!TooltipWnd) return;
  TOOLINFOW tool = ToolFor(window, kKeyboardTool);
  SendMessageW(TooltipWnd, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(TooltipWnd, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void RemoveTooltip(HWND window) {
  if (!TooltipWnd) return;
  for (UINT_PTR id : {kMouseTool, kKeyboardTool}) {
    TOOLINFOW tool = ToolFor(window, id);
    SendMessageW(TooltipWnd, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void DestroyTooltip() {
  if (TooltipWnd) DestroyWindow(TooltipWnd);
  TooltipWnd = nullptr;
}

}  // namespace kesto
