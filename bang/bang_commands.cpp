#include "bang/bang_commands.h"

#include <utility>
#include <vector>

#include "base/entry_thunk.h"
#include "base/operation.h"
#include "base/shell_api.h"
#include "box/alpha_box.h"
#include "box/box.h"
#include "box/box_list.h"
#include "box/reload_box.h"
#include "boxfile/text_helpers.h"
#include "content/groups.h"

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

void ShowBox(TBox& box) {
  ShowWithoutActivating(box.Window);
  SetFlag(box.Flags, BoxHidden, false);
}

void HideBox(TBox& box) {
  ShowWindow(box.Window, SW_HIDE);
  SetFlag(box.Flags, BoxHidden, true);
}

void ShowGroup(TShortcutGroup& group) {
  ShowGroupMembers(&group, SW_SHOW);
  SetFlag(group.Flags, GroupHidden, false);
  ComposeAlphaFrames();  // alpha boxes draw their buttons themselves
}

void HideGroup(TShortcutGroup& group) {
  ShowGroupMembers(&group, SW_HIDE);
  SetFlag(group.Flags, GroupHidden, true);
  ComposeAlphaFrames();
}

TShortcutGroup* GroupOf(const char* args) { return FindGroup(ParseInt(args ? args : "")); }
std::string Text(const char* args) { return args ? args : ""; }

}  // namespace
}  // namespace kesto

// The handlers' bodies; the shell calls them through the entry thunks below.
using namespace kesto;

extern "C" void KestoBangCreateBody(HWND, const char* args) {
  Guarded([&] { CreateBox(GetToken(Text(args), 1)); });
}

extern "C" void KestoBangDestroyBody(HWND, const char* args) {
  Guarded([&] {
    if (TBox* box = FindBoxByName(Text(args))) RequestDestroy(*box);
  });
}

extern "C" void KestoBangHideBody(HWND, const char* args) {
  Guarded([&] {
    if (TBox* box = FindBoxByName(Text(args))) HideBox(*box);
  });
}

extern "C" void KestoBangShowBody(HWND, const char* args) {
  Guarded([&] {
    if (TBox* box = FindBoxByName(Text(args))) ShowBox(*box);
  });
}

extern "C" void KestoBangToggleBody(HWND, const char* args) {
  Guarded([&] {
    TBox* box = FindBoxByName(Text(args));
    if (!box) return;
    if (HasFlag(box->Flags, BoxHidden)) {
      ShowBox(*box);
    } else {
      HideBox(*box);
    }
  });
}

extern "C" void KestoBangResetPosBody(HWND, const char*) {
  Guarded([&] {
    ForEachBox([](TBox& box) {
      SetWindowPos(box.Window, HWND_TOP, box.X, box.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    });
  });
}

extern "C" void KestoBangGroupShowBody(HWND, const char* args) {
  Guarded([&] {
    if (TShortcutGroup* group = GroupOf(args)) ShowGroup(*group);
  });
}

extern "C" void KestoBangGroupHideBody(HWND, const char* args) {
  Guarded([&] {
    if (TShortcutGroup* group = GroupOf(args)) HideGroup(*group);
  });
}

extern "C" void KestoBangGroupToggleBody(HWND, const char* args) {
  Guarded([&] {
    TShortcutGroup* group = GroupOf(args);
    if (!group) return;
    if (HasFlag(group->Flags, GroupHidden)) {
      ShowGroup(*group);
    } else {
      HideGroup(*group);
    }
  });
}

extern "C" void KestoBangMoveBoxBody(HWND, const char* args) {
  Guarded([&] {
    std::string text = Text(args);
    TBox* box = FindBoxByName(GetToken(text, 1));
    if (!box) return;
    SetWindowPos(box->Window, HWND_TOP, ParseInt(GetToken(text, 2)), ParseInt(GetToken(text, 3)), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  });
}

namespace kesto {
namespace {

}  // namespace
}  // namespace kesto

extern "C" void KestoBangReloadBody(HWND, const char* args) {
  Guarded([&] {
    std::vector<std::uint32_t> serials;
    if (!GetToken(Text(args), 1).empty()) {
      TBox* box = FindBoxByName(Text(args));
      if (box && Reloadable(*box)) serials.push_back(box->Serial);
    } else {
      // Every box, oldest first, so that they come back in their first order.
      ForEachBox([&](TBox& box) {
        if (Reloadable(box)) serials.insert(serials.begin(), box.Serial);
      });
    }
    ReloadBoxes(serials);
  });
}

extern "C" {
void KestoBangCreate(HWND, const char*);
void KestoBangDestroy(HWND, const char*);
void KestoBangHide(HWND, const char*);
void KestoBangShow(HWND, const char*);
void KestoBangToggle(HWND, const char*);
void KestoBangResetPos(HWND, const char*);
void KestoBangGroupShow(HWND, const char*);
void KestoBangGroupHide(HWND, const char*);
void KestoBangGroupToggle(HWND, const char*);
void KestoBangMoveBox(HWND, const char*);
void KestoBangReload(HWND, const char*);
}
KESTO_CDECL_ENTRY_2(KestoBangCreate);
KESTO_CDECL_ENTRY_2(KestoBangDestroy);
KESTO_CDECL_ENTRY_2(KestoBangHide);
KESTO_CDECL_ENTRY_2(KestoBangShow);
KESTO_CDECL_ENTRY_2(KestoBangToggle);
KESTO_CDECL_ENTRY_2(KestoBangResetPos);
KESTO_CDECL_ENTRY_2(KestoBangGroupShow);
KESTO_CDECL_ENTRY_2(KestoBangGroupHide);
KESTO_CDECL_ENTRY_2(KestoBangGroupToggle);
KESTO_CDECL_ENTRY_2(KestoBangMoveBox);
KESTO_CDECL_ENTRY_2(KestoBangReload);

namespace kesto {
namespace {

struct BangCommand {
  const char* Name;
  BangCommandHandler Handler;
};

// In registration order.
constexpr BangCommand kBangCommands[] = {
    {"!KestoCreate", KestoBangCreate},           {"!KestoDestroy", KestoBangDestroy},
    {"!KestoHide", KestoBangHide},               {"!KestoShow", KestoBangShow},
    {"!KestoToggle", KestoBangToggle},           {"!KestoResetPos", KestoBangResetPos},
    {"!KestoGroupShow", KestoBangGroupShow},     {"!KestoGroupHide", KestoBangGroupHide},
    {"!KestoGroupToggle", KestoBangGroupToggle}, {"!KestoMoveBox", KestoBangMoveBox},
    {"!KestoReload", KestoBangReload},  // after the ten of the original design
};

// Removal order differs from registration order in the two group commands;
// the reload command goes before the ten.
constexpr const char* kRemovalOrder[] = {
    "!KestoReload",    "!KestoCreate",    "!KestoDestroy",   "!KestoHide",        "!KestoShow",   "!KestoToggle",
    "!KestoResetPos",  "!KestoGroupHide", "!KestoGroupShow",   "!KestoGroupToggle", "!KestoMoveBox",
};

}  // namespace

void RegisterBangCommands() {
  for (const BangCommand& command : kBangCommands) AddBangCommand(command.Name, command.Handler);
}

void UnregisterBangCommands() {
  for (const char* name : kRemovalOrder) RemoveBangCommand(name);
}

}  // namespace kesto
