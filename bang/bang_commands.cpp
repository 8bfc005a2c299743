#include "bang/bang_commands.h"

#include "box/box.h"
#include "boxfile/text_helpers.h"
#include "content/groups.h"
#include "module/shell_api.h"

namespace kesto {
namespace {

// Runs a handler body without letting anything escape into the shell.
template <class Body>
void Guarded(Body body) {
  try {
    body();
  } catch (...) {
  }
}

void UnlinkAndDispose(TBox& box) {
  std::unique_ptr<TBox>& link = (BoxList.get() == &box) ? BoxList : FindPreviousBox(&box)->Next;
  std::unique_ptr<TBox> disposed = std::move(link);
  link = std::move(disposed->Next);
}

void ShowBox(TBox& box) {
  ShowWindow(box.Window, SW_SHOW);
  SetFlag(box.Flags, BoxHidden, false);
}

void HideBox(TBox& box) {
  ShowWindow(box.Window, SW_HIDE);
  SetFlag(box.Flags, BoxHidden, true);
}

void ShowGroup(TShortcutGroup& group) {
  ShowGroupMembers(&group, SW_SHOW);
  SetFlag(group.Flags, GroupHidden, false);
}

void HideGroup(TShortcutGroup& group) {
  ShowGroupMembers(&group, SW_HIDE);
  SetFlag(group.Flags, GroupHidden, true);
}

TShortcutGroup* GroupOf(const char* args) { return FindGroup(ParseInt(args ? args : "")); }
std::string Text(const char* args) { return args ? args : ""; }

void BangCreate(HWND, const char* args) { Guarded([&] { CreateBox(GetToken(Text(args), 1)); }); }

void BangDestroy(HWND, const char* args) {
  Guarded([&] {
    TBox* box = FindBoxByName(Text(args));
    if (!box) return;
    DestroyBox(*box);  // still linked while its window goes
    UnlinkAndDispose(*box);
  });
}

void BangHide(HWND, const char* args) {
  Guarded([&] {
    if (TBox* box = FindBoxByName(Text(args))) HideBox(*box);
  });
}

void BangShow(HWND, const char* args) {
  Guarded([&] {
    if (TBox* box = FindBoxByName(Text(args))) ShowBox(*box);
  });
}

void BangToggle(HWND, const char* args) {
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

void BangResetPos(HWND, const char*) {
  Guarded([&] {
    for (TBox* box = BoxList.get(); box; box = box->Next.get())
      SetWindowPos(box->Window, HWND_TOP, box->X, box->Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  });
}

void BangGroupShow(HWND, const char* args) {
  Guarded([&] {
    if (TShortcutGroup* group = GroupOf(args)) ShowGroup(*group);
  });
}

void BangGroupHide(HWND, const char* args) {
  Guarded([&] {
    if (TShortcutGroup* group = GroupOf(args)) HideGroup(*group);
  });
}

void BangGroupToggle(HWND, const char* args) {
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

void BangMoveBox(HWND, const char* args) {
  Guarded([&] {
    std::string text = Text(args);
    TBox* box = FindBoxByName(GetToken(text, 1));
    if (!box) return;
    SetWindowPos(box->Window, HWND_TOP, ParseInt(GetToken(text, 2)), ParseInt(GetToken(text, 3)), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
  });
}

struct BangCommand {
  const char* Name;
  BangCommandHandler Handler;
};

// In registration order.
constexpr BangCommand kBangCommands[] = {
    {"!KestoCreate", BangCreate},         {"!KestoDestroy", BangDestroy},
    {"!KestoHide", BangHide},             {"!KestoShow", BangShow},
    {"!KestoToggle", BangToggle},         {"!KestoResetPos", BangResetPos},
    {"!KestoGroupShow", BangGroupShow},   {"!KestoGroupHide", BangGroupHide},
    {"!KestoGroupToggle", BangGroupToggle}, {"!KestoMoveBox", BangMoveBox},
};

// Removal order differs from registration order in the two group commands.
constexpr const char* kRemovalOrder[] = {
    "!KestoCreate",    "!KestoDestroy",   "!KestoHide",        "!KestoShow",   "!KestoToggle",
    "!KestoResetPos",  "!KestoGroupHide", "!KestoGroupShow",   "!KestoGroupToggle", "!KestoMoveBox",
};

}  // namespace

void RegisterBangCommands() {
  for (const BangCommand& command : kBangCommands) AddBangCommand(command.Name, command.Handler);
}

void UnregisterBangCommands() {
  for (const char* name : kRemovalOrder) RemoveBangCommand(name);
}

TBox* FindBoxByName(const std::string& name) {
  std::string key = UpperText(GetToken(name, 1));
  for (TBox* box = BoxList.get(); box; box = box->Next.get()) {
    if (UpperText(box->Name) == key) return box;
  }
  return nullptr;
}

TBox* FindPreviousBox(const TBox* box) {
  for (TBox* candidate = BoxList.get(); candidate; candidate = candidate->Next.get()) {
    if (candidate->Next.get() == box) return candidate;
  }
  return nullptr;
}

}  // namespace kesto
