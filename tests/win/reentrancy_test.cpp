// Whatever runs while Kesto has called out of itself: commands handled inside
// a message box's loop or the shell's expansion dialog, the module's own end
// or a second start there, and an unload of Kesto.dll by its own click.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/command_queue.h"
#include "base/shell_api.h"
#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

// A value the shell's expansion cannot evaluate: it opens its error dialog,
// and the dialog's loop runs whatever is queued for it.
constexpr const char* kDialogLabel = "*Text 4 4 \"Price: $5, $$\"\r\n";

int CountWindowsOfClass(const char* className) {
  int count = 0;
  for (HWND window : standin::OwnTopLevelWindows())
    if (standin::ClassNameOf(window) == className) ++count;
  for (HWND w = GetWindow(TheHost().DesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
    if (standin::ClassNameOf(w) == className) ++count;
  return count;
}

class ReentrancyTest : public KestoTest {
 protected:
  std::string BoxWith(const std::string& name, const std::string& lines) {
    return WriteText(name + ".box", "KestoName " + name + "\r\nKestoWidth 50\r\nKestoHeight 40\r\n" + lines);
  }
  int ExpressionDialogs() const {
    int count = 0;
    for (const std::string& shown : standin::MessageBoxesShown())
      if (shown.rfind("LiteStep|Error in Expression", 0) == 0) ++count;
    return count;
  }
};

TEST_F(ReentrancyTest, ADestroyInsideTheBuildingOfItsBoxWaitsForTheBuildToEnd) {
  std::string path = BoxWith("Busy", std::string(kDialogLabel) + "*Shortcut tip 1 1 none.bmp none.bmp none.bmp !x\r\n");
  Start();
  standin::RunInsideNextDialog("!KestoDestroy Busy");
  Bang("!KestoCreate " + path);
  standin::Pump(50);
  EXPECT_EQ(ExpressionDialogs(), 1);
  EXPECT_EQ(CountBoxes(), 0);
  EXPECT_EQ(CountWindowsOfClass("KestoClass"), 0);
  // The failure met while building is still shown, once the build is over.
  EXPECT_EQ(standin::MessageBoxesShown().back(), "Error|Check Box File: Can't load image");
  // And everything goes on working.
  Bang("!KestoCreate " + BoxWith("After", ""));
  EXPECT_EQ(CountBoxes(), 1);
}

TEST_F(ReentrancyTest, FailureMessagesComeFromTheCommandWindowAfterTheBuild) {
  std::string path = BoxWith("Late", "*Shortcut tip 1 1 none.bmp none.bmp none.bmp !x\r\n");
  Start();
  // Destroyed from inside the message box: by then the box is complete.
  standin::RunInsideNextDialog("!KestoDestroy Late");
  Bang("!KestoCreate " + path);
  EXPECT_EQ(standin::MessageBoxesShown(), std::vector<std::string>{"Error|Check Box File: Can't load image"});
  EXPECT_EQ(CountBoxes(), 0);
  EXPECT_EQ(CountWindowsOfClass("KestoClass"), 0);
}

TEST_F(ReentrancyTest, TheModulesEndInsideABuildEndsEverythingOnceTheBuildIsOver) {
  std::string path = BoxWith("Busy", std::string(kDialogLabel) + "*Shortcut tip 1 1 n.bmp n.bmp n.bmp !x\r\n");
  WriteSolidBmp("n.bmp", 10, 10, RGB(1, 2, 3));
  Start({"LSImageFolder " + dir_, "*KestoCreate " + BoxWith("Other", "")});
  ASSERT_EQ(CountBoxes(), 1);
  standin::RunInsideNextDialog(std::string("!UnloadModule ") + kBuiltInKesto);
  Bang("!KestoCreate " + path);
  standin::Pump(50);
  running_ = false;
  EXPECT_EQ(StandInRunningModules(), 0);
  EXPECT_EQ(CountBoxes(), 0);
  EXPECT_EQ(StandInBangCount(), 0);
  for (const char* name : {"KestoClass", "KestoShortcut", "CommandClass"}) {
    EXPECT_EQ(CountWindowsOfClass(name), 0) << name;
    WNDCLASSA wc;
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), name, &wc)) << name;
  }
}

