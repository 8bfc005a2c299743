// Boxes whose background has an alpha channel: a layered window shown with
// UpdateLayeredWindow from a premultiplied picture that holds the buttons and
// labels too; see-through pixels let clicks through.
#include <windows.h>

#include <stb/stb_image_write.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "shell/standin.h"
#include "tests/win/fixture.h"
#include "tests/win/import_counter.h"
#include "tools/preview/preview.h"

namespace kestotest {
namespace {

// A straight RGBA pixel, as an author's art holds it.
struct Rgba {
  std::uint8_t r, g, b, a;
};
using RgbaFn = std::function<Rgba(int x, int y)>;

// The blend computed here, independently of Kesto: premultiplied, then source over.
std::uint32_t Premultiplied(Rgba p) {
  if (p.a == 0 || (p.r >= 0xEF && p.g <= 0x10 && p.b >= 0xEF)) return 0;
  auto scale = [&](int c) { return static_cast<std::uint32_t>((c * p.a + 127) / 255); };
  return (std::uint32_t{p.a} << 24) | (scale(p.r) << 16) | (scale(p.g) << 8) | scale(p.b);
}
std::uint32_t SourceOver(std::uint32_t s, std::uint32_t d) {
  const std::uint32_t keep = 255 - (s >> 24);
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    std::uint32_t value = ((s >> shift) & 255) + ((((d >> shift) & 255) * keep + 127) / 255);
    out |= (value > 255 ? 255 : value) << shift;
  }
  return out;
}

int BlueWindowClicks = 0;
LRESULT CALLBACK BlueWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN) ++BlueWindowClicks;
  return DefWindowProcA(window, message, wParam, lParam);
}

int UpdateLayeredCalls = 0;
decltype(&UpdateLayeredWindow) RealUpdateLayered = nullptr;
BOOL WINAPI CountingUpdateLayered(HWND w, HDC d, POINT* p, SIZE* s, HDC src, POINT* sp, COLORREF k, BLENDFUNCTION* b,
                                  DWORD f) {
  ++UpdateLayeredCalls;
  return RealUpdateLayered(w, d, p, s, src, sp, k, b, f);
}

// A partial update, and the part it names.
RECT LastDirty{};
decltype(&UpdateLayeredWindowIndirect) RealUpdateIndirect = nullptr;
BOOL WINAPI CountingUpdateIndirect(HWND w, const UPDATELAYEREDWINDOWINFO* info) {
  ++UpdateLayeredCalls;
  LastDirty = info->prcDirty ? *info->prcDirty : RECT{-1, -1, -1, -1};
  return RealUpdateIndirect(w, info);
}

class AlphaBoxTest : public KestoTest {
 protected:
  void SetUp() override {
    KestoTest::SetUp();
    RealUpdateLayered = reinterpret_cast<decltype(&UpdateLayeredWindow)>(
        RedirectImport("user32.dll", "UpdateLayeredWindow", reinterpret_cast<void*>(CountingUpdateLayered)));
    RealUpdateIndirect = reinterpret_cast<decltype(&UpdateLayeredWindowIndirect)>(RedirectImport(
        "user32.dll", "UpdateLayeredWindowIndirect", reinterpret_cast<void*>(CountingUpdateIndirect)));
  }
  void TearDown() override {
    if (behind_) DestroyWindow(behind_);
    if (RealUpdateLayered) RedirectImport("user32.dll", "UpdateLayeredWindow", reinterpret_cast<void*>(RealUpdateLayered));
    if (RealUpdateIndirect)
      RedirectImport("user32.dll", "UpdateLayeredWindowIndirect", reinterpret_cast<void*>(RealUpdateIndirect));
    KestoTest::TearDown();
  }
  std::string WritePng(const std::string& name, int width, int height, const RgbaFn& pixel) {
    std::vector<unsigned char> rgba;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        Rgba p = pixel(x, y);
        rgba.insert(rgba.end(), {p.r, p.g, p.b, p.a});
      }
    EXPECT_TRUE(stbi_write_png(Path(name).c_str(), width, height, 4, rgba.data(), width * 4));
    return Path(name);
  }
  // A plain blue window where the box will stand, below it.
  void BlueWindowBehind(int x, int y, int width, int height) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = BlueWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = CreateSolidBrush(RGB(0, 0, 255));
    wc.lpszClassName = "AlphaTestBehind";
    RegisterClassA(&wc);
    behind_ = CreateWindowExA(WS_EX_TOOLWINDOW, "AlphaTestBehind", "", WS_POPUP | WS_VISIBLE, x, y, width, height,
                              nullptr, nullptr, wc.hInstance, nullptr);
    standin::Pump(50);
    BlueWindowClicks = 0;
  }
  // The box's picture as it shows it: premultiplied, with alpha.
  static std::vector<std::uint32_t> Composed(HWND box, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, dib);
    SendMessageA(box, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    std::vector<std::uint32_t> pixels(static_cast<std::uint32_t*>(bits),
                                      static_cast<std::uint32_t*>(bits) + width * height);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(dib);
    return pixels;
  }
  HWND behind_ = nullptr;
};

