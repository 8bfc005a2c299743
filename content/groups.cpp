#include "content/groups.h"

#include <vector>

namespace kesto {

std::unique_ptr<TShortcutGroup> GroupList;

TShortcutGroup::~TShortcutGroup() {
  while (Members) Members = std::move(Members->Next);
}

TShortcutGroup* FindGroup(std::int32_t number) {
  for (TShortcutGroup* group = GroupList.get(); group; group = group->Next.get()) {
    if (group->Number == number) return group;
  }
  return nullptr;
}

TShortcutGroup& FindOrAddGroup(std::int32_t number) {
  if (TShortcutGroup* found = FindGroup(number)) return *found;
  auto group = std::make_unique<TShortcutGroup>();
  group->Number = number;
  group->Next = std::move(GroupList);
  GroupList = std::move(group);
  return *GroupList;
}

TGroupMember* JoinGroup(HWND window, std::int32_t number) {
  TShortcutGroup& group = FindOrAddGroup(number);
  auto member = std::make_unique<TGroupMember>();
  member->Window = window;
  member->Group = &group;
  member->Next = std::move(group.Members);
  if (member->Next) member->Next->Prev = member.get();
  group.Members = std::move(member);
  return group.Members.get();
}

void LeaveGroup(TGroupMember* member) {
  if (!member) return;
  std::unique_ptr<TGroupMember>& owner = member->Prev ? member->Prev->Next : member->Group->Members;
  std::unique_ptr<TGroupMember> leaving = std::move(owner);
  owner = std::move(leaving->Next);
  if (owner) owner->Prev = leaving->Prev;
}

std::vector<HWND> ShowGroupMembers(TShortcutGroup* group, int showCommand) {
  std::vector<HWND> changed;
  if (!group) return changed;
  const bool show = showCommand != SW_HIDE;
  for (TGroupMember* member = group->Members.get(); member; member = member->Next.get()) {
    const bool wasShown = ShowWindow(member->Window, showCommand) != FALSE;
    if (wasShown != show) changed.push_back(member->Window);
  }
  return changed;
}

void ReleaseGroups() {
  while (GroupList) GroupList = std::move(GroupList->Next);
}

}  // namespace kesto
