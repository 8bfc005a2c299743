// Reading the pixels of the bitmaps the shell loads, and the top-down 32-bit
// pictures that boxes with per-pixel alpha are composed in.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "base/owned.h"
#include "boxfile/pixels.h"

namespace kesto {

// The layout of every picture Kesto composes or reads pixels in: 32 bits a
// pixel, rows top-down, 0xAARRGGBB each.
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

// Whether the bitmap is a 32-bit image (the shell's PNG) in which some pixel
// has alpha below 255.
bool HasAlphaChannel(HBITMAP bitmap);
// The bitmap's pixels premultiplied, its own alpha kept where it has an
// alpha channel (opaque otherwise), magenta see-through.
TPixels PremultipliedPixels(HBITMAP bitmap);
// The bitmap's pixels as they are, colour not premultiplied; alpha says
// whether it has an alpha channel of its own (every pixel opaque otherwise).
TPixels StraightPixels(HBITMAP bitmap, bool& alpha);

// A top-down 32-bit DIB section of this size, selected into no DC; bits is
// where its pixels lie. None when it cannot be made.
OwnedBitmap MakeDibSection(int width, int height, std::uint32_t*& bits);
// A top-down 32-bit DIB section holding these (straight) pixels; none when it cannot be made.
OwnedBitmap BitmapOfPixels(const TPixels& pixels);

// A top-down 32-bit DIB section and a memory DC it is selected into.
struct TDibPicture {
  OwnedBitmap Bitmap;  // declared first: released after the DC that holds it
  OwnedDC DC;
  std::uint32_t* Bits = nullptr;
  int Width = 0;
  int Height = 0;
  HGDIOBJ Previous = nullptr;  // what the DC held before: put back before it is freed
  ~TDibPicture();
  TDibPicture() = default;
  TDibPicture(const TDibPicture&) = delete;
  TDibPicture& operator=(const TDibPicture&) = delete;
};
// All pixels 0 (see-through); false when it cannot be made.
bool MakeDibPicture(TDibPicture& picture, int width, int height);
// Copies pixels (their own size) into the picture at (x, y), clipped.
void CopyPixelsInto(TDibPicture& picture, const TPixels& pixels, int x, int y);
// A region of the pixels that are not see-through (alpha above 0), offset by (x, y).
HRGN RegionOfVisiblePixels(const std::uint32_t* pixels, int width, int height, int x = 0, int y = 0);

}  // namespace kesto