// Left half red at alpha 128, then columns of nothing (alpha 0 over a stored
// black), of opaque green, and of opaque magenta.
Rgba Badge(int x, int) {
  if (x < 20) return {255, 0, 0, 128};
  if (x < 28) return {0, 0, 0, 0};
  if (x < 34) return {0, 200, 0, 255};
  return {255, 0, 255, 255};
}

TEST_F(AlphaBoxTest, TheScreenShowsThePremultipliedPictureAndTheDesktopWhereItIsSeeThrough) {
  WritePng("badge.png", 40, 30, Badge);
  BlueWindowBehind(190, 190, 100, 60);
  StartWithBox("KestoName Badge\r\nKestoBackGround " + Path("badge.png") + "\r\nKestoX 200\r\nKestoY 200\r\n");
  HWND box = BoxWindow("Badge");
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_LAYERED);
  // Shown by UpdateLayeredWindow alone: SetLayeredWindowAttributes was never called on it.
  BYTE alpha = 0;
  EXPECT_FALSE(GetLayeredWindowAttributes(box, nullptr, &alpha, nullptr));
  EXPECT_EQ(ScreenPixel(205, 210), RGB(128, 0, 0));   // Wine shows the premultiplied colour
  EXPECT_EQ(ScreenPixel(223, 210), RGB(0, 0, 255));   // alpha 0: the window behind
  EXPECT_EQ(ScreenPixel(230, 210), RGB(0, 200, 0));
  EXPECT_EQ(ScreenPixel(237, 210), RGB(0, 0, 255));   // magenta: see-through too
  std::vector<std::uint32_t> picture = Composed(box, 40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(picture[y * 40 + x], Premultiplied(Badge(x, y))) << x << "," << y;
  // A click on a see-through pixel reaches the window below; on the picture it does not.
  LeftClickAt(223, 210);
  EXPECT_EQ(BlueWindowClicks, 1);
  LeftClickAt(205, 210);
  EXPECT_EQ(BlueWindowClicks, 1);
}

Rgba Button(int x, int y) {
  const bool corner = (x < 2 || x > 9) && (y < 2 || y > 9);
  return corner ? Rgba{0, 0, 0, 0} : Rgba{255, 255, 255, 200};
}
Rgba HoverButton(int x, int y) {
  Rgba p = Button(x, y);
  return p.a ? Rgba{255, 255, 0, 160} : p;
}
Rgba Glass(int, int) { return {0, 0, 160, 96}; }

