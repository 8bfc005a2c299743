// What a box costs, counted rather than timed: the copies of a tiled
// background, the images and regions a box loads, and the messages an idle
// desktop sends Kesto's windows.
#include <windows.h>

#include <vector>

#include "base/command_queue.h"
#include "tests/win/import_counter.h"
#include "shell/dib.h"
#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

class CostTest : public KestoTest {};

std::vector<std::uint32_t> PixelsOf(HBITMAP bitmap, int width, int height) {
  BITMAPINFO info = standin::TopDown32BitInfo(width, height);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return pixels;
}

// The tiled picture as copying one tile at a time makes it.
std::vector<std::uint32_t> TileByTile(HBITMAP image, int iw, int ih, int l, int t, int r, int b, int width,
                                      int height) {
  HDC screen = GetDC(nullptr);
  HDC from = CreateCompatibleDC(screen);
  HDC to = CreateCompatibleDC(screen);
  HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ oldFrom = SelectObject(from, image);
  HGDIOBJ oldTo = SelectObject(to, picture);
  const int tw = iw - r - l, th = ih - b - t, nx = width / tw, ny = height / th;
  auto copy = [&](int x, int y, int w, int h, int fx, int fy) { BitBlt(to, x, y, w, h, from, fx, fy, SRCCOPY); };
  for (int j = 0; j <= ny; ++j)
    for (int i = 0; i <= nx; ++i) copy(l + i * tw, t + j * th, tw, th, l, t);
  for (int i = 0; i <= nx; ++i) {
    copy(l + i * tw, 0, tw, t, l, 0);
    copy(l + i * tw, height - b, tw, b, l, ih - b);
  }
  for (int j = 0; j <= ny; ++j) {
    copy(0, t + j * th, l, th, 0, t);
    copy(width - r, t + j * th, r, th, iw - r, t);
  }
  copy(0, 0, l, t, 0, 0);
  copy(0, height - b, l, b, 0, ih - b);
  copy(width - r, 0, r, t, iw - r, 0);
  copy(width - r, height - b, r, b, iw - r, ih - b);
  SelectObject(from, oldFrom);
  SelectObject(to, oldTo);
  DeleteDC(from);
  DeleteDC(to);
  ReleaseDC(nullptr, screen);
  std::vector<std::uint32_t> pixels = PixelsOf(picture, width, height);
  DeleteObject(picture);
  return pixels;
}

TEST_F(CostTest, TilingByDoublingGivesThePixelsOfTileByTileCopying) {
  struct Case {
    int imageWidth, imageHeight, left, top, right, bottom, width, height;
  };
  const Case cases[] = {
      {12, 12, 5, 5, 6, 6, 200, 150},     // a one-pixel centre tile
      {20, 16, 3, 2, 4, 5, 123, 77},      // sizes that are no multiple of the tile
      {20, 16, 0, 0, 0, 1, 64, 64},       // no left or top border
      {30, 30, 4, 4, 20, 20, 15, 12},     // borders wider than the box
      {9, 9, 2, 2, 2, 2, 1024, 768},      // a whole screen of 5-pixel tiles
  };
  for (const Case& c : cases) {
    std::string bmp = WriteBmp("tile.bmp", c.imageWidth, c.imageHeight,
                               [](int x, int y) { return RGB(x * 8 + 1, y * 8 + 1, (x * 7 + y * 3) & 255); });
    kesto::TBox& box = StartWithBox("KestoName T\r\nKestoBackGround " + bmp + "\r\nKestoWidth " +
                                    std::to_string(c.width) + "\r\nKestoHeight " + std::to_string(c.height) +
                                    "\r\nKestoBackgroundOffs " + std::to_string(c.left) + " " +
                                    std::to_string(c.top) + " " + std::to_string(c.right) + " " +
                                    std::to_string(c.bottom) + "\r\n");
    ASSERT_TRUE(kesto::HasFlag(box.Flags, kesto::BoxTiled));
    std::vector<std::uint32_t> made = PixelsOf(box.Picture.get(), c.width, c.height);
    std::vector<std::uint32_t> expected = TileByTile(box.BackBitmap.get(), c.imageWidth, c.imageHeight, c.left,
                                                     c.top, c.right, c.bottom, c.width, c.height);
    EXPECT_TRUE(made == expected) << c.width << "x" << c.height << " with a " << c.imageWidth << "px image";
    Stop();
  }
}

TEST_F(CostTest, ShortcutsThatShareImagesLoadEachOnce) {
  for (const char* name : {"n.bmp", "h.bmp", "p.bmp"}) WriteSolidBmp(name, 8, 8, RGB(200, 10, 10));
  std::string lines;
  for (int i = 0; i < 20; ++i) lines += "*Shortcut t " + std::to_string(i * 9) + " 0 n.bmp h.bmp p.bmp !x\r\n";
  std::string path = WriteText("share.box", "KestoName Share\r\nKestoWidth 200\r\nKestoHeight 20\r\n" + lines);
  int images = StandInCounter("LoadLSImage");
  int regions = StandInCounter("BitmapToRegion");
  Start({"LSImageFolder " + dir_, "*KestoCreate " + path});
  ASSERT_EQ(CountBoxes(), 1);
  ASSERT_NE(kesto::BoxList->Shortcuts->Normal, nullptr);
  // The background (missing here) and three distinct images, whatever the number of buttons.
  EXPECT_EQ(StandInCounter("LoadLSImage") - images, 1 + 3);
  EXPECT_EQ(StandInCounter("BitmapToRegion") - regions, 1 + 3);
  Stop();
  // A second box loads its own: a reload always shows the file as it is now.
  Start({"LSImageFolder " + dir_, "*KestoCreate " + path});
  EXPECT_EQ(StandInCounter("LoadLSImage") - images, 2 * (1 + 3));
}

