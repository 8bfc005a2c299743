// The box's picture (plain or nine-slice tiled) and the window's shape.
#pragma once

#include <windows.h>

#include <string>

#include "base/owned.h"
#include "base/shell_api.h"

namespace kesto {

struct PreparedBackground {
  OwnedBitmap Composed;  // the tiled picture; none for a plain background
  OwnedDC MemDC;         // holds the picture selected for the box's life
  bool Tiled = false;
};

void MakeLayered(HWND window);
bool ApplyTranslucency(HWND window, const std::string& value);
// Composes the tiled picture into memDC, which holds a bitmap of width by height.
void TileBackground(HBITMAP image, int left, int top, int right, int bottom, HDC memDC, HDC windowDC,
                    int width, int height);
PreparedBackground PrepareBackground(HWND window, HBITMAP image, int width, int height,
                                     const std::string& offsets, bool translucent);

}  // namespace kesto