TEST_F(AlphaBoxTest, ButtonsAreBlendedIntoThePictureAndBehaveAsButtons) {
  WritePng("glass.png", 60, 40, Glass);
  WritePng("b.png", 12, 12, Button);
  WritePng("bh.png", 12, 12, HoverButton);
  StartWithBox("KestoName Glass\r\nKestoBackGround " + Path("glass.png") + "\r\nKestoX 300\r\nKestoY 300\r\n"
               "*Shortcut \"Tip\" 10 10 " + Path("b.png") + " " + Path("bh.png") + " " + Path("b.png") +
               " #4 !clicked\r\n*Shortcut below 14 10 " + Path("bh.png") + " " + Path("bh.png") + " " +
               Path("bh.png") + " !below\r\n");
  HWND box = BoxWindow("Glass");
  ASSERT_NE(box, nullptr);
  auto expectButton = [&](const RgbaFn& image, const char* what) {
    std::vector<std::uint32_t> picture = Composed(box, 60, 40);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 60; ++x) {
        std::uint32_t expected = Premultiplied(Glass(x, y));
        // The second line lies below the first, which is drawn over it.
        if (x >= 14 && x < 26 && y >= 10 && y < 22) expected = SourceOver(Premultiplied(HoverButton(x - 14, y - 10)), expected);
        if (image && x >= 10 && x < 22 && y >= 10 && y < 22) expected = SourceOver(Premultiplied(image(x - 10, y - 10)), expected);
        ASSERT_EQ(picture[y * 60 + x], expected) << what << " at " << x << "," << y;
      }
  };
  expectButton(Button, "normal");
  UpdateLayeredCalls = 0;
  MouseTo(315, 315);
  EXPECT_EQ(UpdateLayeredCalls, 1);  // one composition per change, of the button's part alone
  EXPECT_EQ(LastDirty.left, 10);
  EXPECT_EQ(LastDirty.top, 10);
  EXPECT_EQ(LastDirty.right, 22);
  EXPECT_EQ(LastDirty.bottom, 22);
  expectButton(HoverButton, "hover");
  // The region still has every visible pixel and none of the see-through ones.
  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(box, shape), ERROR);
  EXPECT_TRUE(PtInRegion(shape, 15, 15));
  EXPECT_TRUE(PtInRegion(shape, 1, 1));
  EXPECT_TRUE(PtInRegion(shape, 10, 10));  // a see-through corner of the button, over the glass
  EXPECT_FALSE(PtInRegion(shape, 60, 40));
  DeleteObject(shape);
  LeftClickAt(315, 315);
  EXPECT_EQ(standin::ExecutedCommands(), (std::vector<std::string>{"!clicked"}));
  MouseTo(350, 335);  // off the buttons: back to normal
  standin::Pump(300);
  expectButton(Button, "left");
  Bang("!KestoGroupHide 4");
  expectButton(nullptr, "hidden with its group");
  Bang("!KestoGroupShow 4");
  expectButton(Button, "shown again");
}

// The keyboard's mark shows on an alpha box too: the marked button inverted
// within the picture, premultiplied as the rest.
TEST_F(AlphaBoxTest, TheKeyboardMarkShowsOnAnAlphaBox) {
  WritePng("glass.png", 60, 40, Glass);
  WritePng("b.png", 12, 12, Button);
  StartWithBox("KestoName Glass\r\nKestoBackGround " + Path("glass.png") + "\r\nKestoX 300\r\nKestoY 300\r\n"
               "*Shortcut \"Tip\" 10 10 " + Path("b.png") + " " + Path("b.png") + " " + Path("b.png") + " !clicked\r\n");
  HWND box = BoxWindow("Glass");
  ASSERT_NE(box, nullptr);
  const std::uint32_t before = Composed(box, 60, 40)[15 * 60 + 15];
  Bang("!KestoFocus Glass");
  const std::vector<std::uint32_t> marked = Composed(box, 60, 40);
  const std::uint32_t a = before >> 24;
  EXPECT_EQ(marked[15 * 60 + 15], (a << 24) | ((a - ((before >> 16) & 255)) << 16) |
                                      ((a - ((before >> 8) & 255)) << 8) | (a - (before & 255)));
  EXPECT_EQ(marked[5 * 60 + 5], Premultiplied(Glass(5, 5)));  // outside the button
}

