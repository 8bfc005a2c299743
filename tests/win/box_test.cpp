// Boxes on the screen: shape, tiling, translucency, stacking and the box keys,
// read back from the platform and the screen.
#include <fstream>

#include "box/background.h"
#include "base/module_state.h"
#include "base/shell_api.h"
#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);

HWND ParentOf(HWND window) { return GetAncestor(window, GA_PARENT); }

class BoxTest : public KestoTest {
 protected:
  // 30 by 30: 10-pixel corners in four colours, grey edges, a white centre.
  std::string WriteNineSlice(const std::string& name) {
    return WriteBmp(name, 30, 30, [](int x, int y) {
      bool left = x < 10, right = x >= 20, top = y < 10, bottom = y >= 20;
      if (top && left) return kRed;
      if (top && right) return kGreen;
      if (bottom && left) return kBlue;
      if (bottom && right) return kYellow;
      if (left || right || top || bottom) return kGrey;
      return kWhite;
    });
  }
};

TEST_F(BoxTest, PlainBoxIsCutToItsNonMagentaPixels) {
  // Left third magenta, a near-magenta column within the tolerance, the rest red.
  std::string bmp = WriteBmp("plain.bmp", 60, 40, [](int x, int) {
    if (x < 20) return kMagenta;
    if (x < 25) return RGB(250, 8, 240);
    return kRed;
  });
  kesto::TBox& box = StartWithBox("KestoName Plain\r\nKestoBackGround " + bmp + "\r\nKestoX 100\r\nKestoY 80\r\n");
  EXPECT_FALSE(kesto::HasFlag(box.Flags, kesto::BoxTiled));
  EXPECT_FALSE(RegionHas(box.Window, 5, 5));
  EXPECT_FALSE(RegionHas(box.Window, 22, 5));
  EXPECT_TRUE(RegionHas(box.Window, 30, 5));
  EXPECT_EQ(ScreenPixel(105, 85), standin::kDesktopColor);  // the desktop shows through
  EXPECT_EQ(ScreenPixel(122, 85), standin::kDesktopColor);
  EXPECT_EQ(ScreenPixel(140, 100), kRed);
  EXPECT_EQ(box.Width, 60);
  EXPECT_EQ(box.Height, 40);
}

TEST_F(BoxTest, ThirtyTwoBitImagesAreShapedLikeTwentyFourBitOnes) {
  std::string bmp = WriteBmp("deep.bmp", 40, 20, [](int x, int) { return x < 10 ? kMagenta : kBlue; }, 32);
  kesto::TBox& box = StartWithBox("KestoBackGround " + bmp + "\r\nKestoX 600\r\nKestoY 600\r\n");
  EXPECT_EQ(box.Width, 40);
  EXPECT_FALSE(RegionHas(box.Window, 5, 5));
  EXPECT_TRUE(RegionHas(box.Window, 15, 5));
  EXPECT_EQ(ScreenPixel(620, 610), kBlue);
}

TEST_F(BoxTest, TiledBoxPlacesCornersEdgesAndCentre) {
  std::string bmp = WriteNineSlice("tile.bmp");
  kesto::TBox& box = StartWithBox("KestoName Tiled\r\nKestoBackGround " + bmp +
                                  "\r\nKestoX 200\r\nKestoY 100\r\nKestoWidth 100\r\nKestoHeight 50\r\n"
                                  "KestoBackgroundOffs 10 10 10 10\r\n");
  ASSERT_TRUE(kesto::HasFlag(box.Flags, kesto::BoxTiled));
  EXPECT_NE(box.BackBitmap.get(), nullptr);
  // The corners of the image at 0,0, 90,0, 0,40 and 90,40 of the box.
  const struct {
    int x, y;
    COLORREF color;
  } expected[] = {{0, 0, kRed},      {9, 9, kRed},     {90, 0, kGreen}, {99, 9, kGreen}, {0, 40, kBlue},
                  {9, 49, kBlue},    {90, 40, kYellow}, {99, 49, kYellow}, {50, 0, kGrey},  {50, 45, kGrey},
                  {5, 25, kGrey},    {95, 25, kGrey},  {50, 25, kWhite}, {12, 12, kWhite}, {89, 39, kWhite}};
  standin::Pump(60);
  standin::Screenshot shot = standin::CaptureScreen();
  for (const auto& e : expected) {
    EXPECT_EQ(GetPixel(box.MemDC.get(), e.x, e.y), e.color) << "picture at " << e.x << "," << e.y;
    EXPECT_EQ(shot.At(200 + e.x, 100 + e.y), e.color) << "screen at " << e.x << "," << e.y;
  }
  // Tiled without translucency: layered with the colour key alone.
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(box.Window, &key, &alpha, &flags));
  EXPECT_EQ(key, kMagenta);
  EXPECT_EQ(flags, 1u);
}