using BitBltFn = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, DWORD);
using CombineRgnFn = int(WINAPI*)(HRGN, HRGN, HRGN, int);
BitBltFn RealBitBlt = nullptr;
CombineRgnFn RealCombineRgn = nullptr;
int Copies = 0, RegionCopies = 0;
BOOL WINAPI CountingBitBlt(HDC to, int x, int y, int w, int h, HDC from, int fx, int fy, DWORD rop) {
  ++Copies;
  return RealBitBlt(to, x, y, w, h, from, fx, fy, rop);
}
int WINAPI CountingCombineRgn(HRGN to, HRGN a, HRGN b, int mode) {
  ++RegionCopies;
  return RealCombineRgn(to, a, b, mode);
}

TEST_F(CostTest, AHoverChangeIsOneCopyOfItsPictureAndOneOfItsShape) {
  for (const char* name : {"n.bmp", "h.bmp", "p.bmp"}) WriteSolidBmp(name, 20, 20, RGB(200, 10, 10));
  Start({"LSImageFolder " + dir_,
         "*KestoCreate " + WriteText("h.box", "KestoName Hover\r\nKestoWidth 100\r\nKestoHeight 40\r\n"
                                              "KestoX 100\r\nKestoY 100\r\nKestoAlwaysOnTop\r\n"
                                              "*Shortcut t 10 10 n.bmp h.bmp p.bmp !x\r\n")});
  standin::Pump(200);
  RealBitBlt = reinterpret_cast<BitBltFn>(RedirectImport("gdi32.dll", "BitBlt", reinterpret_cast<void*>(CountingBitBlt)));
  RealCombineRgn = reinterpret_cast<CombineRgnFn>(
      RedirectImport("gdi32.dll", "CombineRgn", reinterpret_cast<void*>(CountingCombineRgn)));
  ASSERT_TRUE(RealBitBlt && RealCombineRgn);
  Copies = RegionCopies = 0;
  MouseTo(120, 120);
  int hoverCopies = Copies, hoverRegions = RegionCopies;
  RedirectImport("gdi32.dll", "BitBlt", reinterpret_cast<void*>(RealBitBlt));
  RedirectImport("gdi32.dll", "CombineRgn", reinterpret_cast<void*>(RealCombineRgn));
  EXPECT_EQ(kesto::BoxList->Shortcuts->State, 1);
  EXPECT_EQ(hoverRegions, 1);  // the window's own copy of the hover shape
  EXPECT_EQ(hoverCopies, 1);   // the button's paint from its prepared picture
}

int KestoMessages = 0;
bool IsKestoWindow(HWND window) {
  std::string name = standin::ClassNameOf(window);
  return name == "KestoClass" || name == "KestoShortcut" || name == "KestoModule" || name == "CommandClass";
}
LRESULT CALLBACK CountSent(int code, WPARAM wParam, LPARAM lParam) {
  if (code >= 0 && IsKestoWindow(reinterpret_cast<CWPSTRUCT*>(lParam)->hwnd)) ++KestoMessages;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
LRESULT CALLBACK CountPosted(int code, WPARAM wParam, LPARAM lParam) {
  if (code >= 0 && wParam == PM_REMOVE && IsKestoWindow(reinterpret_cast<MSG*>(lParam)->hwnd)) ++KestoMessages;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(CostTest, AnIdleDesktopSendsKestoNothing) {
  for (const char* name : {"n.bmp", "h.bmp", "p.bmp"}) WriteSolidBmp(name, 8, 8, RGB(200, 10, 10));
  StartWithBox("KestoName Idle\r\nKestoWidth 100\r\nKestoHeight 20\r\nKestoX 100\r\nKestoY 100\r\n"
               "*Shortcut t 0 0 n.bmp h.bmp p.bmp !x\r\n*Text 30 2 idle\r\n");
  standin::Pump(300);
  HHOOK sent = SetWindowsHookExA(WH_CALLWNDPROC, CountSent, nullptr, GetCurrentThreadId());
  HHOOK posted = SetWindowsHookExA(WH_GETMESSAGE, CountPosted, nullptr, GetCurrentThreadId());
  KestoMessages = 0;
  standin::Pump(2000);
  UnhookWindowsHookEx(sent);
  UnhookWindowsHookEx(posted);
  EXPECT_EQ(KestoMessages, 0);  // no timer, no polling, nothing
}

}  // namespace
}  // namespace kestotest
