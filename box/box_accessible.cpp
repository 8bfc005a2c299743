#include "box/box_accessible.h"

#include <algorithm>
#include <vector>

#include "box/box_list.h"
#include "content/shortcuts.h"

namespace kesto {

std::vector<HWND> ButtonsInReadingOrder(const TBox& box) {
  struct Placed {
    HWND Window;
    RECT Rect;
  };
  std::vector<Placed> buttons;
  for (const TShortcut* s = box.Shortcuts.get(); s; s = s->Next.get()) {
    if (!s->Window) continue;
    Placed placed{s->Window, {}};
    GetWindowRect(s->Window, &placed.Rect);
    buttons.push_back(placed);
  }
  std::stable_sort(buttons.begin(), buttons.end(), [](const Placed& a, const Placed& b) {
    return a.Rect.top != b.Rect.top ? a.Rect.top < b.Rect.top : a.Rect.left < b.Rect.left;
  });
  std::vector<HWND> windows;
  for (const Placed& placed : buttons) windows.push_back(placed.Window);
  return windows;
}

namespace {

class BoxSource final : public TAccessibleSource {
 public:
  TAccessibleFacts Facts(HWND window, long child) const override {
    const TBox* box = FindBoxByWindow(window);
    if (!box) return {};
    if (child > 0) return ShortcutAccessibility().Facts(ChildWindow(window, child), 0);
    TAccessibleFacts facts;
    facts.Exists = true;
    facts.Name = box->Name;
    facts.Role = ROLE_SYSTEM_PANE;
    if (!IsWindowVisible(window)) facts.State |= STATE_SYSTEM_INVISIBLE;
    GetWindowRect(window, &facts.Screen);
    return facts;
  }
  long ChildCount(HWND window) const override {
    const TBox* box = FindBoxByWindow(window);
    return box ? static_cast<long>(ButtonsInReadingOrder(*box).size()) : 0;
  }
  HWND ChildWindow(HWND window, long child) const override {
    const TBox* box = FindBoxByWindow(window);
    if (!box || child < 1) return nullptr;
    const std::vector<HWND> buttons = ButtonsInReadingOrder(*box);
    return static_cast<std::size_t>(child) <= buttons.size() ? buttons[static_cast<std::size_t>(child - 1)] : nullptr;
  }
  bool DoDefaultAction(HWND window, long child) const override {
    return child > 0 && ShortcutAccessibility().DoDefaultAction(ChildWindow(window, child), 0);
  }
  const TAccessibleSource& ChildSource() const override { return ShortcutAccessibility(); }
};

}  // namespace

const TAccessibleSource& BoxAccessibility() {
  static const BoxSource source;
  return source;
}

}  // namespace kesto
