// A box under real mouse input: drags clamped to the snap area, clicks that
// run their commands later through the command window.
#include "shell/standin.h"
#include "tests/win/fixture.h"
#include "tests/win/import_counter.h"

namespace kestotest {
namespace {

class BoxInputTest : public KestoTest {
 protected:
  // A 100 by 60 box at 200,200 with a drag strip along its top.
  kesto::TBox& StartDraggable(const std::string& extra = "") {
    std::string bmp = WriteSolidBmp("bg.bmp", 100, 60, RGB(0, 200, 0));
    return StartWithBox("KestoName Drag\r\nKestoBackGround " + bmp +
                        "\r\nKestoX 200\r\nKestoY 200\r\nKestoDragRect 0 0 100 20\r\n"
                        "KestoOnLeftClick !left click\r\nKestoOnRightClick !right click\r\n" + extra);
  }
  void DragTo(int fromX, int fromY, int toX, int toY) {
    MouseTo(fromX, fromY);
    LeftDown();
    MouseTo((fromX + toX) / 2, (fromY + toY) / 2);
    MouseTo(toX, toY);
    LeftUp();
  }
};

TEST_F(BoxInputTest, DragMovesTheBoxAndRecordsItsPosition) {
  kesto::TBox& box = StartDraggable();
  DragTo(210, 205, 400, 300);
  EXPECT_EQ(WindowRect(box.Window).left, 390);
  EXPECT_EQ(WindowRect(box.Window).top, 295);
  EXPECT_EQ(box.X, 390);
  EXPECT_EQ(box.Y, 295);
  EXPECT_FALSE(kesto::HasFlag(box.Flags, kesto::BoxDragging));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(standin::ExecutedCommands().empty());  // a drag is not a click
}

TEST_F(BoxInputTest, DragStopsAtTheSnapAreaInTheStatedOrder) {
  kesto::TBox& box = StartDraggable("KestoSnapArea 100 100 600 500\r\n");
  DragTo(210, 205, 20, 20);
  EXPECT_EQ(WindowRect(box.Window).left, 100);
  EXPECT_EQ(WindowRect(box.Window).top, 100);
  DragTo(110, 105, 900, 700);
  EXPECT_EQ(WindowRect(box.Window).left, 500);  // far edges touch Right and Bottom
  EXPECT_EQ(WindowRect(box.Window).top, 440);
  Stop();

  // Narrower than the box: the right-edge clamp comes last and wins.
  kesto::TBox& wide = StartDraggable("KestoSnapArea 150 0 200 768\r\n");
  DragTo(210, 205, 300, 205);
  EXPECT_EQ(WindowRect(wide.Window).left, 200 - 100);
}

TEST_F(BoxInputTest, ClicksRunTheirCommandsLaterAndOnlyOutsideTheDragRect) {
  kesto::TBox& box = StartDraggable();
  LeftClickAt(250, 205);  // inside the drag strip: a drag without movement
  EXPECT_TRUE(standin::ExecutedCommands().empty());
  EXPECT_EQ(WindowRect(box.Window).left, 200);

  LeftClickAt(250, 240);
  RightClickAt(220, 205);  // right button counts inside the drag strip too
  EXPECT_EQ(standin::ExecutedCommands(), (std::vector<std::string>{"!left click", "!right click"}));
}

TEST_F(BoxInputTest, ModifierDuringADragEndsItAndFreesTheMouse) {
  kesto::TBox& box = StartDraggable();
  MouseTo(210, 205);
  LeftDown();
  ASSERT_TRUE(kesto::HasFlag(box.Flags, kesto::BoxDragging));
  EXPECT_EQ(GetCapture(), box.Window);
  // A move reported with Shift held.
  SendMessageA(box.Window, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, MAKELPARAM(20, 10));
  EXPECT_FALSE(kesto::HasFlag(box.Flags, kesto::BoxDragging));
  EXPECT_EQ(GetCapture(), nullptr);
  LeftUp();  // now an ordinary release over the box: a click
  EXPECT_EQ(standin::ExecutedCommands(), std::vector<std::string>{"!left click"});
}

TEST_F(BoxInputTest, CloseCommandIsIgnored) {
  kesto::TBox& box = StartDraggable();
  EXPECT_EQ(SendMessageA(box.Window, WM_SYSCOMMAND, SC_CLOSE, 0), 0);
  standin::PumpPending();
  EXPECT_TRUE(IsWindow(box.Window));
  EXPECT_TRUE(IsWindowVisible(box.Window));
}

std::vector<WPARAM> PassedOnCommands;
decltype(&DefWindowProcW) RealDefWindowProc = nullptr;
LRESULT WINAPI RecordingDefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SYSCOMMAND) PassedOnCommands.push_back(wParam & 0xFFF0);
  return RealDefWindowProc(window, message, wParam, lParam);
}

