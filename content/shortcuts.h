// Image buttons inside a box: a child window per *Shortcut line with normal,
// hover and pressed images prepared once, a tooltip and a group.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/owned.h"
#include "boxfile/box_file.h"
#include "content/content_host.h"

namespace kesto {

struct TGroupMember;

// One loaded image: the memory DC it is selected into, and its shape.
struct TShortcutImage {
  OwnedBitmap Bitmap;  // declared first: released after the DC it is selected into
  OwnedDC DC;
  OwnedRegion Region;
};

struct TShortcut {
  HDC CurrentDC = nullptr;   // one of the three below
  HRGN CurrentRgn = nullptr;
  TShortcutImage Normal;     // empty when the normal image failed to load
  TShortcutImage Hover;      // empty when the normal image stands in for it
  TShortcutImage Pressed;
  HWND Window = nullptr;
  std::int32_t X = 0;
  std::int32_t Y = 0;
  std::int32_t Height = 0;
  std::int32_t Width = 0;
  std::uint8_t State = 0;  // 0 normal, 1 hover, 2 pressed
  std::string Command;
  std::unique_ptr<TShortcut> Next;
  TContentHost Box;  // the box window and its size, re-applied at each state change
  TGroupMember* Member = nullptr;

  HDC NormalDC() const { return Normal.DC.get(); }
  HDC HoverDC() const { return Hover.DC ? Hover.DC.get() : Normal.DC.get(); }
  HDC PressedDC() const { return Pressed.DC ? Pressed.DC.get() : Normal.DC.get(); }
  HRGN NormalRgn() const { return Normal.Region.get(); }
  HRGN HoverRgn() const { return Hover.DC ? Hover.Region.get() : Normal.Region.get(); }
  HRGN PressedRgn() const { return Pressed.DC ? Pressed.Region.get() : Normal.Region.get(); }
};

constexpr const char* kShortcutClass = "KestoShortcut";

void CreateShortcuts(TBoxHeader& header, const TContentHost& host, std::unique_ptr<TShortcut>& list);
// Releases the whole list, iteratively: windows from the head to the end while
// every record is intact, then the records.
void DestroyShortcuts(std::unique_ptr<TShortcut>& first);
LRESULT CALLBACK ShortcutWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The record of a shortcut window, kept in the window itself until it is destroyed.
TShortcut* FindShortcutByWindow(HWND window);
void ApplyRegion(HWND window, HRGN region);

}  // namespace kesto