TEST_F(AlphaBoxTest, LabelsComeOutOpaqueInTheirColourOverSeeThroughPixels) {
  WritePng("clear.png", 120, 30, [](int, int) { return Rgba{0, 0, 0, 0}; });
  StartWithBox("KestoName Label\r\nKestoBackGround " + Path("clear.png") + "\r\nKestoX 100\r\nKestoY 400\r\n"
               "KestoFontColor 00C0FF\r\nKestoFontSize 20\r\n*Text 4 4 \"HHHH\"\r\n");
  std::vector<std::uint32_t> picture = Composed(BoxWindow("Label"), 120, 30);
  int opaque = 0;
  for (std::uint32_t pixel : picture) {
    const std::uint32_t a = pixel >> 24;
    if (a == 0) {
      ASSERT_EQ(pixel, 0u);
      continue;
    }
    // The label's colour (red FF, green C0), premultiplied by how much is covered.
    ASSERT_EQ(pixel & 0xFFFFFF, ((255 * a + 127) / 255) << 16 | ((0xC0 * a + 127) / 255) << 8);
    if (a == 255) ++opaque;
  }
  EXPECT_GT(opaque, 20);  // the strokes themselves are opaque, not left at alpha 0
}

TEST_F(AlphaBoxTest, AnAlphaButtonOnAnOrdinaryBoxIsBlendedOverTheBoxBehindIt) {
  WriteSolidBmp("blue.bmp", 60, 40, RGB(0, 0, 255));
  WritePng("soft.png", 12, 12, [](int x, int y) { return x < 6 ? Rgba{255, 0, 0, 128} : y < 6 ? Rgba{0, 0, 0, 0} : Rgba{255, 0, 255, 255}; });
  StartWithBox("KestoName Plain\r\nKestoBackGround " + Path("blue.bmp") + "\r\nKestoX 100\r\nKestoY 100\r\n"
               "*Shortcut t 10 10 " + Path("soft.png") + " " + Path("soft.png") + " " + Path("soft.png") + " !x\r\n");
  HWND box = BoxWindow("Plain");
  EXPECT_FALSE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_LAYERED);  // the ordinary path
  EXPECT_EQ(ScreenPixel(112, 112), RGB(128, 0, 127));  // red at 128 over the box's blue
  HWND button = GetWindow(box, GW_CHILD);
  EXPECT_FALSE(RegionHas(button, 8, 2));   // alpha 0: outside the button, the box shows
  EXPECT_FALSE(RegionHas(button, 8, 8));   // magenta too
  EXPECT_TRUE(RegionHas(button, 2, 2));
  EXPECT_EQ(ScreenPixel(118, 112), RGB(0, 0, 255));
}

// A box too large to keep three pictures of (over a 4K screen's pixels) is
// drawn the ordinary way, and the log says so; a full-HD one is still an
// alpha box.
TEST_F(AlphaBoxTest, AnAlphaBoxBeyondTheCapIsDrawnAsAnOrdinaryBoxAndSaysSo) {
  WritePng("badge.png", 40, 30, Badge);
  std::string wall = WriteText("wall.box", "KestoName Wall\r\nKestoBackGround " + Path("badge.png") +
                                               "\r\nKestoBackgroundOffs 2 2 2 2\r\nKestoWidth 3841\r\nKestoHeight 2160\r\n");
  std::string fits = WriteText("fits.box", "KestoName Fits\r\nKestoBackGround " + Path("badge.png") +
                                               "\r\nKestoBackgroundOffs 2 2 2 2\r\nKestoWidth 1920\r\nKestoHeight 1080\r\n");
  Start({"LSLogLevel 2", "*KestoCreate " + fits, "*KestoCreate " + wall});
  ASSERT_NE(Box("Wall"), nullptr);
  ASSERT_NE(Box("Fits"), nullptr);
  EXPECT_EQ(Box("Wall")->Frame, nullptr);  // the ordinary path (a tiled one is keyed by magenta)
  EXPECT_NE(Box("Fits")->Frame, nullptr);
  int said = 0;
  for (const std::string& entry : standin::LogEntries())
    said += entry.find("wall.box: the box is 3841x2160, over 8294400 pixels for a box drawn from an alpha channel") !=
            std::string::npos;
  EXPECT_EQ(said, 1);
}