TEST_F(ReentrancyTest, ARecycleInsideTheStartLeavesOneOfEverything) {
  std::string first = BoxWith("First", kDialogLabel);
  std::string second = BoxWith("Second", "");
  standin::RunInsideNextDialog("!Recycle");
  Start({"*KestoCreate " + first, "*KestoCreate " + second});
  standin::Pump(100);
  // The recycle started the module again inside its first start: each box
  // exists once, there is one command window, and the shell lists the
  // module twice (the first start joins its list once it returns).
  EXPECT_EQ(CountBoxes(), 2);
  EXPECT_EQ(CountWindowsOfClass("KestoClass"), 2);
  EXPECT_EQ(CountWindowsOfClass("CommandClass"), 1);
  EXPECT_EQ(StandInBangCount(), 13);  // the ten, the reload, focus and zoom commands
  EXPECT_EQ(StandInRunningModules(), 2);
  Stop();
  EXPECT_EQ(CountWindowsOfClass("KestoClass"), 0);
  EXPECT_EQ(CountWindowsOfClass("CommandClass"), 0);
  EXPECT_EQ(StandInBangCount(), 0);
}

TEST_F(ReentrancyTest, OutsideSendersOfRunCommandKeepTheirText) {
  Start();
  char text[] = "!outside";  // on the sender's stack: freeing it would break the heap
  ASSERT_TRUE(PostMessageA(kesto::CommandWnd, kesto::WM_RUNCOMMAND, 0, reinterpret_cast<LPARAM>(text)));
  char* heapText = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, 16));
  std::strcpy(heapText, "!heap");
  ASSERT_TRUE(PostMessageA(kesto::CommandWnd, kesto::WM_RUNCOMMAND, 0, reinterpret_cast<LPARAM>(heapText)));
  standin::PumpPending();
  EXPECT_EQ(standin::ExecutedCommands(), (std::vector<std::string>{"!outside", "!heap"}));
  EXPECT_STREQ(text, "!outside");
  EXPECT_STREQ(heapText, "!heap");
  EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, heapText));
  EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, heapText));
}

TEST_F(ReentrancyTest, AThousandBuildsThatRunMessagesInsideLeaveNothingBehind) {
  std::string bmp = WriteSolidBmp("bg.bmp", 30, 30, RGB(9, 9, 9));
  // The plug-in dispatches the queue inside the build: every other build
  // meets a destroy of its own box there.
  std::string path = WriteText("cycle.box", "KestoName Cycle\r\nKestoBackGround " + bmp +
                                                "\r\n*WharfModule 0 0 5 5 testplugin_pumping.dll\r\n");
  static char destroy[] = "!KestoDestroy Cycle";
  Start();
  for (int cycle = 0; cycle < 1000; ++cycle) {
    if (cycle % 2) PostMessageA(kesto::CommandWnd, kesto::WM_RUNCOMMAND, 0, reinterpret_cast<LPARAM>(destroy));
    Bang("!KestoCreate " + path);
    ASSERT_LE(CountBoxes(), 1);
    HWND window = kesto::BoxList ? kesto::BoxList->Window : nullptr;
    HDC memDC = kesto::BoxList ? kesto::BoxList->MemDC.get() : nullptr;
    HBITMAP picture = kesto::BoxList ? kesto::BoxList->Picture.get() : nullptr;
    Bang("!KestoDestroy Cycle");
    ASSERT_EQ(CountBoxes(), 0) << cycle;
    ASSERT_FALSE(window && IsWindow(window)) << cycle;
    ASSERT_EQ(GetObjectType(memDC), 0u) << cycle;
    ASSERT_EQ(GetObjectType(picture), 0u) << cycle;
  }
  EXPECT_EQ(CountWindowsOfClass("KestoClass"), 0);
  EXPECT_EQ(CountWindowsOfClass("KestoModule"), 0);
}

TEST_F(ReentrancyTest, AReloadOfEveryBoxSurvivesDestroysAndReloadsInsideIt) {
  // Reading A's position back at its teardown opens the shell's dialog; the
  // dialog's loop runs a command aimed at the boxes the reload still holds.
  const std::string dialogLine = "KestoX 10 $5, $$\r\n";
  for (const char* inside : {"!KestoDestroy B", "!KestoReload"}) {
    std::string a = BoxWith("A", "KestoRememberPosition\r\nKestoX 10\r\n");
    std::string b = BoxWith("B", "KestoX 200\r\n");
    Start({"*KestoCreate " + a, "*KestoCreate " + b});
    ASSERT_EQ(CountBoxes(), 2);
    WriteText("A.box", "KestoName A\r\nKestoWidth 50\r\nKestoHeight 40\r\nKestoRememberPosition\r\n" + dialogLine);
    standin::RunInsideNextDialog(inside);
    Bang("!KestoReload");
    standin::Pump(50);
    EXPECT_GE(ExpressionDialogs(), 1) << inside;
    // A destroyed box is not built again; a nested reload builds each box once.
    const bool bRemains = std::string(inside) == "!KestoReload";
    EXPECT_EQ(CountBoxes(), bRemains ? 2 : 1) << inside;
    EXPECT_EQ(CountWindowsOfClass("KestoClass"), bRemains ? 2 : 1) << inside;
    EXPECT_NE(Box("A"), nullptr) << inside;
    EXPECT_EQ(Box("B") != nullptr, bRemains) << inside;
    Stop();
    EXPECT_EQ(CountWindowsOfClass("KestoClass"), 0);
  }
}

