#include "content/groups.h"

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

void ShowGroupMembers(TShortcutGroup* group, int showCommand) {
  if (!group) return;
  for (TGroupMember* member = group->Members.get(); member; member = member->Next.get()) {
    ShowWindow(member->Window, showCommand);
  }
}

void ReleaseGroups() {
  while (GroupList) GroupList = std::move(GroupList->Next);
}

}  // namespace kesto
