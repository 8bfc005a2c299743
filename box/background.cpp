#include "box/background.h"

#include "boxfile/text_helpers.h"
#include "module/module_state.h"
#include "module/shell_api.h"

namespace kesto {
namespace {

constexpr DWORD kLayeredStyles = 0x00080000 | 0x00100000;  // WS_EX_LAYERED | WS_EX_NOINHERITLAYOUT
constexpr DWORD kColorKeyOnly = 1;                         // LWA_COLORKEY
constexpr DWORD kColorKeyAndAlpha = 3;                     // LWA_COLORKEY | LWA_ALPHA

bool WantsTiling(const std::string& offsets) { return offsets != "0 0 0 0" && offsets.size() >= 7; }

// Border arithmetic wraps at 32 bits like every other number of the format.
int Wrap(long long value) { return static_cast<int>(static_cast<unsigned>(value & 0xFFFFFFFFll)); }

// The centre tile is (image - borders) in each direction.
SIZE CentreTile(int imageWidth, int imageHeight, int left, int top, int right, int bottom) {
  return {Wrap(static_cast<long long>(imageWidth) - Wrap(static_cast<long long>(right) + left)),
          Wrap(static_cast<long long>(imageHeight) - Wrap(static_cast<long long>(bottom) + top))};
}

// Tiling needs a centre tile at least one pixel wide and high.
bool HasCentreTile(HBITMAP image, const RECT& b) {
  int imageWidth = 0, imageHeight = 0;
  GetLSBitmapSize(image, &imageWidth, &imageHeight);
  SIZE tile = CentreTile(imageWidth, imageHeight, b.left, b.top, b.right, b.bottom);
  return tile.cx > 0 && tile.cy > 0;
}

void Copy(HDC to, int x, int y, int width, int height, HDC from, int fromX, int fromY) {
  BitBlt(to, x, y, width, height, from, fromX, fromY, SRCCOPY);
}

}  // namespace

RECT ReadFourNumbers(const std::string& value) {
  return {ParseInt(GetToken(value, 1)), ParseInt(GetToken(value, 2)), ParseInt(GetToken(value, 3)),
          ParseInt(GetToken(value, 4))};
}

void MakeLayered(HWND window) {
  SetParent(window, nullptr);  // layered windows must be top-level
  LONG style = GetWindowLongA(window, GWL_EXSTYLE);
  SetWindowLongA(window, GWL_EXSTYLE, style | static_cast<LONG>(kLayeredStyles));
}

bool ApplyTranslucency(HWND window, const std::string& value) {
  if (!SetLayeredWindowAttributesProc) return false;
  MakeLayered(window);
  SetLayeredWindowAttributesProc(window, kColorKey, static_cast<BYTE>(ParseInt(value)), kColorKeyAndAlpha);
  return true;
}

void TileBackground(HBITMAP image, int left, int top, int right, int bottom, HWND window, HDC memDC,
                    int width, int height) {
  int imageWidth = 0, imageHeight = 0;
  GetLSBitmapSize(image, &imageWidth, &imageHeight);

  WindowDC windowDC(window);
  OwnedDC scratch(CreateCompatibleDC(windowDC.get()));
  Selection imageInScratch(scratch.get(), image);
  // The picture stays selected into memDC for the box's life.
  HBITMAP picture = CreateCompatibleBitmap(windowDC.get(), width, height);
  if (!picture) return;
  SelectObject(memDC, picture);

  SIZE tile = CentreTile(imageWidth, imageHeight, left, top, right, bottom);
  if (tile.cx <= 0 || tile.cy <= 0) return;
  const int tileWidth = tile.cx;
  const int tileHeight = tile.cy;
  const int countX = width / tileWidth;
  const int countY = height / tileHeight;
  HDC from = scratch.get();

  // Centre, then edges, then corners: later copies draw over the overrun of
  // the repeated tiles so the far borders and corners come out as in the image.
  for (int j = 0; j <= countY; ++j)
    for (int i = 0; i <= countX; ++i)
      Copy(memDC, left + i * tileWidth, top + j * tileHeight, tileWidth, tileHeight, from, left, top);
  for (int i = 0; i <= countX; ++i) {
    Copy(memDC, left + i * tileWidth, 0, tileWidth, top, from, left, 0);
    Copy(memDC, left + i * tileWidth, height - bottom, tileWidth, bottom, from, left, imageHeight - bottom);
  }
  for (int j = 0; j <= countY; ++j) {
    Copy(memDC, 0, top + j * tileHeight, left, tileHeight, from, 0, top);
    Copy(memDC, width - right, top + j * tileHeight, right, tileHeight, from, imageWidth - right, top);
  }
  Copy(memDC, 0, 0, left, top, from, 0, 0);
  Copy(memDC, 0, height - bottom, left, bottom, from, 0, imageHeight - bottom);
  Copy(memDC, width - right, 0, right, top, from, imageWidth - right, 0);
  Copy(memDC, width - right, height - bottom, right, bottom, from, imageWidth - right, imageHeight - bottom);
}

PreparedBackground PrepareBackground(HWND window, HBITMAP image, int width, int height,
                                     const std::string& offsets, bool translucent) {
  PreparedBackground result;
  WindowDC windowDC(window);
  RECT borders = ReadFourNumbers(offsets);
  if (WantsTiling(offsets) && HasCentreTile(image, borders)) {
    result.MemDC.reset(CreateCompatibleDC(windowDC.get()));
    TileBackground(image, borders.left, borders.top, borders.right, borders.bottom, window,
                   result.MemDC.get(), width, height);
    if (!translucent && SetLayeredWindowAttributesProc) {
      MakeLayered(window);
      SetLayeredWindowAttributesProc(window, kColorKey, 0, kColorKeyOnly);
    }
    result.Tiled = true;
    return result;
  }
  if (!translucent) {
    HRGN shape = BitmapToRegion(image, kColorKey, kKeyTolerance, 0, 0);
    SetWindowRgn(window, shape, FALSE);  // the window owns the region from here on
  }
  result.MemDC.reset(CreateCompatibleDC(windowDC.get()));
  SelectObject(result.MemDC.get(), image);
  return result;
}

}  // namespace kesto
