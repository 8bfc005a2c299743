// Numbered shortcut groups, shared by every box, shown or hidden together.
// Groups outlive their members and are freed only when the module stops.
#pragma once

#include <windows.h>

#include <vector>

#include <cstdint>
#include <memory>

namespace kesto {

constexpr std::uint8_t GroupHidden = 0x08;

struct TShortcutGroup;

struct TGroupMember {
  HWND Window = nullptr;
  TShortcutGroup* Group = nullptr;
  std::unique_ptr<TGroupMember> Next;
  TGroupMember* Prev = nullptr;
};

struct TShortcutGroup {
  std::int32_t Number = 0;
  std::uint8_t Flags = 0;
  std::unique_ptr<TGroupMember> Members;  // newest first
  std::unique_ptr<TShortcutGroup> Next;
  ~TShortcutGroup();
};

extern std::unique_ptr<TShortcutGroup> GroupList;  // newest first

TShortcutGroup& FindOrAddGroup(std::int32_t number);
TShortcutGroup* FindGroup(std::int32_t number);
TGroupMember* JoinGroup(HWND window, std::int32_t number);
void LeaveGroup(TGroupMember* member);
// Returns the windows whose visibility changed.
std::vector<HWND> ShowGroupMembers(TShortcutGroup* group, int showCommand);
void ReleaseGroups();

}  // namespace kesto
