// Image buttons inside a box: a child window per *Shortcut line with normal,
// hover and pressed images prepared once, a tooltip and a group.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/accessible_object.h"
#include "base/bitmap_pixels.h"
#include "base/owned.h"
#include "boxfile/box_file.h"
#include "content/content_host.h"

namespace kesto {

struct TGroupMember;

// One loaded image: the memory DC it is selected into, and its shape. An
// image is loaded once per box and name, and shared by every shortcut state
// of that box that names it; it is released when its last user goes.
struct TShortcutImage {
  OwnedBitmap Bitmap;  // declared first: released after the DC it is selected into
  OwnedDC DC;
  OwnedRegion Region;
  bool HasAlpha = false;  // a 32-bit image with alpha of its own
  TPixels Pixels;         // premultiplied, where it is blended rather than copied
};
using SharedImage = std::shared_ptr<const TShortcutImage>;

struct TShortcut {
  const TShortcutImage* Current = nullptr;  // the state's image: one of the three below
  HDC CurrentDC = nullptr;   // its DC
  HRGN CurrentRgn = nullptr;
  SharedImage Normal;        // none when the normal image failed to load
  SharedImage Hover;         // none when the normal image stands in for it
  SharedImage Pressed;
  HWND Window = nullptr;
  HWND Tooltip = nullptr;  // the window its tool is registered under, until it is removed
  std::int32_t X = 0;
  std::int32_t Y = 0;
  std::int32_t Height = 0;
  std::int32_t Width = 0;
  std::uint8_t State = 0;  // 0 normal, 1 hover, 2 pressed
  std::string Command;
  bool Focused = false;   // it has the keyboard (!KestoFocus): drawn inverted, which shows on any background
  std::string Tip;        // its tooltip text: what a screen reader calls it
  std::string ImageName;  // its normal image as the line names it: the name when it has no tooltip
  std::unique_ptr<TShortcut> Next;
  TContentHost Box;  // the box window and its size, re-applied at each state change
  TGroupMember* Member = nullptr;

  const TShortcutImage* NormalImage() const { return Normal.get(); }
  const TShortcutImage* HoverImage() const { return Hover ? Hover.get() : Normal.get(); }
  const TShortcutImage* PressedImage() const { return Pressed ? Pressed.get() : Normal.get(); }
  static HDC DCOf(const TShortcutImage* image) { return image ? image->DC.get() : nullptr; }
  static HRGN RegionOf(const TShortcutImage* image) { return image ? image->Region.get() : nullptr; }
};

constexpr const char* kShortcutClass = "KestoShortcut";

void CreateShortcuts(TBoxHeader& header, const TContentHost& host, std::unique_ptr<TShortcut>& list);
// Releases the whole list, iteratively: tools, images and groups (and any
// window still there) from the head to the end while every record is
// intact, then the records. Called once the box window has taken the
// buttons' windows down with it.
void DestroyShortcuts(std::unique_ptr<TShortcut>& first);
LRESULT CALLBACK ShortcutWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Marks the button as the one that has the keyboard, or clears the mark;
// shows the change at once.
void SetShortcutFocus(TShortcut& s, bool focused);
// What a screen reader reads of a button: a push button named by its tooltip
// (else its image's name), pressed by its default action as by a click.
const TAccessibleSource& ShortcutAccessibility();
// The record of a shortcut window, kept in the window itself until it is destroyed.
TShortcut* FindShortcutByWindow(HWND window);
void ApplyRegion(HWND window, HRGN region);
// Whether the shortcut's window is shown (within its box, shown or not).
bool ShortcutShown(const TShortcut& shortcut);

}  // namespace kesto