// A box and its buttons refuse only the system commands whose loops could
// unload Kesto under them (move, size, the menus) and close; the screen
// saver and monitor power go on to the system. A click on a box leaves the
// keyboard with the window the user types in.
TEST_F(BoxInputTest, OnlyMoveSizeMenuAndCloseAreRefusedAndAClickKeepsTheKeyboardWhereItIs) {
  WriteSolidBmp("n.bmp", 10, 10, RGB(200, 0, 0));
  kesto::TBox& box = StartDraggable("*Shortcut b 50 30 " + Path("n.bmp") + " " + Path("n.bmp") + " " + Path("n.bmp") +
                                    " !button\r\n");
  ASSERT_NE(box.Shortcuts, nullptr);
  RealDefWindowProc = reinterpret_cast<decltype(&DefWindowProcW)>(
      RedirectImport("user32.dll", "DefWindowProcW", reinterpret_cast<void*>(&RecordingDefWindowProc)));
  ASSERT_NE(RealDefWindowProc, nullptr);
  for (HWND window : {box.Window, box.Shortcuts->Window}) {
    PassedOnCommands.clear();
    for (WPARAM command : {SC_MOVE, SC_SIZE, SC_MOUSEMENU, SC_KEYMENU, SC_CLOSE, SC_SCREENSAVE, SC_MONITORPOWER})
      SendMessageW(window, WM_SYSCOMMAND, command, command == SC_MONITORPOWER ? -1 : 0);
    EXPECT_EQ(PassedOnCommands, (std::vector<WPARAM>{SC_SCREENSAVE, SC_MONITORPOWER}));
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(SendMessageW(window, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(box.Window),
                           MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATE);
  }
  RedirectImport("user32.dll", "DefWindowProcW", reinterpret_cast<void*>(RealDefWindowProc));
  EXPECT_TRUE(IsWindowVisible(box.Window));

  // The user types in a window of their own; a click on the box runs its
  // command and the keyboard stays where it was.
  HWND typing = CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 500, 200, 100, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(typing);
  SetFocus(typing);
  standin::Pump(100);
  ASSERT_EQ(GetForegroundWindow(), typing);
  LeftClickAt(250, 240);
  standin::Pump(100);
  EXPECT_EQ(GetForegroundWindow(), typing);
  EXPECT_EQ(GetFocus(), typing);
  EXPECT_EQ(standin::ExecutedCommands(), std::vector<std::string>{"!left click"});
  DestroyWindow(typing);
}

TEST_F(BoxInputTest, PaintingDraggingAndClickingLoadNoImages) {
  kesto::TBox& box = StartDraggable();
  int images = StandInCounter("LoadLSImage");
  int regions = StandInCounter("BitmapToRegion");
  for (int i = 0; i < 5; ++i) {
    InvalidateRect(box.Window, nullptr, TRUE);
    UpdateWindow(box.Window);
  }
  DragTo(210, 205, 260, 260);
  LeftClickAt(270, 300);
  EXPECT_EQ(StandInCounter("LoadLSImage"), images);
  EXPECT_EQ(StandInCounter("BitmapToRegion"), regions);
}

}  // namespace
}  // namespace kestotest