TEST_F(AlphaBoxTest, ABoxHostingAPlugInKeepsTheOrdinaryPathAndSaysSo) {
  WritePng("badge.png", 40, 30, Badge);
  std::string path = WriteText("host.box", "KestoName Host\r\nKestoBackGround " + Path("badge.png") +
                                               "\r\n*Module testplugin_empty.dll\r\n");
  Start({"LSLogLevel 3", "LSLogFile " + Path("litestep.log"), "*KestoCreate " + path});
  HWND box = BoxWindow("Host");
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_LAYERED);
  bool said = false;
  for (const std::string& entry : standin::LogEntries())
    said = said || entry.find("host.box:3: the box hosts a plug-in, so its background's alpha channel is not used") !=
                       std::string::npos;
  EXPECT_TRUE(said);
}

TEST_F(AlphaBoxTest, ATiledAlphaBoxRepeatsItsImageAsAnOrdinaryOneDoes) {
  // 30x30: 10-pixel borders of one alpha, a centre of another.
  auto tile = [](int x, int y) {
    const bool border = x < 10 || x >= 20 || y < 10 || y >= 20;
    return border ? Rgba{0, 255, 0, 64} : Rgba{200, 0, 0, 200};
  };
  WritePng("tile.png", 30, 30, tile);
  StartWithBox("KestoName Tiled\r\nKestoBackGround " + Path("tile.png") + "\r\nKestoBackgroundOffs 10 10 10 10\r\n"
               "KestoWidth 95\r\nKestoHeight 47\r\nKestoX 50\r\nKestoY 500\r\n");
  std::vector<std::uint32_t> picture = Composed(BoxWindow("Tiled"), 95, 47);
  for (int y = 0; y < 47; ++y)
    for (int x = 0; x < 95; ++x) {
      const bool border = x < 10 || x >= 85 || y < 10 || y >= 37;
      ASSERT_EQ(picture[y * 95 + x], Premultiplied(border ? Rgba{0, 255, 0, 64} : Rgba{200, 0, 0, 200})) << x << "," << y;
    }
}

TEST_F(AlphaBoxTest, AThousandAlphaBoxesMadeAndDestroyedLeaveNothingBehind) {
  WritePng("glass.png", 60, 40, Glass);
  WritePng("b.png", 12, 12, Button);
  std::string path = WriteText("a.box", "KestoName A\r\nKestoBackGround " + Path("glass.png") + "\r\n*Shortcut t 4 4 " +
                                            Path("b.png") + " " + Path("b.png") + " " + Path("b.png") +
                                            " !x\r\n*Text 2 2 hi\r\n");
  Start();
  auto gdiObjects = [] {
    int count = 0;
    for (std::uintptr_t index = 1; index < 0x10000; ++index)
      if (GetObjectType(reinterpret_cast<HGDIOBJ>(index))) ++count;
    return count;
  };
  Bang("!KestoCreate " + path);  // the first one makes what stays for good (classes, the tooltip)
  Bang("!KestoDestroy A");
  const int before = gdiObjects();
  for (int round = 0; round < 1000; ++round) {
    Bang("!KestoCreate " + path);
    Bang("!KestoDestroy A");
  }
  EXPECT_EQ(CountBoxes(), 0);
  EXPECT_EQ(gdiObjects(), before);
}

