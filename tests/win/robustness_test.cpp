// Box files written at random from the format's pieces: every one builds a
// box or shows its message, and every box is torn down, without a crash.
#include <cstdint>
#include <fstream>
#include <cstring>
#include <random>
#include <vector>

#include "base/shell_api.h"
#include "module/lifecycle.h"
#include "shell/standin.h"
#include "tests/win/failing_allocator.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

class RobustnessTest : public KestoTest {
 protected:
  // The bang as the shell runs it, without pumping: the failure asked for
  // can only meet Kesto's own code.
  static void Run(const std::string& command) { LSExecute(nullptr, command.c_str(), 0); }
  static void Run(const char* command) { LSExecute(nullptr, command, 0); }
  std::vector<std::string> FilesInDir() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir_ + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
  }
  // Only the header of a PNG of this size: all the shell reads before it decodes.
  std::string WritePngHeader(const std::string& name, std::uint32_t width, std::uint32_t height) {
    std::string bytes("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (std::uint32_t side : {width, height})
      for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((side >> shift) & 0xFF);
    bytes += std::string("\x08\x06\0\0\0", 5) + std::string(4, '\0');
    return WriteText(name, bytes);
  }
};

// Every GDI object of the process: Wine finds a handle by its index alone
// when the handle's upper half is zero.
int LiveGdiObjects() {
  int count = 0;
  for (std::uintptr_t index = 1; index < 0x10000; ++index)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index))) ++count;
  return count;
}

