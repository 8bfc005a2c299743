#include "box/box_accessible.h"

#include <algorithm>
#include <vector>

#include "box/box_list.h"
#include "content/shortcuts.h"

namespace kesto {
namespace {

// One child of a box as a reader meets it: a button (its window) or a label
// (its index), where it stands on the screen.
struct TChild {
  HWND Window = nullptr;
  int Label = -1;
  RECT Screen{};
};

bool ReadsBefore(const TChild& a, const TChild& b) {
  return a.Screen.top != b.Screen.top ? a.Screen.top < b.Screen.top : a.Screen.left < b.Screen.left;
}

std::vector<TChild> Buttons(const TBox& box) {
  std::vector<TChild> buttons;
  for (const TShortcut* s = box.Shortcuts.get(); s; s = s->Next.get()) {
    if (!s->Window) continue;
    TChild child;
    child.Window = s->Window;
    GetWindowRect(s->Window, &child.Screen);
    buttons.push_back(child);
  }
  std::stable_sort(buttons.begin(), buttons.end(), ReadsBefore);
  return buttons;
}

// Buttons and labels together, in reading order.
std::vector<TChild> Children(const TBox& box) {
  std::vector<TChild> children = Buttons(box);
  RECT at{};
  if (box.Window) GetWindowRect(box.Window, &at);
  for (std::size_t i = 0; i < box.Labels.size(); ++i) {
    TChild child;
    child.Label = static_cast<int>(i);
    child.Screen = box.Labels[i].Rect;
    OffsetRect(&child.Screen, at.left, at.top);
    children.push_back(child);
  }
  std::stable_sort(children.begin(), children.end(), ReadsBefore);
  return children;
}

class BoxSource final : public TAccessibleSource {
 public:
  TAccessibleFacts Facts(HWND window, long child) const override {
    const TBox* box = FindBoxByWindow(window);
    if (!box) return {};
    TAccessibleFacts facts;
    if (child > 0) {
      const std::vector<TChild> children = Children(*box);
      if (static_cast<std::size_t>(child) > children.size()) return facts;
      const TChild& found = children[static_cast<std::size_t>(child - 1)];
      if (found.Window) return ShortcutAccessibility().Facts(found.Window, 0);
      facts.Exists = true;
      facts.Name = box->Labels[static_cast<std::size_t>(found.Label)].Text;
      facts.Role = ROLE_SYSTEM_STATICTEXT;
      facts.State = STATE_SYSTEM_READONLY | (IsWindowVisible(window) ? 0 : STATE_SYSTEM_INVISIBLE);
      facts.Screen = found.Screen;
      return facts;
    }
    facts.Exists = true;
    facts.Name = box->Name;
    facts.Role = ROLE_SYSTEM_PANE;
    if (!IsWindowVisible(window)) facts.State |= STATE_SYSTEM_INVISIBLE;
    GetWindowRect(window, &facts.Screen);
    return facts;
  }
  long ChildCount(HWND window) const override {
    const TBox* box = FindBoxByWindow(window);
    return box ? static_cast<long>(Children(*box).size()) : 0;
  }
  HWND ChildWindow(HWND window, long child) const override {
    const TBox* box = FindBoxByWindow(window);
    if (!box || child < 1) return nullptr;
    const std::vector<TChild> children = Children(*box);
    return static_cast<std::size_t>(child) <= children.size() ? children[static_cast<std::size_t>(child - 1)].Window
                                                               : nullptr;
  }
  bool DoDefaultAction(HWND window, long child) const override {
    HWND button = ChildWindow(window, child);
    return button && ShortcutAccessibility().DoDefaultAction(button, 0);
  }
  const TAccessibleSource& ChildSource() const override { return ShortcutAccessibility(); }
};

}  // namespace

std::vector<HWND> ButtonsInReadingOrder(const TBox& box) {
  std::vector<HWND> windows;
  for (const TChild& child : Buttons(box)) windows.push_back(child.Window);
  return windows;
}

const TAccessibleSource& BoxAccessibility() {
  static const BoxSource source;
  return source;
}

}  // namespace kesto