// The module ended (or ended and started anew) inside the rebuild of one box
// of a reload: the reload builds nothing more for the run that is over, so
// no box outlives its run and none exists twice.
TEST_F(ReentrancyTest, AReloadEndsWhenTheModuleEndsInsideOneOfItsRebuilds) {
  for (const std::string& inside : {std::string("!UnloadModule ") + kBuiltInKesto, std::string("!Recycle")}) {
    const std::string a = BoxWith("A", "");
    const std::string b = BoxWith("B", "");
    const std::string c = BoxWith("C", "");
    Start({"*KestoCreate " + a, "*KestoCreate " + b, "*KestoCreate " + c});
    ASSERT_EQ(CountBoxes(), 3);
    // Whichever box is rebuilt first opens the shell's dialog, where the end arrives.
    for (const char* name : {"A", "B", "C"}) BoxWith(name, kDialogLabel);
    standin::RunInsideNextDialog(inside);
    Bang("!KestoReload");
    standin::Pump(100);
    EXPECT_GE(ExpressionDialogs(), 1) << inside;
    const bool recycled = inside == "!Recycle";
    EXPECT_EQ(StandInRunningModules(), recycled ? 1 : 0) << inside;
    EXPECT_EQ(CountBoxes(), recycled ? 3 : 0) << inside;
    EXPECT_EQ(CountWindowsOfClass("KestoClass"), recycled ? 3 : 0) << inside;
    if (recycled) {
      for (const char* name : {"A", "B", "C"}) EXPECT_NE(Box(name), nullptr) << name;
      Stop();
    }
    running_ = false;
    EXPECT_EQ(CountWindowsOfClass("KestoClass"), 0) << inside;
  }
}

TEST_F(ReentrancyTest, NoQueuedClickRunsOnceTheRunEnds) {
  // The plug-in's end dispatches whatever is queued, as a dialog would.
  std::string path = BoxWith("Ends", "*WharfModule 0 0 5 5 testplugin_pumping.dll\r\n");
  Start({"*KestoCreate " + path});
  ASSERT_EQ(CountBoxes(), 1);
  // Two clicks queued before the end: the second would unload the module again.
  kesto::PostRunCommand(nullptr, "!queued-click");
  kesto::PostRunCommand(nullptr, std::string("!UnloadModule ") + kBuiltInKesto);
  Stop();
  standin::Pump(50);
  EXPECT_EQ(standin::ExecutedCommands(), std::vector<std::string>{});
  EXPECT_EQ(StandInRunningModules(), 0);
  EXPECT_EQ(CountWindowsOfClass("CommandClass"), 0);
}

TEST_F(ReentrancyTest, TheCommandWindowAnswersWithItsOwnResults) {
  Start();
  char command[] = "!answered";
  // Each of these runs as an operation and leaves through the thunk.
  EXPECT_EQ(SendMessageA(kesto::CommandWnd, kesto::WM_RUNCOMMAND, 0, reinterpret_cast<LPARAM>(command)), 0);
  EXPECT_EQ(SendMessageA(kesto::CommandWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("seven c")), TRUE);
  EXPECT_EQ(SendMessageA(kesto::CommandWnd, WM_GETTEXTLENGTH, 0, 0), 7);
  char text[16] = {};
  EXPECT_EQ(SendMessageA(kesto::CommandWnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)), 7);
  EXPECT_STREQ(text, "seven c");
  SendMessageA(kesto::CommandWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
}