TEST_F(AlphaBoxTest, AlphaBoxesAreDraggedHiddenReloadedAndRememberTheirPlace) {
  WritePng("glass.png", 60, 40, Glass);
  std::string path = WriteText("drag.box", "KestoName Drag\r\nKestoBackGround " + Path("glass.png") +
                                               "\r\nKestoX 100\r\nKestoY 100\r\nKestoDragRect 0 0 60 40\r\n"
                                               "KestoRememberPosition\r\n");
  Start({"*KestoCreate " + path});
  MouseTo(110, 110);
  LeftDown();
  MouseTo(200, 150);
  MouseTo(300, 200);
  LeftUp();
  EXPECT_EQ(WindowRect(BoxWindow("Drag")).left, 290);
  EXPECT_EQ(ScreenPixel(295, 195), RGB(0, 0, 60));  // the premultiplied glass, where it was dragged
  Bang("!KestoHide Drag");
  EXPECT_FALSE(IsWindowVisible(BoxWindow("Drag")));
  Bang("!KestoShow Drag");
  EXPECT_TRUE(IsWindowVisible(BoxWindow("Drag")));
  Bang("!KestoReload Drag");  // built again where it stood; the file is left alone
  EXPECT_EQ(ReadText(path).find("KestoX 290"), std::string::npos);
  EXPECT_EQ(WindowRect(BoxWindow("Drag")).left, 290);
  EXPECT_EQ(ScreenPixel(295, 195), RGB(0, 0, 60));
  Bang("!KestoDestroy Drag");  // its position written as it goes
  EXPECT_NE(ReadText(path).find("KestoX 290\r\nKestoY 190\r\n"), std::string::npos);
}

TEST_F(AlphaBoxTest, ThePreviewWritesTheAlphaBoxWithItsAlpha) {
  WritePng("badge.png", 40, 30, Badge);
  WritePng("b.png", 12, 12, Button);
  WritePng("bh.png", 12, 12, HoverButton);
  StartWithBox("KestoName Badge\r\nKestoBackGround " + Path("badge.png") + "\r\nKestoX 200\r\nKestoY 200\r\n"
               "*Shortcut t 28 2 " + Path("b.png") + " " + Path("bh.png") + " " + Path("b.png") + " !x\r\n");
  HWND box = BoxWindow("Badge");
  kestopreview::Picture normal = kestopreview::RenderBox(box, kestopreview::ShortcutState::Normal);
  EXPECT_EQ(normal.At(5, 5), 0x80FF0000u);   // straight colour, its own alpha
  EXPECT_EQ(normal.At(22, 20), 0u);          // see-through
  EXPECT_EQ(normal.At(31, 20), 0xFF00C800u);
  EXPECT_EQ(normal.At(36, 8), 0xC8FFFFFFu);  // the button, over the see-through magenta
  EXPECT_EQ(kestopreview::RenderBox(box, kestopreview::ShortcutState::Hover).At(36, 8), 0xA0FFFF00u);
  EXPECT_EQ(normal.At(39, 2), 0u);           // its corner is see-through
  EXPECT_EQ(normal.At(32, 8) >> 24, 255u);  // over green: opaque
}

// At 200 % an alpha box is composed at twice its size from its art filtered
// with alpha: clear stays clear, half-clear red stays half-clear red (no dark
// edge from the clear pixels beside it), opaque green stays opaque.
TEST_F(AlphaBoxTest, AnAlphaBoxIsComposedAtItsScale) {
  WritePng("badge.png", 40, 30, Badge);
  Start({"*KestoCreate " + WriteText("zoom.box", "KestoName Zoom\r\nKestoZoom 200\r\nKestoX 100\r\nKestoY 100\r\n"
                                                 "KestoBackGround " + Path("badge.png") + "\r\n")});
  kesto::TBox* box = Box("Zoom");
  ASSERT_NE(box, nullptr);
  ASSERT_NE(box->Frame, nullptr);
  const RECT r = WindowRect(box->Window);
  EXPECT_EQ(r.right - r.left, 80);
  EXPECT_EQ(r.bottom - r.top, 60);
  const std::vector<std::uint32_t> picture = Composed(box->Window, 80, 60);
  auto at = [&](int x) { return picture[static_cast<std::size_t>(30) * 80 + x]; };
  EXPECT_EQ(at(10), 0x80800000u);  // red at alpha 128, premultiplied
  EXPECT_EQ(at(38) >> 24, 0x80u);  // its last column: as clear as the art, not darker
  EXPECT_EQ(at(38) & 0x00FF0000u, 0x00800000u);
  EXPECT_EQ(at(48), 0u);
  EXPECT_EQ(at(60), 0xFF00C800u);
}

}  // namespace
}  // namespace kestotest
