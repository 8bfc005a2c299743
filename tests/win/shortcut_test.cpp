#include <windows.h>
// Image buttons under real mouse movement: placement, shape, the three images,
// commands, tooltips and fallbacks.
#include <commctrl.h>

#include "content/groups.h"
#include "content/shortcuts.h"
#include "content/tooltip.h"
#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

constexpr COLORREF kNormal = RGB(200, 0, 0);
constexpr COLORREF kHover = RGB(0, 200, 0);
constexpr COLORREF kPressed = RGB(0, 0, 200);
constexpr COLORREF kBackground = RGB(20, 20, 20);

class ShortcutTest : public KestoTest {
 protected:
  void SetUp() override {
    KestoTest::SetUp();
    background_ = WriteSolidBmp("bg.bmp", 200, 100, kBackground);
    for (auto [name, color] : {std::pair{"n.bmp", kNormal}, {"h.bmp", kHover}, {"p.bmp", kPressed}}) {
      // 20 by 20 with a see-through 5 by 5 top-left corner.
      WriteBmp(name, 20, 20, [color = color](int x, int y) { return x < 5 && y < 5 ? kMagenta : color; });
    }
  }
  // A box at 100,100 of 200 by 100 with these shortcut lines.
  kesto::TBox& StartWithShortcuts(const std::string& lines) {
    Start({"LSImageFolder " + dir_,
           "*KestoCreate " + WriteText("s.box", "KestoName S\r\nKestoBackGround " + background_ +
                                                    "\r\nKestoX 100\r\nKestoY 100\r\n" + lines)});
    return *kesto::BoxList;
  }
  static kesto::TShortcut& Nth(kesto::TBox& box, int n) {  // 0: the first line's
    std::vector<kesto::TShortcut*> all;
    for (kesto::TShortcut* s = box.Shortcuts.get(); s; s = s->Next.get()) all.insert(all.begin(), s);
    return *all.at(static_cast<std::size_t>(n));
  }
  static int ToolCount() {
    return kesto::TooltipWnd ? static_cast<int>(SendMessageA(kesto::TooltipWnd, TTM_GETTOOLCOUNT, 0, 0)) : 0;
  }
  std::string background_;
};

TEST_F(ShortcutTest, PlacedShapedAndCountedFromTheFarEdges) {
  kesto::TBox& box = StartWithShortcuts(
      "*Shortcut \"Tip one\" 10 20 n.bmp h.bmp p.bmp !run one\r\n"
      "*Shortcut Two -40 -30 n.bmp h.bmp p.bmp #3 !run two\r\n");
  kesto::TShortcut& one = Nth(box, 0);
  kesto::TShortcut& two = Nth(box, 1);
  EXPECT_EQ(GetParent(one.Window), box.Window);
  EXPECT_EQ(WindowRect(one.Window).left, 110);
  EXPECT_EQ(WindowRect(one.Window).top, 120);
  EXPECT_EQ(WindowRect(one.Window).right, 130);
  EXPECT_EQ(WindowRect(two.Window).left, 100 + 160);
  EXPECT_EQ(WindowRect(two.Window).top, 100 + 70);
  EXPECT_EQ(two.Command, "!run two");
  EXPECT_EQ(two.Member->Group->Number, 3);
  EXPECT_EQ(one.Member->Group->Number, 0);
  EXPECT_FALSE(RegionHas(one.Window, 2, 2));
  EXPECT_TRUE(RegionHas(one.Window, 10, 10));
  standin::Screenshot shot = (standin::Pump(60), standin::CaptureScreen());
  EXPECT_EQ(shot.At(112, 122), kBackground);  // the magenta corner shows the box
  EXPECT_EQ(shot.At(120, 130), kNormal);
  EXPECT_EQ(ToolCount(), 2);
}

TEST_F(ShortcutTest, HoverPressAndLeaveSwitchImagesAndAClickRunsOnce) {
  kesto::TBox& box = StartWithShortcuts("*Shortcut Tip 10 20 n.bmp h.bmp p.bmp !run it\r\n");
  kesto::TShortcut& s = Nth(box, 0);
  int images = StandInCounter("LoadLSImage");
  int regions = StandInCounter("BitmapToRegion");

  MouseTo(120, 130);
  EXPECT_EQ(s.State, 1);
  EXPECT_EQ(ScreenPixel(118, 128), kHover);
  LeftDown();
  EXPECT_EQ(s.State, 2);
  EXPECT_EQ(ScreenPixel(118, 128), kPressed);
  LeftUp();
  EXPECT_EQ(s.State, 1);
  EXPECT_EQ(ScreenPixel(118, 128), kHover);
  EXPECT_EQ(standin::ExecutedCommands(), std::vector<std::string>{"!run it"});

  MouseTo(250, 180);  // off the shortcut, still on the box
  standin::Pump(700);  // the leave is noticed by polling
  EXPECT_EQ(s.State, 0);
  EXPECT_EQ(ScreenPixel(118, 128), kNormal);
  EXPECT_EQ(StandInCounter("LoadLSImage"), images);  // switching only, no image work
  EXPECT_EQ(StandInCounter("BitmapToRegion"), regions);
}

TEST_F(ShortcutTest, APressWithoutAMoveFirstStillEndsWhenTheMouseLeaves) {
  kesto::TBox& box = StartWithShortcuts("*Shortcut Tip 10 20 n.bmp h.bmp p.bmp #1H !run it\r\n");
  kesto::TShortcut& s = Nth(box, 0);
  MouseTo(120, 130);  // the pointer rests where the hidden button will show
  Bang("!KestoGroupShow 1");
  LeftDown();
  LeftUp();
  EXPECT_EQ(s.State, 1);
  MouseTo(250, 180);
  standin::Pump(700);
  EXPECT_EQ(s.State, 0);  // not stuck lit
  EXPECT_EQ(ScreenPixel(118, 128), kNormal);
}