int KestoWindows() {
  int count = 0;
  for (HWND window : standin::OwnTopLevelWindows()) {
    std::string name = standin::ClassNameOf(window);
    if (name == "KestoClass" || name == "KestoShortcut" || name == "KestoModule") ++count;
  }
  for (HWND w = GetWindow(TheHost().DesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
    if (standin::ClassNameOf(w) == "KestoClass") ++count;
  return count;
}

TEST_F(RobustnessTest, RandomBoxFilesNeverBringTheShellDown) {
  std::string image = WriteBmp("i.bmp", 24, 16, [](int x, int y) { return (x + y) % 3 ? RGB(9, 99, 9) : kMagenta; });
  std::mt19937 random(20261209);
  auto pick = [&](std::initializer_list<const char*> options) {
    return std::string(*(options.begin() + random() % options.size()));
  };
  auto number = [&] {
    return pick({"0", "1", "-1", "7", "-300", "1999", "+5", "12px", "", "\"", "2147483648", "-2147483648", "a b"});
  };
  auto token = [&] { return pick({"i.bmp", image.c_str(), "missing.bmp", "\"a b\"", "\"", "", "#3H", "#", ";"}); };
  const char* keys[] = {"KestoName", "KestoX", "KestoY", "KestoWidth", "KestoHeight", "KestoBackGround",
                        "KestoBackgroundOffs", "KestoAlphaTransparency", "KestoDragRect", "KestoSnapArea",
                        "KestoAlwaysOnTop", "KestoStartHidden", "KestoUnique", "KestoFontSize", "KestoFontColor",
                        "*Shortcut", "*Text", "*Module", "*WharfModule", "KestoRememberPosition"};
  Start({"LSImageFolder " + dir_});
  for (int file = 0; file < 150; ++file) {
    std::string text = "KestoName R\r\nKestoBackGround " + image + "\r\n";
    int lines = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < lines; ++i) {
      text += keys[random() % (sizeof keys / sizeof *keys)];
      text += random() % 5 ? " " : "\t";
      int parts = static_cast<int>(random() % 9);
      for (int p = 0; p < parts; ++p) text += (random() % 2 ? number() : token()) + " ";
      text += random() % 4 ? "\r\n" : "\n";
    }
    std::string path = WriteText("r" + std::to_string(file) + ".box", text);
    Bang("!KestoCreate " + path);
    for (int guard = 0; kesto::BoxList && guard < 5; ++guard) Bang("!KestoDestroy R");
    ASSERT_EQ(CountBoxes(), 0) << text;
    StandInLogClear();
  }
  EXPECT_EQ(CountBoxes(), 0);
}

TEST_F(RobustnessTest, AnAllocationFailureAtAnyStepOfABoxsLifeLeavesNothingBehind) {
  WriteBmp("bg.bmp", 40, 30, [](int x, int y) { return (x + y) % 5 ? RGB(20, 80, 140) : kMagenta; });
  WriteSolidBmp("b.bmp", 8, 8, RGB(200, 10, 10));
  const std::string boxText = "KestoName Fail\r\nKestoBackGround bg.bmp\r\nKestoBackgroundOffs 4 4 4 4\r\n"
                              "KestoWidth 80\r\nKestoHeight 60\r\nKestoRememberPosition\r\nKestoX 10\r\nKestoY 10\r\n"
                              "*Shortcut \"tip\" 2 2 b.bmp b.bmp b.bmp #1 !none\r\n*Shortcut t 20 2 b.bmp b.bmp b.bmp !x\r\n"
                              "*Text 4 30 \"label\"\r\nKestoAlphaTransparency 200\r\n";
  const std::string path = WriteText("fail.box", boxText);
  Start({"LSImageFolder " + dir_});
  const std::vector<std::string> life = {"!KestoCreate " + path, "!KestoMoveBox Fail 50 60", "!KestoGroupToggle 1",
                                         "!KestoDestroy Fail"};
  auto cycle = [&] {
    for (const std::string& command : life) Run(command);
  };
  // One whole life, counted, and the objects the module keeps for good.
  cycle();
  WriteText("fail.box", boxText);
  StartCountingAllocations();
  cycle();
  const long steps = AllocationsCounted();
  ASSERT_GT(steps, 20);
  standin::PumpPending();
  const int gdiBefore = LiveGdiObjects();
  const std::vector<std::string> files = FilesInDir();
  for (int round = 0; round < 1000; ++round) {
    WriteText("fail.box", boxText);
    FailAllocation(1 + round % steps);
    cycle();
    StopFailingAllocations();
    // What the failure kept from running is asked again.
    Run(life.back());
    standin::PumpPending();
    ASSERT_EQ(CountBoxes(), 0) << round;
    ASSERT_EQ(KestoWindows(), 0) << round;
    ASSERT_EQ(FilesInDir(), files) << round;  // no temporary file left
    StandInLogClear();
  }
  EXPECT_EQ(LiveGdiObjects(), gdiBefore);
  Stop();
  EXPECT_EQ(KestoWindows(), 0);
  EXPECT_EQ(StandInBangCount(), 0);
  for (const char* name : {"KestoClass", "KestoShortcut", "CommandClass"}) {
    WNDCLASSA wc;
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), name, &wc)) << name;
  }
}

TEST_F(RobustnessTest, AFailureInTheMiddleOfATeardownStillEndsTheRun) {
  const std::string path =
      WriteText("end.box", "KestoName End\r\nKestoWidth 30\r\nKestoHeight 30\r\nKestoRememberPosition\r\n");
  for (long step = 1; step < 60; ++step) {
    Start({"*KestoCreate " + path});
    ASSERT_EQ(CountBoxes(), 1);
    Run("!KestoMoveBox End 40 40");  // so that the end reads the file back
    FailAllocation(step);
    StandInQuitModules();
    StopFailingAllocations();
    running_ = false;
    standin::PumpPending();
    ASSERT_EQ(CountBoxes(), 0) << step;
    ASSERT_EQ(KestoWindows(), 0) << step;
    ASSERT_EQ(StandInBangCount(), 0) << step;
    WNDCLASSA wc;
    ASSERT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "KestoClass", &wc)) << step;
    ASSERT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "CommandClass", &wc)) << step;
  }
}

