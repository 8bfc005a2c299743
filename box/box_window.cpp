#include "base/command_queue.h"
#include "box/box.h"
#include "box/box_list.h"
#include "boxfile/text_helpers.h"

namespace kesto {
namespace {

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

void DragStep(TBox& box) {
  POINT cursor{};
  GetCursorPos(&cursor);
  box.X = cursor.x - DragOffsetX;
  box.Y = cursor.y - DragOffsetY;
  // In this order: the far edges win when the box is larger than its area.
  if (box.X < box.SnapArea.left) box.X = box.SnapArea.left;
  if (box.Y < box.SnapArea.top) box.Y = box.SnapArea.top;
  if (box.X + box.Width > box.SnapArea.right) box.X = box.SnapArea.right - box.Width;
  if (box.Y + box.Height > box.SnapArea.bottom) box.Y = box.SnapArea.bottom - box.Height;
  SetWindowPos(box.Window, HWND_TOP, box.X, box.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT HandleBoxMessage(TBox& box, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, box.Width, box.Height, box.MemDC.get(), 0, 0, SRCCOPY);
      return 0;
    case WM_CLOSE:
      return 0;  // nor by a close request: only its destroyers end it
    case WM_NCDESTROY:
      // Destroyed behind Kesto's back (with a parent that went first, say):
      // the record must not keep a dead handle.
      box.Window = nullptr;
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_MOUSEMOVE:
      if (HasFlag(box.Flags, BoxDragging)) {
        if (wParam == MK_LBUTTON) {
          DragStep(box);
          return 0;
        }
        // Another button or a modifier ended the drag: give the mouse back too.
        SetFlag(box.Flags, BoxDragging, false);
        ReleaseCapture();
      }
      return 0;
    case WM_LBUTTONDOWN:
      StartDrag(box, lParam);
      return 0;
    case WM_LBUTTONUP:
      if (HasFlag(box.Flags, BoxDragging)) {
        SetFlag(box.Flags, BoxDragging, false);
        ReleaseCapture();
      } else {
        PostRunCommand(box.Window, box.OnLeftClick);
      }
      return 0;
    case WM_RBUTTONUP:
      PostRunCommand(box.Window, box.OnRightClick);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

void ShowWithoutActivating(HWND window) {
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK BoxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // A borderless box has no system move, size, menu or close: its drag is
  // Kesto's own. Passed on, the move, size and menu commands would run a
  // modal loop under this procedure, where anything, even an unload of
  // Kesto.dll, may be handled, and DefWindowProc would return into freed code.
  if (message == WM_SYSCOMMAND) return 0;
  try {
    TBox* box = FindBoxByWindow(window);
    if (!box) return DefWindowProcA(window, message, wParam, lParam);
    return HandleBoxMessage(*box, window, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

}  // namespace kesto
