#include "box/background.h"
#include "box/box.h"

#include <algorithm>

#include "boxfile/box_rules.h"
#include "boxfile/text_helpers.h"
#include "base/module_state.h"
#include "base/shell_api.h"

namespace kesto {
namespace {

constexpr DWORD kLayeredStyles = 0x00080000 | 0x00100000;  // WS_EX_LAYERED | WS_EX_NOINHERITLAYOUT
constexpr DWORD kColorKeyOnly = 1;                         // LWA_COLORKEY
constexpr DWORD kColorKeyAndAlpha = 3;                     // LWA_COLORKEY | LWA_ALPHA

// Tiling needs a centre tile at least one pixel wide and high.
bool TilesImage(HBITMAP image, const std::string& offsets) {
  int imageWidth = 0, imageHeight = 0;
  GetLSBitmapSize(image, &imageWidth, &imageHeight);
  return TilesBackground(offsets, imageWidth, imageHeight);
}

void Copy(HDC to, int x, int y, int width, int height, HDC from, int fromX, int fromY) {
  BitBlt(to, x, y, width, height, from, fromX, fromY, SRCCOPY);
}

// Copies a piece of the image count times in each direction, side by side,
// from (x, y) on: the pieces that tile-by-tile copying would draw, clipped to
// the picture. One copy comes from the image; the rest are copies of what is
// already in the picture, doubling each time, so the number of copies grows
// with the logarithm of the count, not with the count.
struct Repeat {
  int x, y;           // where the first piece goes
  int width, height;  // of one piece
  int fromX, fromY;   // the piece in the image
  int countX, countY;
};

bool CanDouble(const Repeat& r) { return (r.countX <= 1 || r.x >= 0) && (r.countY <= 1 || r.y >= 0); }

void CopyRepeated(HDC to, HDC image, Repeat r, int pictureWidth, int pictureHeight) {
  if (r.width <= 0 || r.height <= 0 || r.countX <= 0 || r.countY <= 0) return;
  if (!CanDouble(r)) {
    for (int j = 0; j < r.countY; ++j)
      for (int i = 0; i < r.countX; ++i)
        Copy(to, r.x + i * r.width, r.y + j * r.height, r.width, r.height, image, r.fromX, r.fromY);
    return;
  }
  // A single piece in a direction is clipped by moving its source instead.
  if (r.countX == 1 && r.x < 0) {
    r.fromX -= r.x;
    r.width += r.x;
    r.x = 0;
  }
  if (r.countY == 1 && r.y < 0) {
    r.fromY -= r.y;
    r.height += r.y;
    r.y = 0;
  }
  const long long fullWidth = static_cast<long long>(r.width) * r.countX;
  const long long fullHeight = static_cast<long long>(r.height) * r.countY;
  const int totalWidth = static_cast<int>(std::min<long long>(fullWidth, pictureWidth - static_cast<long long>(r.x)));
  const int totalHeight =
      static_cast<int>(std::min<long long>(fullHeight, pictureHeight - static_cast<long long>(r.y)));
  if (totalWidth <= 0 || totalHeight <= 0) return;
  const int rowHeight = std::min(r.height, totalHeight);
  Copy(to, r.x, r.y, std::min(r.width, totalWidth), rowHeight, image, r.fromX, r.fromY);
  for (int done = r.width; done < totalWidth;) {
    int more = std::min(done, totalWidth - done);
    Copy(to, r.x + done, r.y, more, rowHeight, to, r.x, r.y);
    done += more;
  }
  for (int done = r.height; done < totalHeight;) {
    int more = std::min(done, totalHeight - done);
    Copy(to, r.x, r.y + done, totalWidth, more, to, r.x, r.y);
    done += more;
  }
}

}  // namespace

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

void TileBackground(HBITMAP image, int left, int top, int right, int bottom, HDC memDC, HDC windowDC,
                    int width, int height) {
  int imageWidth = 0, imageHeight = 0;
  GetLSBitmapSize(image, &imageWidth, &imageHeight);
  OwnedDC scratch(CreateCompatibleDC(windowDC));
  Selection imageInScratch(scratch.get(), image);

  const TTile centre = CentreTile(imageWidth, imageHeight, {left, top, right, bottom});
  const SIZE tile{centre.Width, centre.Height};
  if (tile.cx <= 0 || tile.cy <= 0) return;
  const int across = width / tile.cx + 1;
  const int down = height / tile.cy + 1;
  HDC from = scratch.get();
  auto repeat = [&](Repeat r) { CopyRepeated(memDC, from, r, width, height); };

  // Centre, then edges, then corners: later copies draw over the overrun of
  // the repeated tiles so the far borders and corners come out as in the image.
  repeat({left, top, tile.cx, tile.cy, left, top, across, down});
  repeat({left, 0, tile.cx, top, left, 0, across, 1});
  repeat({left, height - bottom, tile.cx, bottom, left, imageHeight - bottom, across, 1});
  repeat({0, top, left, tile.cy, 0, top, 1, down});
  repeat({width - right, top, right, tile.cy, imageWidth - right, top, 1, down});
  Copy(memDC, 0, 0, left, top, from, 0, 0);
  Copy(memDC, 0, height - bottom, left, bottom, from, 0, imageHeight - bottom);
  Copy(memDC, width - right, 0, right, top, from, imageWidth - right, 0);
  Copy(memDC, width - right, height - bottom, right, bottom, from, imageWidth - right, imageHeight - bottom);
}

PreparedBackground PrepareBackground(HWND window, HBITMAP image, int width, int height,
                                     const std::string& offsets, bool translucent) {
  PreparedBackground result;
  WindowDC windowDC(window);
  RECT borders = AsRect(ReadFourNumbers(offsets));
  result.MemDC.reset(CreateCompatibleDC(windowDC.get()));
  if (TilesImage(image, offsets)) {
    // The composed picture stays selected into MemDC for the box's life.
    result.Composed.reset(CreateCompatibleBitmap(windowDC.get(), width, height));
    if (result.Composed) {
      SelectObject(result.MemDC.get(), result.Composed.get());
      TileBackground(image, borders.left, borders.top, borders.right, borders.bottom, result.MemDC.get(),
                     windowDC.get(), width, height);
    }
    if (!translucent && SetLayeredWindowAttributesProc) {
      MakeLayered(window);
      SetLayeredWindowAttributesProc(window, kColorKey, 0, kColorKeyOnly);
    }
    result.Tiled = true;
    return result;
  }
  if (!translucent) {
    OwnedRegion shape(BitmapToRegion(image, kColorKey, kKeyTolerance, 0, 0));
    // The window owns the region once it takes it; a refused one stays ours.
    if (shape && SetWindowRgn(window, shape.get(), FALSE)) shape.release();
  }
  SelectObject(result.MemDC.get(), image);
  return result;
}

}  // namespace kesto
