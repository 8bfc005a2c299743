// Every failure and guess leaves a line in the shell's log that names the
// box file, the line and the thing.
#include <windows.h>

#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

class LogTest : public KestoTest {};

std::vector<std::string> LogLines() {
  std::vector<std::string> lines;
  for (const std::string& entry : standin::LogEntries())
    if (entry.rfind("lslog:", 0) == 0) lines.push_back(entry.substr(6));
  return lines;
}

TEST_F(LogTest, ABrokenThemeNamesEveryFailureByFileAndLine) {
  WriteSolidBmp("n.bmp", 8, 8, RGB(1, 2, 3));
  std::string box = WriteText("broken.box",
                              "KestoName Broken\r\n"
                              "KestoBackGround nowhere.bmp\r\n"
                              "KestoWidth 50\r\n"
                              "*Shortcut a 0 0 n.bmp missing-hover.bmp n.bmp !a\r\n"
                              "*Shortcut b 9 0 gone.bmp n.bmp n.bmp !b\r\n"
                              "*Module no-such-plugin.dll\r\n"
                              "*Module testplugin_empty.dll\r\n");
  std::string logFile = Path("litestep.log");
  Start({"LSLogLevel 3", "LSLogFile " + logFile, "LSImageFolder " + dir_, "*KestoCreate " + box,
         "*KestoCreate missing.box"});
  Stop();
  std::vector<std::string> lines = LogLines();
  auto has = [&](const std::string& text) {
    for (const std::string& line : lines)
      if (line.find(text) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(has("1:broken.box: background 'nowhere.bmp' not found; the box is 50x0"));
  EXPECT_TRUE(has("2:broken.box:4: can't load image 'missing-hover.bmp' (hover state uses the normal image)"));
  EXPECT_TRUE(has("1:broken.box:5: can't load image 'gone.bmp' (the button is 0x0)"));
  EXPECT_TRUE(has("1:broken.box:6: can't load plug-in 'no-such-plugin.dll'"));
  EXPECT_TRUE(has("2:broken.box:7: plug-in 'testplugin_empty.dll' lacks initWharfModule and quitWharfModule"));
  EXPECT_TRUE(has("1:can't load box file 'missing.box' (tried it as written and as '" + BinDir() + "\\missing.box')"));
  EXPECT_TRUE(has("3:box 'Broken' made from " + box));
  EXPECT_TRUE(has("3:box 'Broken' ended"));
  // The shell writes what its level lets through to its log file.
  std::string written = ReadText(logFile);
  EXPECT_NE(written.find(" - Error - Kesto: broken.box:5: can't load image 'gone.bmp'"), std::string::npos);
  EXPECT_NE(written.find(" - Notice - Kesto: box 'Broken' ended"), std::string::npos);
  // The message boxes stay as they are.
  EXPECT_EQ(standin::MessageBoxesShown(),
            (std::vector<std::string>{"Error|Check Box File: Can't load image", "Error|Can't load Module",
                                      "missing.box|Can't load .Box File"}));
}

// What the checker knows of a file's keys, told as the file loads.
TEST_F(LogTest, KeySlipsAreGuessLinesWithTheFullPathAndLine) {
  std::string box = WriteText("slips.box", "KestoName Slips\r\nKestoBackround x.bmp\r\nKestoX\t10\r\n"
                                           "KestoName Again\r\n*Text 1 1 \"fine\"\r\nKestoFrobnicate 1\r\n");
  Start({"LSLogLevel 3", "LSLogFile " + Path("litestep.log"), "*KestoCreate " + box});
  Stop();
  std::vector<std::string> guesses;
  for (const std::string& line : LogLines())
    if (line.rfind("2:" + box + ":", 0) == 0) guesses.push_back(line.substr(2 + box.size() + 1));
  EXPECT_EQ(guesses, (std::vector<std::string>{
                         "2: unknown key 'KestoBackround'; did you mean 'KestoBackGround'?",
                         "3: a tab does not end a key: 'KestoX' and its value read as one key",
                         "4: only the first KestoName (line 1) counts; this one is ignored",
                         "6: unknown key 'KestoFrobnicate'",
                     }));
}

}  // namespace
}  // namespace kestotest
