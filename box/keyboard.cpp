#include "box/keyboard.h"

#include <algorithm>
#include <vector>

#include "base/command_queue.h"
#include "box/box_accessible.h"
#include "content/shortcuts.h"

namespace kesto {
namespace {

// The buttons a person can reach: shown, in reading order.
std::vector<HWND> ReachableButtons(const TBox& box) {
  std::vector<HWND> buttons = ButtonsInReadingOrder(box);
  buttons.erase(std::remove_if(buttons.begin(), buttons.end(),
                               [](HWND w) { return !(GetWindowLongPtrW(w, GWL_STYLE) & WS_VISIBLE); }),
                buttons.end());
  return buttons;
}

TShortcut* MarkedButton(TBox& box) {
  for (TShortcut* s = box.Shortcuts.get(); s; s = s->Next.get())
    if (s->Focused) return s;
  return nullptr;
}

// The old mark goes before the new one comes, so that its tooltip goes too.
void Mark(TBox& box, HWND button) {
  for (TShortcut* s = box.Shortcuts.get(); s; s = s->Next.get())
    if (s->Window != button) SetShortcutFocus(*s, false);
  for (TShortcut* s = box.Shortcuts.get(); s; s = s->Next.get())
    if (s->Window == button) SetShortcutFocus(*s, true);
}

// The next (or previous) reachable button from the marked one, round the end.
void MoveMark(TBox& box, int step) {
  const std::vector<HWND> buttons = ReachableButtons(box);
  if (buttons.empty()) return;
  const TShortcut* marked = MarkedButton(box);
  const auto at = std::find(buttons.begin(), buttons.end(), marked ? marked->Window : nullptr);
  const long count = static_cast<long>(buttons.size());
  long index = at == buttons.end() ? (step > 0 ? -1 : 0) : static_cast<long>(at - buttons.begin());
  index = ((index + step) % count + count) % count;
  Mark(box, buttons[static_cast<std::size_t>(index)]);
}

}  // namespace

bool GiveKeyboard(TBox& box) {
  const std::vector<HWND> buttons = ReachableButtons(box);
  if (buttons.empty() || !box.Window || !IsWindowVisible(box.Window)) return false;
  HWND root = GetAncestor(box.Window, GA_ROOT);
  if (!box.HasKeyboard) {
    HWND had = GetForegroundWindow();
    box.KeyboardReturn = had != root ? had : nullptr;
  }
  box.HasKeyboard = true;
  SetForegroundWindow(root);
  SetFocus(box.Window);
  Mark(box, buttons.front());
  return true;
}

bool HandleBoxKey(TBox& box, UINT message, WPARAM key) {
  if (!box.HasKeyboard) return false;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  if (message == WM_SYSKEYDOWN) {
    if (key != VK_F10 || !shift) return false;
    PostRunCommand(box.Window, box.OnRightClick);
    return true;
  }
  switch (key) {
    case VK_TAB:
      MoveMark(box, shift ? -1 : 1);
      return true;
    case VK_RIGHT:
    case VK_DOWN:
      MoveMark(box, 1);
      return true;
    case VK_LEFT:
    case VK_UP:
      MoveMark(box, -1);
      return true;
    case VK_RETURN:
    case VK_SPACE:
      if (const TShortcut* marked = MarkedButton(box)) PostRunCommand(nullptr, marked->Command);
      return true;
    case VK_APPS:
      PostRunCommand(box.Window, box.OnRightClick);
      return true;
    case VK_ESCAPE:
      GiveKeyboardBack(box);
      return true;
    default:
      return false;
  }
}

void GiveKeyboardBack(TBox& box) {
  if (!box.HasKeyboard) return;
  HWND back = box.KeyboardReturn;
  KeyboardLeft(box);
  if (back && IsWindow(back)) SetForegroundWindow(back);
}

void KeyboardLeft(TBox& box) {
  box.HasKeyboard = false;
  box.KeyboardReturn = nullptr;
  Mark(box, nullptr);
}

}  // namespace kesto
