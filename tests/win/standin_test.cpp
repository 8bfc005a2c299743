// The stand-in shell behaves as the real one wherever Kesto or a theme author
// can tell: configuration lines, variable expansion, commands and images.
#include <windows.h>

#include <stb/stb_image_write.h>

#include "base/shell_api.h"
#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

class StandInTest : public KestoTest {
 protected:
  std::string Expanded(const std::string& text) {
    char buffer[kesto::kShellTextSize];
    VarExpansion(buffer, text.c_str());
    return buffer;
  }
  void Configure(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    ASSERT_TRUE(StandInLoadConfig(WriteText("shell.rc", text).c_str()));
  }
};

TEST_F(StandInTest, VariablesExpandAsTheRealShellExpandsThem) {
  SetEnvironmentVariableA("KESTO_TEST_ENV", "from-env");
  Configure({"ThemeDir \"C:\\my theme\\\" ; a comment", "Size 4", "Twice $Size$$Size$", "Loop $Loop$"});
  StandInLogClear();
  EXPECT_EQ(Expanded("$ThemeDir$x.box"), "C:\\my theme\\x.box");  // the value's first token
  EXPECT_EQ(Expanded("$twice$ $$ 5$"), "44 $ 5");                  // a lone '$' is dropped
  EXPECT_EQ(Expanded("$KESTO_TEST_ENV$"), "from-env");
  EXPECT_EQ(Expanded("[$Size * 2 + 1$]"), "[9]");
  EXPECT_TRUE(standin::MessageBoxesShown().empty());
  // What does not evaluate is dropped, and the shell says so in a dialog.
  EXPECT_EQ(Expanded("Price: $5, $$"), "Price: ");
  EXPECT_EQ(Expanded("$undefinedName$!"), "!");
  EXPECT_EQ(Expanded("a $Loop$ b"), "");  // a recursive definition empties the whole text
  std::vector<std::string> shown = standin::MessageBoxesShown();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].rfind("LiteStep|Error in Expression:", 0), 0u);
}

TEST_F(StandInTest, ConfigurationLinesAndCommandsComeExpanded) {
  Configure({"ThemeDir C:\\themes", "*KestoCreate $ThemeDir$\\a.box ; the first box", "*KestoCreate \"b c.box\""});
  void* config = LCOpen(nullptr);
  char line[kesto::kShellTextSize];
  ASSERT_TRUE(LCReadNextConfig(config, "*KestoCreate", line, sizeof line));
  EXPECT_STREQ(line, "*KestoCreate C:\\themes\\a.box");
  ASSERT_TRUE(LCReadNextConfig(config, "*kestocreate", line, sizeof line));
  EXPECT_STREQ(line, "*KestoCreate \"b c.box\"");
  EXPECT_FALSE(LCReadNextConfig(config, "*KestoCreate", line, sizeof line));
  LCClose(config);

  Start();
  std::string box = WriteText("named.box", "KestoName Named\r\n");
  ASSERT_TRUE(StandInLoadConfig(WriteText("vars.rc", "Here " + dir_ + "\r\n").c_str()));
  Bang("!KestoCreate $Here$\\named.box");
  EXPECT_NE(Box("Named"), nullptr);
}

TEST_F(StandInTest, ImagesComeFromTheImageFolderFirstAndInEveryForm) {
  CreateDirectoryA(Path("images").c_str(), nullptr);
  WriteSolidBmp("images\\pic.bmp", 4, 4, RGB(10, 20, 30));
  WriteSolidBmp("pic.bmp", 6, 6, RGB(200, 0, 0));
  WriteBmp("over.bmp", 2, 2, [](int x, int) { return x == 0 ? RGB(0, 0, 255) : kMagenta; });
  unsigned char rgba[2 * 1 * 4] = {255, 0, 0, 128, 0, 255, 0, 255};
  ASSERT_TRUE(stbi_write_png(Path("half.png").c_str(), 2, 1, 4, rgba, 8));
  Configure({"LSImageFolder " + Path("images")});
  auto size = [](HBITMAP bitmap) {
    int w = 0, h = 0;
    GetLSBitmapSize(bitmap, &w, &h);
    DeleteObject(bitmap);
    return std::pair{w, h};
  };
  EXPECT_EQ(size(LoadLSImage("pic.bmp", nullptr)), (std::pair{4, 4}));           // the folder's, first
  EXPECT_EQ(size(LoadLSImage(Path("pic.bmp").c_str(), nullptr)), (std::pair{6, 6}));  // a full path
  EXPECT_EQ(LoadLSImage(".none", nullptr), nullptr);

  HBITMAP merged = LoadLSImage((Path("over.bmp") + "|pic.bmp").c_str(), nullptr);
  ASSERT_NE(merged, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, merged);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 255));   // the first image over
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(10, 20, 30));  // the second, through its magenta
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_EQ(size(merged), (std::pair{4, 4}));

  HBITMAP png = LoadLSImage(Path("half.png").c_str(), nullptr);
  ASSERT_NE(png, nullptr);
  DIBSECTION section{};
  ASSERT_EQ(GetObjectA(png, sizeof section, &section), static_cast<int>(sizeof section));
  EXPECT_EQ(section.dsBm.bmBitsPixel, 32);
  EXPECT_GT(section.dsBmih.biHeight, 0);  // bottom-up, as the shell makes it
  const auto* bits = static_cast<const unsigned char*>(section.dsBm.bmBits);
  EXPECT_EQ(bits[0], 0);  // blue, green, red, alpha: straight, not premultiplied
  EXPECT_EQ(bits[2], 255);
  EXPECT_EQ(bits[3], 128);
  DeleteObject(png);

  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  HBITMAP icon = LoadLSImage((std::string(".extract=") + system + "\\shell32.dll,3").c_str(), nullptr);
  EXPECT_NE(icon, nullptr);
  if (icon) DeleteObject(icon);
}

}  // namespace
}  // namespace kestotest
