// The box's picture (plain or nine-slice tiled) and the window's shape.
#pragma once

#include <windows.h>

#include <string>

#include "module/owned.h"

namespace kesto {

constexpr COLORREF kColorKey = 0x00FF00FF;   // magenta is see-through everywhere
constexpr COLORREF kKeyTolerance = 0x101010;

struct PreparedBackground {
  OwnedDC MemDC;  // holds the picture selected for the box's life
  bool Tiled = false;
};

// Left, top, right, bottom from the first four tokens; a missing one reads as 0.
RECT ReadFourNumbers(const std::string& value);

void MakeLayered(HWND window);
bool ApplyTranslucency(HWND window, const std::string& value);
void TileBackground(HBITMAP image, int left, int top, int right, int bottom, HWND window, HDC memDC,
                    int width, int height);
PreparedBackground PrepareBackground(HWND window, HBITMAP image, int width, int height,
                                     const std::string& offsets, bool translucent);

}  // namespace kesto