TEST_F(RobustnessTest, OneBoxFileThatFailsAtStartKeepsTheLaterLinesAndClosesTheConfiguration) {
  std::string config = "; three boxes\r\n";
  for (const char* name : {"One", "Two", "Three"})
    config += "*KestoCreate " + WriteText(std::string(name) + ".box", std::string("KestoName ") + name +
                                                                       "\r\nKestoWidth 10\r\nKestoHeight 10\r\n") + "\r\n";
  ASSERT_TRUE(StandInLoadConfig(WriteText("shell.rc", config).c_str()));
  for (long step = 1; step < 60; ++step) {
    const int opened = StandInCounter("LCOpen");
    const int closed = StandInCounter("LCClose");
    StandInForgetModules();
    StandInConfigureBuiltInModule(kBuiltInKesto, initModuleEx, quitModule);
    FailAllocation(step);  // in the start's own steps, or in one of the boxes
    StandInStartModules();
    StopFailingAllocations();
    running_ = true;
    EXPECT_EQ(StandInCounter("LCOpen") - opened, 1) << step;
    EXPECT_EQ(StandInCounter("LCClose") - closed, 1) << step;
    // Whatever failed, at most one box is missing.
    EXPECT_GE(CountBoxes(), 2) << step;
    Stop();
    ASSERT_EQ(KestoWindows(), 0) << step;
  }
}

TEST_F(RobustnessTest, ImagesTooLargeForTheShellAreNeverHandedToIt) {
  WritePngHeader("huge.png", 12000, 12000);
  WritePngHeader("wide.png", 20000, 10);
  // A BMP header of 8000x6000: 48 million pixels.
  std::string bmp(54, '\0');
  bmp[0] = 'B';
  bmp[1] = 'M';
  bmp[14] = 40;
  const std::int32_t sides[2] = {8000, 6000};
  std::memcpy(&bmp[18], sides, sizeof sides);
  WriteText("many.bmp", bmp);
  WriteSolidBmp("ok.bmp", 6, 6, RGB(0, 90, 0));
  std::string path = WriteText("big.box", "KestoName Big\r\nKestoBackGround huge.png\r\nKestoWidth 30\r\nKestoHeight 20\r\n"
                                          "*Shortcut a 1 1 wide.png ok.bmp ok.bmp !a\r\n"
                                          "*Shortcut b 9 1 ok.bmp many.bmp ok.bmp|" + Path("huge.png") + " !b\r\n");
  Start({"LSImageFolder " + dir_});
  const int loadsBefore = StandInCounter("LoadLSImage");
  Bang("!KestoCreate " + path);
  // The box goes on as with missing images: its own size, the good images loaded.
  ASSERT_NE(Box("Big"), nullptr);
  EXPECT_EQ(WindowRect(BoxWindow("Big")).right - WindowRect(BoxWindow("Big")).left, 30);
  EXPECT_EQ(StandInCounter("LoadLSImage") - loadsBefore, 1);  // ok.bmp, once
  std::vector<std::string> errors;
  for (int i = 0; i < StandInLogCount(); ++i) {
    char entry[1024] = {};
    StandInLogEntry(i, entry, sizeof entry);
    if (std::string(entry).find("pixels, over") != std::string::npos) errors.push_back(entry);
  }
  ASSERT_EQ(errors.size(), 4u);
  EXPECT_EQ(errors[0], "lslog:1:big.box:2: image 'huge.png' is 12000x12000 pixels, over 16384 a side or 40000000 in "
                       "all; it is not loaded");
  EXPECT_NE(errors[1].find("big.box:5: image 'wide.png' is 20000x10"), std::string::npos);
  EXPECT_NE(errors[2].find("big.box:6: image 'many.bmp' is 8000x6000"), std::string::npos);
  EXPECT_NE(errors[3].find("huge.png' is 12000x12000"), std::string::npos);
}

}  // namespace
}  // namespace kestotest
