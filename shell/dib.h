// The one bitmap layout the stand-in reads and writes pixels in: 32 bits a
// pixel, rows top-down, 0x00RRGGBB each.
#pragma once

#include <windows.h>

namespace standin {

inline BITMAPINFO TopDown32BitInfo(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace standin