TEST_F(ShortcutTest, PressThatLeavesAndComesBackRunsNothing) {
  kesto::TBox& box = StartWithShortcuts("*Shortcut Tip 10 20 n.bmp h.bmp p.bmp !run it\r\n");
  kesto::TShortcut& s = Nth(box, 0);
  MouseTo(120, 130);
  LeftDown();
  MouseTo(250, 180);
  standin::Pump(700);
  EXPECT_EQ(s.State, 0);
  MouseTo(120, 130);
  LeftUp();
  EXPECT_EQ(s.State, 1);
  standin::PumpPending();
  EXPECT_TRUE(standin::ExecutedCommands().empty());
}

TEST_F(ShortcutTest, MissingImagesFallBackOrLeaveAnInvisibleShortcut) {
  kesto::TBox& box = StartWithShortcuts(
      "*Shortcut Only 10 20 n.bmp none.bmp none.bmp !only\r\n"
      "*Shortcut Gone 50 20 gone.bmp h.bmp p.bmp !gone\r\n"
      "*Shortcut Short 90 20 n.bmp\r\n");
  kesto::TShortcut& only = Nth(box, 0);
  EXPECT_EQ(kesto::TShortcut::DCOf(only.HoverImage()), kesto::TShortcut::DCOf(only.NormalImage()));
  EXPECT_EQ(kesto::TShortcut::DCOf(only.PressedImage()), kesto::TShortcut::DCOf(only.NormalImage()));
  EXPECT_EQ(kesto::TShortcut::RegionOf(only.PressedImage()), kesto::TShortcut::RegionOf(only.NormalImage()));
  MouseTo(120, 130);
  LeftDown();
  EXPECT_EQ(ScreenPixel(118, 128), kNormal);
  LeftUp();

  kesto::TShortcut& gone = Nth(box, 1);
  EXPECT_EQ(gone.Width, 0);
  EXPECT_EQ(kesto::TShortcut::DCOf(gone.NormalImage()), nullptr);
  EXPECT_NE(gone.Member, nullptr);
  EXPECT_EQ(standin::MessageBoxesShown(), std::vector<std::string>{"Error|Check Box File: Can't load image"});
  EXPECT_EQ(Nth(box, 2).Command, "");
  EXPECT_EQ(ToolCount(), 3);

  HDC normal = kesto::TShortcut::DCOf(only.NormalImage());
  HRGN shape = kesto::TShortcut::RegionOf(only.NormalImage());
  Stop();
  EXPECT_EQ(GetObjectType(normal), 0u);
  EXPECT_EQ(GetObjectType(shape), 0u);
}

TEST_F(ShortcutTest, TheEarlierLineLiesOnTop) {
  kesto::TBox& box = StartWithShortcuts(
      "*Shortcut First 10 20 h.bmp h.bmp h.bmp !a\r\n"
      "*Shortcut Second 10 20 p.bmp p.bmp p.bmp !b\r\n");
  // Stacking as the platform reports it: the first child is the top one, and
  // the mouse reaches it first.
  EXPECT_EQ(GetWindow(box.Window, GW_CHILD), Nth(box, 0).Window);
  EXPECT_EQ(WindowFromPoint(POINT{120, 130}), Nth(box, 0).Window);
  LeftClickAt(120, 130);
  EXPECT_EQ(standin::ExecutedCommands(), std::vector<std::string>{"!a"});
}

TEST_F(ShortcutTest, TooltipsAreRemovedWithTheirShortcuts) {
  StartWithShortcuts("*Shortcut A 10 20 n.bmp h.bmp p.bmp !a\r\n");
  std::string other = WriteText("o.box", "KestoName O\r\n*Shortcut B 1 1 n.bmp h.bmp p.bmp !b\r\n"
                                         "*Shortcut C 1 1 n.bmp h.bmp p.bmp !c\r\n");
  Bang("!KestoCreate " + other);
  EXPECT_EQ(ToolCount(), 3);
  TOOLINFOA tool{};
  char text[80] = {};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.hwnd = Nth(*Box("S"), 0).Window;
  tool.lpszText = text;
  SendMessageA(kesto::TooltipWnd, TTM_GETTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(text, "A");
  Bang("!KestoDestroy O");
  EXPECT_EQ(ToolCount(), 1);
}

// The tooltip control hears of the mouse from the button itself: it comes up
// while the mouse rests on the button and goes when the mouse leaves.
TEST_F(ShortcutTest, ATooltipShowsWhileTheMouseRestsOnItsButton) {
  kesto::TBox& box = StartWithShortcuts("*Shortcut \"Rest here\" 10 20 n.bmp h.bmp p.bmp !a\r\n");
  RECT button = WindowRect(Nth(box, 0).Window);
  auto tipShown = [] { return kesto::TooltipWnd && IsWindowVisible(kesto::TooltipWnd); };
  EXPECT_FALSE(tipShown());
  MouseTo(button.left + 4, button.top + 4);
  MouseTo(button.left + 5, button.top + 5);
  for (int i = 0; i < 30 && !tipShown(); ++i) standin::Pump(100);
  EXPECT_TRUE(tipShown());
  char text[80] = {};
  GetWindowTextA(kesto::TooltipWnd, text, sizeof text);
  EXPECT_STREQ(text, "Rest here");
  MouseTo(ScreenWidth() - 24, ScreenHeight() - 18);
  for (int i = 0; i < 30 && tipShown(); ++i) standin::Pump(100);
  EXPECT_FALSE(tipShown());
}

}  // namespace
}  // namespace kestotest
