#include "bang/bang_commands.h"

#include <utility>
#include <vector>

#include "base/entry_thunk.h"
#include "base/operation.h"
#include "base/shell_api.h"
#include "base/shell_log.h"
#include "base/shell_text.h"
#include "base/wide_text.h"
#include "box/alpha_box.h"
#include "box/box.h"
#include "box/box_list.h"
#include "box/keyboard.h"
#include "box/reload_box.h"
#include "boxfile/scale.h"
#include "boxfile/text_helpers.h"
#include "content/groups.h"
#include "content/tooltip.h"

namespace kesto {
namespace {

// Runs a handler body as one operation, without letting anything escape
// into the shell.
template <class Body>
void Guarded(Body body) {
  try {
    KestoOperation operation;
    body();
  } catch (...) {
  }
}

// A screen reader hears of a box or button that comes or goes. The system
// tells of a window's own showing; this tells of the object Kesto answers for
// it. Told once the state is whole: a hook in this process may run anything.
void TellShown(const std::vector<HWND>& windows, bool shown) {
  for (HWND window : windows)
    NotifyWinEvent(shown ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, window, OBJID_CLIENT, CHILDID_SELF);
}

void ShowBox(TBox& box) {
  const bool wasShown = IsWindowVisible(box.Window) != FALSE;
  ShowWithoutActivating(box.Window);
  SetFlag(box.Flags, BoxHidden, false);
  if (!wasShown) TellShown({box.Window}, true);
}

void HideBox(TBox& box) {
  GiveKeyboardBack(box);
  const bool wasShown = ShowWindow(box.Window, SW_HIDE) != FALSE;
  SetFlag(box.Flags, BoxHidden, true);
  if (wasShown) TellShown({box.Window}, false);
}

void ShowGroup(TShortcutGroup& group) {
  const std::vector<HWND> changed = ShowGroupMembers(&group, SW_SHOW);
  SetFlag(group.Flags, GroupHidden, false);
  ComposeAlphaFrames();  // alpha boxes draw their buttons themselves
  TellShown(changed, true);
}

void HideGroup(TShortcutGroup& group) {
  const std::vector<HWND> changed = ShowGroupMembers(&group, SW_HIDE);
  SetFlag(group.Flags, GroupHidden, true);
  ComposeAlphaFrames();
  // A hidden button that has the keyboard keeps no tooltip on screen.
  for (HWND window : changed)
    if (const TShortcut* s = FindShortcutByWindow(window); s && s->Focused) HideKeyboardTooltip(window);
  TellShown(changed, false);
}

TShortcutGroup* GroupOf(const std::string& args) { return FindGroup(ParseInt(args)); }

}  // namespace
}  // namespace kesto