// The shipped library, unloaded and reloaded by a click on its own box.
class OwnUnloadTest : public KestoTest {
 protected:
  void TearDown() override {
    StandInQuitModules();
    StandInForgetModules();
    KestoTest::TearDown();
  }
  // Kesto.dll started by the shell with one box at 300,300 whose click runs this command.
  void StartWithClick(const std::string& command) {
    std::string box = WriteText("click.box", "KestoName Click\r\nKestoWidth 40\r\nKestoHeight 40\r\nKestoX 300\r\n"
                                             "KestoY 300\r\nKestoAlwaysOnTop\r\nKestoOnLeftClick " + command + "\r\n");
    ASSERT_TRUE(StandInLoadConfig(WriteText("shell.rc", "*KestoCreate " + box + "\r\n").c_str()));
    StandInForgetModules();
    StandInConfigureModule(dll_.c_str());
    ASSERT_TRUE(StandInStartModules());
    standin::Pump(50);
  }
  std::string dll_ = BinDir() + "\\Kesto.dll";
};

TEST_F(OwnUnloadTest, AClickThatUnloadsKestoLeavesTheShellRunning) {
  StartWithClick("!UnloadModule " + dll_);
  ASSERT_NE(GetModuleHandleA("Kesto.dll"), nullptr);
  ASSERT_EQ(CountWindowsOfClass("KestoClass"), 1);
  LeftClickAt(310, 310);
  standin::Pump(100);
  EXPECT_EQ(StandInRunningModules(), 0);
  EXPECT_EQ(CountWindowsOfClass("KestoClass"), 0);
  EXPECT_EQ(GetModuleHandleA("Kesto.dll"), nullptr);  // really unloaded
}

// A system move or size runs a modal loop inside DefWindowProc; an unload
// handled there (a hotkey's "litestep.exe !UnloadModule", a queued click)
// would free the code the loop returns into. Boxes and buttons start none.
TEST_F(OwnUnloadTest, SystemMovesOfBoxesAndButtonsStartNoLoopThatCouldUnloadKesto) {
  WriteSolidBmp("b.bmp", 10, 10, RGB(1, 2, 3));
  static char unload[MAX_PATH + 32];
  for (const char* target : {"box", "button"}) {
    std::string box = WriteText("moved.box", "KestoName Moved\r\nKestoWidth 40\r\nKestoHeight 40\r\nKestoX 300\r\n"
                                             "KestoY 300\r\n*Shortcut t 2 2 " + Path("b.bmp") + " " + Path("b.bmp") +
                                             " " + Path("b.bmp") + " !x\r\n");
    ASSERT_TRUE(StandInLoadConfig(WriteText("shell.rc", "*KestoCreate " + box + "\r\n").c_str()));
    StandInForgetModules();
    StandInConfigureModule(dll_.c_str());
    ASSERT_TRUE(StandInStartModules());
    standin::Pump(50);
    HWND boxWindow = BoxWindow("Moved");
    ASSERT_NE(boxWindow, nullptr);
    HWND window = std::string(target) == "box" ? boxWindow : GetWindow(boxWindow, GW_CHILD);
    ASSERT_NE(window, nullptr) << target;
    // The unload waits in the queue, as a command from outside would; an
    // Escape after it would end a move loop.
    HWND commandWindow = FindWindowA("CommandClass", nullptr);
    ASSERT_NE(commandWindow, nullptr);
    std::snprintf(unload, sizeof unload, "!UnloadModule %s", dll_.c_str());
    ASSERT_TRUE(PostMessageA(commandWindow, kesto::WM_RUNCOMMAND, 0, reinterpret_cast<LPARAM>(unload)));
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_KEYDOWN, VK_ESCAPE, 0));
    for (WPARAM command : {WPARAM(SC_MOVE), WPARAM(SC_SIZE), WPARAM(SC_KEYMENU), WPARAM(SC_MOVE | HTCAPTION)})
      EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, command, 0), 0) << target;
    EXPECT_EQ(WindowRect(boxWindow).left, 300) << target;
    EXPECT_NE(GetModuleHandleA("Kesto.dll"), nullptr) << target;  // nothing ran inside
    standin::Pump(100);
    EXPECT_EQ(StandInRunningModules(), 0) << target;
    EXPECT_EQ(GetModuleHandleA("Kesto.dll"), nullptr) << target;
  }
}

TEST_F(OwnUnloadTest, AClickThatReloadsKestoBringsItsBoxBackOnce) {
  StartWithClick("!ReloadModule " + dll_);
  for (int click = 0; click < 3; ++click) {
    LeftClickAt(310, 310);
    standin::Pump(100);
    EXPECT_EQ(StandInRunningModules(), 1);
    EXPECT_EQ(CountWindowsOfClass("KestoClass"), 1);
    EXPECT_EQ(CountWindowsOfClass("CommandClass"), 1);
  }
  StandInQuitModules();
  EXPECT_EQ(GetModuleHandleA("Kesto.dll"), nullptr);
}

}  // namespace
}  // namespace kestotest
