#include "base/command_queue.h"
#include "base/dpi.h"
#include "base/monitors.h"
#include "box/box_accessible.h"
#include "box/keyboard.h"
#include "base/system_commands.h"
#include "box/box.h"
#include "box/box_list.h"
#include "box/reload_box.h"
#include "boxfile/text_helpers.h"

namespace kesto {
namespace {

// Sent by systems with per-monitor DPI (named here: older headers lack them).
constexpr UINT kDpiChanged = 0x02E0;
constexpr UINT kGetDpiScaledSize = 0x02E4;

// The start point of the one drag in progress; the dragging box holds the
// mouse capture, so no other box can start a drag meanwhile.
std::int32_t DragOffsetX = 0;
std::int32_t DragOffsetY = 0;

void StartDrag(TBox& box, LPARAM lParam) {
  // Both halves of lParam read as unsigned numbers.
  const auto packed = static_cast<std::uint32_t>(lParam);
  POINT point{static_cast<LONG>(packed & 0xFFFF), static_cast<LONG>(HighWord(packed))};
  if (!PtInRect(&box.DragRect, point)) return;
  SetFlag(box.Flags, BoxDragging, true);
  DragOffsetX = point.x;
  DragOffsetY = point.y;
  SetCapture(box.Window);
}

// Where the drag left the box is its place from now on, on its monitor.
void EndDrag(TBox& box) {
  SetFlag(box.Flags, BoxDragging, false);
  ReleaseCapture();
  RECT rect{};
  if (!box.Window || !GetWindowRect(box.Window, &rect)) return;
  const MonitorSet monitors = CurrentMonitors();
  // In logical pixels of the monitor it was left on, at whose scale it is drawn next.
  const unsigned dpi = DpiOn(box, rect);
  box.Place = PlaceOf(rect, monitors, ScaleFor(dpi, 100, box.DpiScaling));
  box.Rescued = false;
  box.OnScreen = !OutsideEveryMonitor(rect, monitors);
  if (dpi != box.Dpi && CommandWnd) PostMessageA(CommandWnd, WM_RESCALEBOXES, 0, 0);
}

void DragStep(TBox& box) {
  POINT cursor{};
  GetCursorPos(&cursor);
  box.X = cursor.x - DragOffsetX;
  box.Y = cursor.y - DragOffsetY;
  // Without a snap area of its own the box stays within the monitor the
  // mouse is on: it goes from monitor to monitor, never into the gaps.
  const RECT area = box.HasSnapArea ? box.SnapArea : MonitorAt(cursor);
  // In this order: the far edges win when the box is larger than its area.
  if (box.X < area.left) box.X = area.left;
  if (box.Y < area.top) box.Y = area.top;
  if (box.X + box.Width > area.right) box.X = area.right - box.Width;
  if (box.Y + box.Height > area.bottom) box.Y = area.bottom - box.Height;
  SetWindowPos(box.Window, HWND_TOP, box.X, box.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT HandleBoxMessage(TBox& box, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETOBJECT:
      if (LRESULT answer = AnswerGetObject(window, wParam, lParam, BoxAccessibility())) return answer;
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (HandleBoxKey(box, message, wParam)) return 0;
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_KILLFOCUS:
      if (box.HasKeyboard) KeyboardLeft(box);
      return 0;
    case WM_ERASEBKGND:
      if (box.Frame) return 1;  // shown by UpdateLayeredWindow, not painted
      BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, box.Width, box.Height, box.MemDC.get(), 0, 0, SRCCOPY);
      return 0;
    case WM_PRINTCLIENT:
      // The picture as the window shows it: for an alpha box, premultiplied
      // with its alpha (what the preview and the tests read).
      BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, box.Width, box.Height,
             box.Frame ? box.Frame->Picture.DC.get() : box.MemDC.get(), 0, 0, SRCCOPY);
      return 0;
    case WM_CLOSE:
      return 0;  // nor by a close request: only its destroyers end it
    case WM_NCDESTROY:
      // Destroyed behind Kesto's back (with a parent that went first, say):
      // the record must not keep a dead handle.
      box.Window = nullptr;
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_MOUSEMOVE:
      if (HasFlag(box.Flags, BoxDragging)) {
        if (wParam == MK_LBUTTON) {
          DragStep(box);
          return 0;
        }
        // Another button or a modifier ended the drag: give the mouse back too.
        EndDrag(box);
      }
      return 0;
    case WM_LBUTTONDOWN:
      StartDrag(box, lParam);
      return 0;
    case WM_LBUTTONUP:
      if (HasFlag(box.Flags, BoxDragging)) {
        EndDrag(box);
      } else {
        PostRunCommand(box.Window, box.OnLeftClick);
      }
      if (box.TakesKeyboard && !box.HasKeyboard) GiveKeyboard(box);
      return 0;
    case WM_RBUTTONUP:
      PostRunCommand(box.Window, box.OnRightClick);
      return 0;
    case kDpiChanged:
      // The box is drawn again at its new monitor's scale once it rests
      // there; the system's suggested size is not taken.
      if (CommandWnd && !HasFlag(box.Flags, BoxDragging)) PostMessageA(CommandWnd, WM_RESCALEBOXES, 0, 0);
      return 0;
    case kGetDpiScaledSize:
      return FALSE;  // the size stays as it is until the box is drawn again
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

unsigned DpiOn(const TBox& box, const RECT& rect) {
  const POINT centre{rect.left + (rect.right - rect.left) / 2, rect.top + (rect.bottom - rect.top) / 2};
  return box.DpiScaling ? DpiOfMonitorAt(MonitorAt(centre)) : kLogicalDpi;
}

void RescaleBoxes() {
  const DpiLibraryHold asked;  // one load for every box's question
  std::vector<std::uint32_t> serials;
  ForEachBox([&](TBox& box) {
    RECT rect{};
    if (!Reloadable(box) || !box.Window || !GetWindowRect(box.Window, &rect)) return;
    if (DpiOn(box, rect) != box.Dpi) serials.insert(serials.begin(), box.Serial);
  });
  if (!serials.empty()) ReloadBoxes(serials, ReloadCause::Rescale);
}

void PlaceSnapArea(TBox& box, const MonitorSet& monitors) {
  const RECT& monitor = monitors.MonitorOrPrimary(box.Place.Monitor);
  // Without a line of its own, the area is the box's monitor; a drag then
  // follows the mouse from monitor to monitor.
  box.SnapArea = box.HasSnapArea ? SnapAreaOn(box.SnapNumbers, monitor, box.PlaceScale()) : monitor;
}

void PlaceBoxesAgain() {
  const MonitorSet monitors = CurrentMonitors();
  ForEachBox([&](TBox& box) {
    if (box.Life != BoxLife::Live || !box.Window) return;
    bool rescued = false;
    POINT position = ScreenPosition(box.Place, monitors, box.Width, box.Height, rescued, box.PlaceScale());
    RECT placed{position.x, position.y, position.x + box.Width, position.y + box.Height};
    // A box the change left on no monitor is pulled onto the nearest one; one
    // its author put off every screen stays there.
    if (!rescued && box.OnScreen && OutsideEveryMonitor(placed, monitors)) {
      position = PulledInside(position, box.Width, box.Height, monitors.Monitor(MonitorHoldingMost(monitors, placed)));
      rescued = true;
    }
    box.X = position.x;
    box.Y = position.y;
    box.Rescued = rescued;
    PlaceSnapArea(box, monitors);
    SetWindowPos(box.Window, nullptr, box.X, box.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  });
}

void ShowWithoutActivating(HWND window) {
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK BoxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // A borderless box has no system move, size, menu or close: its drag is
  // Kesto's own. Passed on, the move, size and menu commands would run a
  // modal loop under this procedure, where anything, even an unload of
  // Kesto.dll, may be handled, and DefWindowProc would return into freed code.
  if (LRESULT answer = 0; AnswerBeforeKesto(message, wParam, answer)) return answer;
  try {
    TBox* box = FindBoxByWindow(window);
    if (!box) return DefWindowProcW(window, message, wParam, lParam);
    return HandleBoxMessage(*box, window, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

}  // namespace kesto
