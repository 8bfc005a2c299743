// The box that content is built into, as the content builders see it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/file_fingerprint.h"
#include "boxfile/scale.h"

namespace kesto {

// A *Text label as a screen reader reads it: its text, and where it is drawn in the box.
struct TLabel {
  std::string Text;
  RECT Rect{};
};

struct TContentHost {
  HWND Window = nullptr;  // the box window: parent of shortcuts and plug-ins
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  HDC MemDC = nullptr;  // the box's picture, which labels are drawn into
  WatchedFiles* Sources = nullptr;  // where the files of the images loaded are noted, when asked
  // For a box whose picture is composed with per-pixel alpha (its child
  // windows are not drawn): asks it to compose and show its picture again,
  // within this area of it (none: all of it).
  void (*Recompose)(HWND box, const RECT* area) = nullptr;
  std::vector<TLabel>* Labels = nullptr;  // where the labels drawn are noted, when asked
  TScale Scale;  // the box's scale: its content's numbers and images are drawn at it
};

}  // namespace kesto