TEST_F(BoxTest, BordersWithoutACentreTileFallBackToPlain) {
  std::string bmp = WriteNineSlice("tile.bmp");
  for (const char* offsets : {"15 0 15 0", "0 20 0 10", "40 40 40 40", "5 5 5"}) {
    kesto::TBox& box = StartWithBox("KestoBackGround " + bmp + "\r\nKestoWidth 90\r\nKestoBackgroundOffs " +
                                    offsets + "\r\n");
    EXPECT_FALSE(kesto::HasFlag(box.Flags, kesto::BoxTiled)) << offsets;
    EXPECT_EQ(GetPixel(box.MemDC.get(), 0, 0), kRed) << offsets;  // the image itself
    Stop();
  }
  // Eight characters of zero borders still tile: the whole image is the centre tile.
  kesto::TBox& wallpaper = StartWithBox("KestoBackGround " + bmp +
                                        "\r\nKestoWidth 60\r\nKestoBackgroundOffs 00 0 0 0\r\n");
  EXPECT_TRUE(kesto::HasFlag(wallpaper.Flags, kesto::BoxTiled));
  EXPECT_EQ(GetPixel(wallpaper.MemDC.get(), 30, 0), kRed);
}

TEST_F(BoxTest, TranslucentBoxIsLayeredWithKeyAndAlpha) {
  std::string bmp = WriteSolidBmp("bg.bmp", 40, 40, kRed);
  kesto::TBox& box = StartWithBox("KestoBackGround " + bmp + "\r\nKestoAlphaTransparency 300\r\n");
  EXPECT_TRUE(kesto::HasFlag(box.Flags, kesto::BoxTranslucent));
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(box.Window, &key, &alpha, &flags));
  EXPECT_EQ(key, kMagenta);
  EXPECT_EQ(alpha, 44);  // only the low 8 bits of 300
  EXPECT_EQ(flags, 3u);
  EXPECT_TRUE(GetWindowLongA(box.Window, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_EQ(ParentOf(box.Window), GetDesktopWindow());  // layered windows are top-level
  Stop();

  kesto::TBox& tiled = StartWithBox("KestoBackGround " + WriteNineSlice("tile.bmp") +
                                    "\r\nKestoAlphaTransparency 128\r\nKestoBackgroundOffs 10 10 10 10\r\n");
  ASSERT_TRUE(GetLayeredWindowAttributes(tiled.Window, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 128);  // the tiling leaves the alpha in force
  EXPECT_EQ(flags, 3u);
  Stop();

  kesto::TBox& sentinel = StartWithBox("KestoBackGround " + bmp + "\r\nKestoAlphaTransparency NoPE\r\n");
  EXPECT_FALSE(kesto::HasFlag(sentinel.Flags, kesto::BoxTranslucent));
}

TEST_F(BoxTest, WithoutLayeredWindowsATiledBoxShowsItsMagenta) {
  std::string bmp = WriteBmp("m.bmp", 30, 30, [](int x, int y) {
    return (x >= 10 && x < 20 && y >= 10 && y < 20) ? kMagenta : kGreen;
  });
  auto saved = kesto::SetLayeredWindowAttributesProc;
  kesto::SetLayeredWindowAttributesProc = nullptr;
  kesto::TBox& box = StartWithBox("KestoBackGround " + bmp +
                                  "\r\nKestoX 300\r\nKestoY 300\r\nKestoAlphaTransparency 10\r\n"
                                  "KestoBackgroundOffs 10 10 10 10\r\n");
  kesto::SetLayeredWindowAttributesProc = saved;
  EXPECT_FALSE(kesto::HasFlag(box.Flags, kesto::BoxTranslucent));
  EXPECT_FALSE(GetWindowLongA(box.Window, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_EQ(ScreenPixel(315, 315), kMagenta);
  EXPECT_EQ(ScreenPixel(305, 305), kGreen);
}

TEST_F(BoxTest, StackingStickinessAndVisibility) {
  std::string bmp = WriteSolidBmp("bg.bmp", 20, 20, kBlue);
  kesto::TBox& onTop = StartWithBox("KestoBackGround " + bmp + "\r\nKestoAlwaysOnTop 0\r\n");
  EXPECT_TRUE(GetWindowLongA(onTop.Window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(ParentOf(onTop.Window), GetDesktopWindow());
  EXPECT_EQ(GetWindowLongPtrA(onTop.Window, GWLP_USERDATA), kesto::kStickyMarker);
  EXPECT_TRUE(IsWindowVisible(onTop.Window));
  EXPECT_TRUE(GetWindowLongA(onTop.Window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  Stop();

  kesto::TBox& desktop = StartWithBox("KestoBackGround " + bmp + "\r\nKestoNotSticky\r\nKestoStartHidden\r\n");
  EXPECT_EQ(ParentOf(desktop.Window), TheHost().DesktopWindow());
  EXPECT_EQ(GetWindowLongPtrA(desktop.Window, GWLP_USERDATA), 0);
  EXPECT_FALSE(IsWindowVisible(desktop.Window));
  EXPECT_FALSE(kesto::HasFlag(desktop.Flags, kesto::BoxHidden));
}

TEST_F(BoxTest, PositionsCountNegativeValuesFromTheFarEdges) {
  std::string bmp = WriteSolidBmp("bg.bmp", 20, 10, kBlue);
  kesto::TBox& box = StartWithBox("KestoBackGround " + bmp + "\r\nKestoX -100\r\nKestoY -50\r\n");
  EXPECT_EQ(WindowRect(box.Window).left, ScreenWidth() - 100);
  EXPECT_EQ(WindowRect(box.Window).top, ScreenHeight() - 50);
  Stop();

  MouseTo(ScreenWidth() - 14, ScreenHeight() - 8);
  kesto::TBox& popup = StartWithBox("KestoBackGround " + bmp + "\r\nKestoPopupAtMousePos\r\nKestoX 5\r\n");
  EXPECT_EQ(WindowRect(popup.Window).left, ScreenWidth() - 14);  // at the cursor, partly off screen, not clamped
  EXPECT_EQ(WindowRect(popup.Window).top, ScreenHeight() - 8);
}

TEST_F(BoxTest, SnapAreaReadsFourScreenRelativeNumbers) {
  std::string bmp = WriteSolidBmp("bg.bmp", 20, 10, kBlue);
  const struct {
    const char* line;
    RECT expected;
  } cases[] = {{"", {0, 0, ScreenWidth(), ScreenHeight()}},
               {"KestoSnapArea nOpE\r\n", {0, 0, ScreenWidth(), ScreenHeight()}},
               {"KestoSnapArea 0 0 800\r\n", {0, 0, 800, 0}},
               {"KestoSnapArea -100 -50 -1 -2\r\n",
                {ScreenWidth() - 100, ScreenHeight() - 50, ScreenWidth() - 1, ScreenHeight() - 2}}};
  for (const auto& c : cases) {
    kesto::TBox& box = StartWithBox("KestoBackGround " + bmp + "\r\n" + c.line);
    EXPECT_TRUE(EqualRect(&box.SnapArea, &c.expected)) << c.line;
    Stop();
  }
}

TEST_F(BoxTest, ABoxFileWithOnlyANameUsesEveryDefault) {
  WriteSolidBmp("Kesto.bmp", 33, 22, kGreen);
  std::string boxFile = WriteText("named.box", "KestoName OnlyName\r\n");
  Start({"LSImageFolder " + dir_, "*KestoCreate " + boxFile});
  kesto::TBox& box = *kesto::BoxList;
  EXPECT_EQ(box.Name, "OnlyName");
  char title[64] = {};
  GetWindowTextA(box.Window, title, sizeof title);
  EXPECT_STREQ(title, "OnlyName");
  EXPECT_EQ(WindowRect(box.Window).left, 0);
  EXPECT_EQ(WindowRect(box.Window).top, 0);
  EXPECT_EQ(WindowRect(box.Window).right, 33);
  EXPECT_EQ(WindowRect(box.Window).bottom, 22);
  EXPECT_EQ(box.OnLeftClick, "!none");
  EXPECT_EQ(box.OnRightClick, "!popup");
  RECT empty{};
  EXPECT_TRUE(EqualRect(&box.DragRect, &empty));
  EXPECT_EQ(box.FileName, boxFile);
  EXPECT_EQ(box.Header, nullptr);  // closed after creation
  EXPECT_EQ(ScreenPixel(10, 10), kGreen);
}

TEST_F(BoxTest, UniqueShowsTheExistingBoxInsteadOfASecond) {
  std::string bmp = WriteSolidBmp("bg.bmp", 20, 10, kBlue);
  std::string path = WriteText("u.box", "KestoName Solo\r\nKestoUnique\r\nKestoBackGround " + bmp + "\r\n");
  Start({"*KestoCreate " + path});
  Bang("!KestoHide Solo");
  ASSERT_FALSE(IsWindowVisible(kesto::BoxList->Window));
  std::string before = ReadText(path);
  Bang("!KestoCreate " + path);
  EXPECT_EQ(CountBoxes(), 1);
  EXPECT_TRUE(IsWindowVisible(kesto::BoxList->Window));
  EXPECT_TRUE(kesto::HasFlag(kesto::BoxList->Flags, kesto::BoxHidden));  // the flag stays as it was
  EXPECT_EQ(ReadText(path), before);
  // Names differing in case are different names for this test.
  WriteText("u2.box", "KestoName SOLO\r\nKestoUnique\r\n");
  Bang("!KestoCreate " + Path("u2.box"));
  EXPECT_EQ(CountBoxes(), 2);
}

TEST_F(BoxTest, FilesThatCannotBeLoadedShowOneMessageWithThePathAsCaption) {
  Start({"*KestoCreate missing.box"});
  EXPECT_EQ(standin::MessageBoxesShown(), std::vector<std::string>{"missing.box|Can't load .Box File"});
  EXPECT_EQ(kesto::BoxList, nullptr);
}

TEST_F(BoxTest, AFileFoundOnlyUnderTheShellsFolderIsUsedAndRemembered) {
  std::string name = "kesto-shell-folder-test.box";
  std::string inShellFolder = BinDir() + "\\" + name;
  std::ofstream(inShellFolder, std::ios::binary) << "KestoName Fallback\r\nKestoRememberPosition\r\nKestoX 3\r\n";
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  SetCurrentDirectoryA(dir_.c_str());
  Start({"*KestoCreate " + name});
  SetCurrentDirectoryA(previous);
  ASSERT_NE(Box("Fallback"), nullptr);
  EXPECT_EQ(Box("Fallback")->FileName, inShellFolder);
  SetWindowPos(Box("Fallback")->Window, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Stop();
  EXPECT_EQ(ReadText(inShellFolder), "KestoName Fallback\r\nKestoRememberPosition\r\nKestoX 40\r\nKestoY 50\r\n");
  DeleteFileA(inShellFolder.c_str());
}

TEST_F(BoxTest, MalformedAndAbsurdBoxFilesStillBuildOrReport) {
  std::string bmp = WriteNineSlice("tile.bmp");
  const char* files[] = {
      "KestoBackGround missing.bmp\r\nKestoWidth 12px\r\nKestoHeight +5\r\n",
      "KestoBackGround missing.bmp\r\nKestoBackgroundOffs 1 1 1 1\r\n",
      "KestoWidth 100000\r\nKestoHeight 100000\r\nKestoBackgroundOffs 1 1 1 1\r\nKestoBackGround ",
      "KestoWidth -50\r\nKestoHeight -7\r\nKestoDragRect a b c d\r\nKestoSnapArea \"\r\nKestoBackGround ",
      "KestoBackgroundOffs -2147483648 -2147483648 5 5\r\nKestoWidth 40\r\nKestoBackGround ",
      "\x01\x02\xff;;;\r\n\r\n*Shortcut\r\n*Text\r\n*Module\r\n*WharfModule\r\n",
  };
  for (const char* lines : files) {
    std::string text = lines;
    if (text.size() >= 16 && text.compare(text.size() - 16, 16, "KestoBackGround ") == 0) text += bmp;
    StartWithBox(text);
    EXPECT_EQ(CountBoxes(), 1) << lines;
    Stop();
  }
}

}  // namespace
}  // namespace kestotest