// The work of each bang command, on its arguments as UTF-8.
namespace kesto {
namespace {

void BangCreate(const std::string& args) { CreateBox(GetToken(args, 1)); }

void BangDestroy(const std::string& args) {
  if (TBox* box = FindBoxByName(args)) RequestDestroy(*box);
}

void BangHide(const std::string& args) {
  if (TBox* box = FindBoxByName(args)) HideBox(*box);
}

void BangShow(const std::string& args) {
  if (TBox* box = FindBoxByName(args)) ShowBox(*box);
}

void BangToggle(const std::string& args) {
  TBox* box = FindBoxByName(args);
  if (!box) return;
  if (HasFlag(box->Flags, BoxHidden)) {
    ShowBox(*box);
  } else {
    HideBox(*box);
  }
}

void BangResetPos(const std::string&) {
  ForEachBox([](TBox& box) {
    SetWindowPos(box.Window, HWND_TOP, box.X, box.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  });
}

void BangGroupShow(const std::string& args) {
  if (TShortcutGroup* group = GroupOf(args)) ShowGroup(*group);
}

void BangGroupHide(const std::string& args) {
  if (TShortcutGroup* group = GroupOf(args)) HideGroup(*group);
}

void BangGroupToggle(const std::string& args) {
  TShortcutGroup* group = GroupOf(args);
  if (!group) return;
  if (HasFlag(group->Flags, GroupHidden)) {
    ShowGroup(*group);
  } else {
    HideGroup(*group);
  }
}

void BangMoveBox(const std::string& args) {
  TBox* box = FindBoxByName(GetToken(args, 1));
  if (!box) return;
  SetWindowPos(box->Window, HWND_TOP, ParseInt(GetToken(args, 2)), ParseInt(GetToken(args, 3)), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RescaleBoxes();  // moved onto a monitor of another scale: drawn at that one
}

void BangFocus(const std::string& args) {
  TBox* box = FindBoxByName(args);
  if (box && !GiveKeyboard(*box))
    ShellLog(kLogWarning, "!KestoFocus " + box->Name + ": the box shows no button to take the keyboard");
}

// "!KestoZoom Launcher 150": the box drawn again at that zoom while it runs;
// its file is not written.
void BangZoom(const std::string& args) {
  TBox* box = FindBoxByName(GetToken(args, 1));
  if (!box) return;
  const std::string percent = GetToken(args, 2);
  bool valid = false;
  const std::int32_t zoom = ZoomFromText(percent.c_str(), valid);
  if (!valid) {
    ShellLog(kLogWarning, "!KestoZoom " + box->Name + " " + percent + ": the zoom is a percent from 10 to 1000");
    return;
  }
  if (zoom == box->Zoom || !Reloadable(*box)) return;
  box->ZoomByBang = zoom;
  ReloadBoxes({box->Serial}, ReloadCause::Bang);
}

void BangReload(const std::string& args) {
  std::vector<std::uint32_t> serials;
  if (!GetToken(args, 1).empty()) {
    TBox* box = FindBoxByName(args);
    if (box && Reloadable(*box)) serials.push_back(box->Serial);
  } else {
    // Every box, oldest first, so that they come back in their first order.
    ForEachBox([&](TBox& box) {
      if (Reloadable(box)) serials.insert(serials.begin(), box.Serial);
    });
  }
  ReloadBoxes(serials, ReloadCause::Bang);
}

}  // namespace
}  // namespace kesto

// The shell calls each bang through an entry thunk, in its wide form
// (LiteStep 0.25) or its ANSI form (an older shell); both do the same work.
#define KESTO_BANG(name)                                                                                  \
  extern "C" void KestoBang##name##Body(HWND, const char* args) {                                         \
    kesto::Guarded([&] { kesto::Bang##name(kesto::AnsiToUtf8(args ? args : "")); });                      \
  }                                                                                                       \
  extern "C" void KestoBang##name##WBody(HWND, const wchar_t* args) {                                     \
    kesto::Guarded([&] { kesto::Bang##name(kesto::Utf8(args)); });                                        \
  }                                                                                                       \
  extern "C" void KestoBang##name(HWND, const char*);                                                     \
  extern "C" void KestoBang##name##W(HWND, const wchar_t*);
KESTO_BANG(Create)
KESTO_BANG(Destroy)
KESTO_BANG(Hide)
KESTO_BANG(Show)
KESTO_BANG(Toggle)
KESTO_BANG(ResetPos)
KESTO_BANG(GroupShow)
KESTO_BANG(GroupHide)
KESTO_BANG(GroupToggle)
KESTO_BANG(MoveBox)
KESTO_BANG(Reload)
KESTO_BANG(Focus)
KESTO_BANG(Zoom)
KESTO_CDECL_ENTRY_2(KestoBangCreate);
KESTO_CDECL_ENTRY_2(KestoBangCreateW);
KESTO_CDECL_ENTRY_2(KestoBangDestroy);
KESTO_CDECL_ENTRY_2(KestoBangDestroyW);
KESTO_CDECL_ENTRY_2(KestoBangHide);
KESTO_CDECL_ENTRY_2(KestoBangHideW);
KESTO_CDECL_ENTRY_2(KestoBangShow);
KESTO_CDECL_ENTRY_2(KestoBangShowW);
KESTO_CDECL_ENTRY_2(KestoBangToggle);
KESTO_CDECL_ENTRY_2(KestoBangToggleW);
KESTO_CDECL_ENTRY_2(KestoBangResetPos);
KESTO_CDECL_ENTRY_2(KestoBangResetPosW);
KESTO_CDECL_ENTRY_2(KestoBangGroupShow);
KESTO_CDECL_ENTRY_2(KestoBangGroupShowW);
KESTO_CDECL_ENTRY_2(KestoBangGroupHide);
KESTO_CDECL_ENTRY_2(KestoBangGroupHideW);
KESTO_CDECL_ENTRY_2(KestoBangGroupToggle);
KESTO_CDECL_ENTRY_2(KestoBangGroupToggleW);
KESTO_CDECL_ENTRY_2(KestoBangMoveBox);
KESTO_CDECL_ENTRY_2(KestoBangMoveBoxW);
KESTO_CDECL_ENTRY_2(KestoBangReload);
KESTO_CDECL_ENTRY_2(KestoBangReloadW);
KESTO_CDECL_ENTRY_2(KestoBangFocus);
KESTO_CDECL_ENTRY_2(KestoBangFocusW);
KESTO_CDECL_ENTRY_2(KestoBangZoom);
KESTO_CDECL_ENTRY_2(KestoBangZoomW);

namespace kesto {
namespace {

struct BangCommand {
  const char* Name;
  AnsiBangHandler Handler;
  WideBangHandler WideHandler;
};

// In registration order.
constexpr BangCommand kBangCommands[] = {
    {"!KestoCreate", KestoBangCreate, KestoBangCreateW},           {"!KestoDestroy", KestoBangDestroy, KestoBangDestroyW},
    {"!KestoHide", KestoBangHide, KestoBangHideW},               {"!KestoShow", KestoBangShow, KestoBangShowW},
    {"!KestoToggle", KestoBangToggle, KestoBangToggleW},           {"!KestoResetPos", KestoBangResetPos, KestoBangResetPosW},
    {"!KestoGroupShow", KestoBangGroupShow, KestoBangGroupShowW},     {"!KestoGroupHide", KestoBangGroupHide, KestoBangGroupHideW},
    {"!KestoGroupToggle", KestoBangGroupToggle, KestoBangGroupToggleW}, {"!KestoMoveBox", KestoBangMoveBox, KestoBangMoveBoxW},
    {"!KestoReload", KestoBangReload, KestoBangReloadW},  // after the ten of the original design
    {"!KestoFocus", KestoBangFocus, KestoBangFocusW},
    {"!KestoZoom", KestoBangZoom, KestoBangZoomW},
};

// Removal order differs from registration order in the two group commands;
// the reload command goes before the ten.
constexpr const char* kRemovalOrder[] = {
    "!KestoZoom",      "!KestoFocus",     "!KestoReload",    "!KestoCreate",    "!KestoDestroy",   "!KestoHide",        "!KestoShow",   "!KestoToggle",
    "!KestoResetPos",  "!KestoGroupHide", "!KestoGroupShow",   "!KestoGroupToggle", "!KestoMoveBox",
};

}  // namespace

void RegisterBangCommands() {
  for (const BangCommand& command : kBangCommands) AddShellBang(command.Name, command.Handler, command.WideHandler);
}

void UnregisterBangCommands() {
  for (const char* name : kRemovalOrder) RemoveShellBang(name);
}

}  // namespace kesto
