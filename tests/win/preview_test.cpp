// The preview tool: what the boxes paint, read back, with see-through parts
// transparent; compared with the pictures the boxes were made from.
#include <stb/stb_image.h>

#include "shell/standin.h"
#include "tests/win/fixture.h"
#include "tools/preview/preview.h"

namespace kestotest {
namespace {

using kestopreview::ShortcutState;

constexpr std::uint32_t Opaque(COLORREF c) {
  return 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

std::string SourceDir() {
  std::string path = std::string("Z:") + KESTO_SOURCE_DIR;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

class PreviewTest : public KestoTest {
 protected:
  void SetUp() override {
    KestoTest::SetUp();
    WriteBmp("bg.bmp", 80, 40, [](int x, int) { return x < 10 ? kMagenta : RGB(0, 0, 0); });
    WriteSolidBmp("n.bmp", 10, 10, RGB(200, 0, 0));
    WriteSolidBmp("h.bmp", 10, 10, RGB(0, 200, 0));
    WriteSolidBmp("p.bmp", 10, 10, RGB(0, 0, 200));
  }
  void StartBox() {
    Start({"LSImageFolder " + dir_,
           "*KestoCreate " + WriteText("p.box", "KestoName P\r\nKestoBackGround bg.bmp\r\nKestoX 30\r\nKestoY 40\r\n"
                                                "*Shortcut a 20 5 n.bmp h.bmp p.bmp !a\r\n"
                                                "*Shortcut b 40 5 n.bmp h.bmp p.bmp #5H !b\r\n")});
  }
};

TEST_F(PreviewTest, ABoxPaintsItsPictureShapeAndShortcutsInTheChosenState) {
  StartBox();
  ASSERT_EQ(kestopreview::BoxWindows().size(), 1u);
  HWND box = kestopreview::BoxWindows()[0];
  kestopreview::Picture normal = kestopreview::RenderBox(box, ShortcutState::Normal);
  EXPECT_EQ(normal.width, 80);
  EXPECT_EQ(normal.At(5, 5), 0u);  // magenta: transparent
  EXPECT_EQ(normal.At(15, 5), Opaque(RGB(0, 0, 0)));
  EXPECT_EQ(normal.At(25, 10), Opaque(RGB(200, 0, 0)));
  EXPECT_EQ(normal.At(45, 10), Opaque(RGB(0, 0, 0)));  // the hidden shortcut is left out
  EXPECT_EQ(kestopreview::RenderBox(box, ShortcutState::Hover).At(25, 10), Opaque(RGB(0, 200, 0)));
  EXPECT_EQ(kestopreview::RenderBox(box, ShortcutState::Pressed).At(25, 10), Opaque(RGB(0, 0, 200)));
  // Previewing leaves the shortcut as it was and runs nothing.
  EXPECT_EQ(kesto::BoxList->Shortcuts->Next->State, 0);
  standin::PumpPending();
  EXPECT_TRUE(standin::ExecutedCommands().empty());

  kestopreview::Picture screen = kestopreview::RenderScreen(ShortcutState::Normal);
  EXPECT_EQ(screen.At(30 + 25, 40 + 10), Opaque(RGB(200, 0, 0)));
  EXPECT_EQ(screen.At(5, 5), 0u);
}

TEST_F(PreviewTest, TheDesktopOfAMonitorLayoutIsDrawnWhole) {
  ASSERT_TRUE(StandInSetMonitors("1024x768+0+0,1280x1024-1280+0"));
  std::string bg = WriteSolidBmp("m.bmp", 40, 30, RGB(10, 160, 10));
  Start({"*KestoCreate " + WriteText("two.box", "KestoName Two\r\nKestoMonitor 2\r\nKestoX 10\r\nKestoY 20\r\n"
                                                "KestoBackGround " + bg + "\r\n")});
  kestopreview::Picture screen = kestopreview::RenderScreen(ShortcutState::Normal);
  Stop();
  StandInSetMonitors(nullptr);
  // From monitor 2's left edge to monitor 1's right, and as tall as the taller.
  EXPECT_EQ(screen.width, 1280 + 1024);
  EXPECT_EQ(screen.height, 1024);
  EXPECT_EQ(screen.At(10 + 5, 20 + 5), Opaque(RGB(10, 160, 10)));
  EXPECT_EQ(screen.At(5, 5), 0u);
}

TEST_F(PreviewTest, TheSampleThemeMatchesItsBitmaps) {
  std::string theme = SourceDir() + "\\samples\\theme";
  Start({"ThemeDir " + theme, "*KestoCreate " + theme + "\\badge.box", "*KestoCreate " + theme + "\\glass.box",
         "*KestoCreate " + theme + "\\panel.box"});
  ASSERT_EQ(standin::MessageBoxesShown(), std::vector<std::string>{});
  kestopreview::Picture screen = kestopreview::RenderScreen(ShortcutState::Normal);
  auto badge = static_cast<HBITMAP>(
      LoadImageA(nullptr, (theme + "\\badge.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, badge);
  int compared = 0;
  for (int y = 0; y < 120; y += 3) {
    if (y >= 30 && y < 90) continue;  // the rows with text labels
    for (int x = 0; x < 120; x += 3) {
      COLORREF source = GetPixel(dc, x, y);
      std::uint32_t shown = screen.At(ScreenWidth() - 160 + x, 40 + y);
      if (source == kMagenta) {
        ASSERT_EQ(shown, 0u) << x << "," << y;
      } else {
        ASSERT_EQ(shown, Opaque(source)) << x << "," << y;
      }
      ++compared;
    }
  }
  EXPECT_GT(compared, 500);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(badge);
  // The tiled panel's rounded corners are see-through; the glass is translucent.
  EXPECT_EQ(screen.At(40, 40), 0u);
  EXPECT_EQ(screen.At(40 + 160, 40 + 110) >> 24, 0xFFu);
  EXPECT_EQ(screen.At(400 + 150, 40 + 90) >> 24, 170u);
}

// Runs the tool; what it prints goes to the file named, when one is.
DWORD RunPreview(std::string command, const std::string& output = "") {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE file = output.empty() ? INVALID_HANDLE_VALUE
                               : CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = file;
  }
  BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!started) return 99;
  DWORD status = 98;
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

TEST_F(PreviewTest, ThePreviewNeverChangesAFileAndRefusesImpossibleSizes) {
  const std::string original = "KestoName Moving\r\nKestoPopupAtMousePos\r\nKestoRememberPosition\r\n"
                               "KestoX -90\r\nKestoBackGround " + Path("bg.bmp") + "\r\n";
  std::string box = WriteText("moving.box", original);
  std::string tool = "\"" + BinDir() + "\\kesto-preview.exe\" ";
  EXPECT_EQ(RunPreview(tool + "\"" + box + "\" -o \"" + Path("m.png") + "\""), 0u);
  EXPECT_EQ(ReadText(box), original);

  std::string huge = WriteText("huge.box", "KestoName Huge\r\nKestoWidth 100000\r\nKestoHeight 100000\r\n");
  EXPECT_EQ(RunPreview(tool + "\"" + huge + "\" -o \"" + Path("h.png") + "\""), 2u);
}

TEST_F(PreviewTest, HiddenBoxesShowOnRequestAndFailuresAreNamed) {
  std::string box = WriteText("hidden.box", "KestoName Hidden\r\nKestoStartHidden\r\nKestoBackGround " +
                                                Path("bg.bmp") + "\r\n*Shortcut a 20 5 " + Path("n.bmp") + " " +
                                                Path("n.bmp") + " " + Path("n.bmp") + " #1H !a\r\n");
  std::string tool = "\"" + BinDir() + "\\kesto-preview.exe\" \"" + box + "\" -o \"" + Path("h.png") + "\"";
  EXPECT_EQ(RunPreview(tool, Path("plain.txt")), 2u);
  EXPECT_NE(ReadText(Path("plain.txt")).find("--show-hidden"), std::string::npos);
  ASSERT_EQ(RunPreview(tool + " --show-hidden"), 0u);
  int width = 0, height = 0, channels = 0;
  unsigned char* pixels = stbi_load(Path("h.png").c_str(), &width, &height, &channels, 4);
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(pixels[(10 * width + 25) * 4], 200);  // the hidden button, in its normal red
  stbi_image_free(pixels);

  std::string broken = WriteText("broken.box", "KestoName Broken\r\nKestoBackGround nowhere.bmp\r\n");
  EXPECT_EQ(RunPreview("\"" + BinDir() + "\\kesto-preview.exe\" \"" + broken + "\" -o \"" + Path("b.png") + "\"",
                       Path("broken.txt")),
            2u);
  EXPECT_NE(ReadText(Path("broken.txt")).find("broken.box: background 'nowhere.bmp' not found; the box is 0x0"),
            std::string::npos);
}

TEST_F(PreviewTest, TheToolWritesAPngFile) {
  std::string box = WriteText("p.box", "KestoName P\r\nKestoBackGround " + Path("bg.bmp") +
                                           "\r\n*Shortcut a 20 5 " + Path("n.bmp") + " " + Path("h.bmp") + " " +
                                           Path("p.bmp") + " !a\r\n");
  std::string png = Path("out.png");
  std::string command = "\"" + BinDir() + "\\kesto-preview.exe\" \"" + box + "\" -o \"" + png + "\" --state hover";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  ASSERT_EQ(status, 0u);
  int width = 0, height = 0, channels = 0;
  unsigned char* pixels = stbi_load(png.c_str(), &width, &height, &channels, 4);
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(width, 80);
  EXPECT_EQ(height, 40);
  auto at = [&](int x, int y) { return pixels + (y * width + x) * 4; };
  EXPECT_EQ(at(5, 5)[3], 0);
  EXPECT_EQ(at(25, 10)[1], 200);  // the hover image
  EXPECT_EQ(at(25, 10)[3], 255);
  stbi_image_free(pixels);
}

}  // namespace
}  // namespace kestotest
