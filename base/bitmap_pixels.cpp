#include "base/bitmap_pixels.h"

#include <cstring>

#include "boxfile/premultiplied.h"

namespace kesto {
namespace {

// A 32-bit DIB section (the shell's PNG): its alpha byte is the image's.
bool ThirtyTwoBitSection(HBITMAP bitmap, DIBSECTION& section) {
  if (!bitmap || GetObjectA(bitmap, sizeof section, &section) != sizeof section) return false;
  return section.dsBm.bmBitsPixel == 32 && section.dsBm.bmBits && section.dsBmih.biCompression == BI_RGB;
}

// Row y (from the top) of such a section's bits, bottom-up or top-down as stored.
const std::uint32_t* SectionRow(const DIBSECTION& section, int y) {
  const bool bottomUp = section.dsBmih.biHeight > 0;
  const int stored = bottomUp ? section.dsBm.bmHeight - 1 - y : y;
  return reinterpret_cast<const std::uint32_t*>(static_cast<const unsigned char*>(section.dsBm.bmBits) +
                                                static_cast<std::size_t>(stored) * section.dsBm.bmWidthBytes);
}

// Read where the pixels lie: every image a box loads is looked at, so no copy.
bool AnyTranslucent(const DIBSECTION& section) {
  GdiFlush();
  for (int y = 0; y < section.dsBm.bmHeight; ++y) {
    const std::uint32_t* row = SectionRow(section, y);
    for (int x = 0; x < section.dsBm.bmWidth; ++x)
      if (AlphaOf(row[x]) != 255) return true;
  }
  return false;
}

void CopySection(const DIBSECTION& section, TPixels& out) {
  out.Width = section.dsBm.bmWidth;
  out.Height = section.dsBm.bmHeight;
  out.Data.resize(static_cast<std::size_t>(out.Width) * out.Height);
  for (int y = 0; y < out.Height; ++y)
    std::memcpy(&out.Data[static_cast<std::size_t>(y) * out.Width], SectionRow(section, y),
                static_cast<std::size_t>(out.Width) * 4);
}

// Any other bitmap, through GDI: opaque.
bool ReadOpaque(HBITMAP bitmap, TPixels& out) {
  BITMAP info{};
  if (!GetObjectA(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return false;
  out.Width = info.bmWidth;
  out.Height = info.bmHeight;
  out.Data.assign(static_cast<std::size_t>(out.Width) * out.Height, 0);
  BITMAPINFO format = TopDown32BitInfo(out.Width, out.Height);
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(out.Height), out.Data.data(), &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (std::uint32_t& pixel : out.Data) pixel |= 0xFF000000u;
  return rows == out.Height;
}

}  // namespace

bool HasAlphaChannel(HBITMAP bitmap) {
  DIBSECTION section{};
  return ThirtyTwoBitSection(bitmap, section) && AnyTranslucent(section);
}

TPixels StraightPixels(HBITMAP bitmap, bool& alpha) {
  TPixels pixels;
  alpha = false;
  if (!bitmap) return pixels;
  DIBSECTION section{};
  if (ThirtyTwoBitSection(bitmap, section) && AnyTranslucent(section)) {
    CopySection(section, pixels);
    alpha = true;
  } else if (!ReadOpaque(bitmap, pixels)) {
    return {};
  }
  return pixels;
}

TPixels PremultipliedPixels(HBITMAP bitmap) {
  bool alpha = false;
  TPixels pixels = StraightPixels(bitmap, alpha);
  for (std::uint32_t& pixel : pixels.Data) pixel = Premultiply(pixel);
  return pixels;
}

OwnedBitmap BitmapOfPixels(const TPixels& pixels) {
  std::uint32_t* bits = nullptr;
  if (pixels.Width <= 0 || pixels.Height <= 0) return OwnedBitmap();
  OwnedBitmap bitmap = MakeDibSection(pixels.Width, pixels.Height, bits);
  if (bitmap) std::memcpy(bits, pixels.Data.data(), pixels.Data.size() * 4);
  return bitmap;
}

TDibPicture::~TDibPicture() {
  if (DC && Previous) SelectObject(DC.get(), Previous);
}

OwnedBitmap MakeDibSection(int width, int height, std::uint32_t*& bits) {
  BITMAPINFO info = TopDown32BitInfo(width, height);
  void* memory = nullptr;
  OwnedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0));
  bits = static_cast<std::uint32_t*>(memory);
  if (!bits) bitmap.reset();
  return bitmap;
}

bool MakeDibPicture(TDibPicture& picture, int width, int height) {
  if (width <= 0 || height <= 0) return false;
  std::uint32_t* bits = nullptr;
  picture.Bitmap = MakeDibSection(width, height, bits);
  if (!picture.Bitmap) return false;
  picture.DC.reset(CreateCompatibleDC(nullptr));
  if (!picture.DC) return false;
  picture.Previous = SelectObject(picture.DC.get(), picture.Bitmap.get());
  picture.Bits = bits;
  picture.Width = width;
  picture.Height = height;
  std::memset(bits, 0, static_cast<std::size_t>(width) * height * 4);
  return true;
}

void CopyPixelsInto(TDibPicture& picture, const TPixels& pixels, int x, int y) {
  GdiFlush();
  for (int row = 0; row < pixels.Height; ++row) {
    const int to = y + row;
    if (to < 0 || to >= picture.Height) continue;
    for (int column = 0; column < pixels.Width; ++column) {
      const int at = x + column;
      if (at < 0 || at >= picture.Width) continue;
      picture.Bits[static_cast<std::size_t>(to) * picture.Width + at] =
          pixels.Data[static_cast<std::size_t>(row) * pixels.Width + column];
    }
  }
}

HRGN RegionOfVisiblePixels(const std::uint32_t* pixels, int width, int height, int x, int y) {
  std::vector<RECT> rects;
  for (int row = 0; row < height; ++row) {
    const std::uint32_t* line = pixels + static_cast<std::size_t>(row) * width;
    for (int column = 0; column < width;) {
      while (column < width && AlphaOf(line[column]) == 0) ++column;
      const int start = column;
      while (column < width && AlphaOf(line[column]) != 0) ++column;
      if (column > start) rects.push_back({start + x, row + y, column + x, row + y + 1});
    }
  }
  std::vector<char> data(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
  auto* region = reinterpret_cast<RGNDATA*>(data.data());
  region->rdh.dwSize = sizeof(RGNDATAHEADER);
  region->rdh.iType = RDH_RECTANGLES;
  region->rdh.nCount = static_cast<DWORD>(rects.size());
  region->rdh.rcBound = {x, y, x + width, y + height};
  if (!rects.empty()) std::memcpy(region->Buffer, rects.data(), rects.size() * sizeof(RECT));
  return ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), region);
}

}  // namespace kesto
