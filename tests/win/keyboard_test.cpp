// A box used from the keyboard: !KestoFocus, then the keys a person presses,
// through the system's input as they arrive.
#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "content/tooltip.h"

#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

void Press(WORD key, bool shift = false) {
  std::vector<INPUT> inputs;
  auto add = [&](WORD k, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = k;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  };
  if (shift) add(VK_SHIFT, false);
  add(key, false);
  add(key, true);
  if (shift) add(VK_SHIFT, true);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  standin::Pump(150);
}

class KeyboardTest : public KestoTest {};

// The window the user types in, holding the keyboard.
HWND TypingWindow() {
  HWND editor = CreateWindowExA(0, "EDIT", "typing here", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 400, 200, 100,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetForegroundWindow(editor);
  SetFocus(editor);
  standin::Pump(100);
  return editor;
}

TEST_F(KeyboardTest, AFocusedBoxIsUsedWithTabEnterAndEscAndGivesTheKeyboardBack) {
  WriteSolidBmp("k.bmp", 20, 20, RGB(200, 40, 40));
  const std::string k = " " + Path("k.bmp") + " " + Path("k.bmp") + " " + Path("k.bmp") + " ";
  // Two rows; the top row's middle button is in a hidden group.
  Start({"*KestoCreate " + WriteText("keys.box", "KestoName Keys\r\nKestoWidth 120\r\nKestoHeight 70\r\nKestoX 300\r\n"
                                                 "KestoY 300\r\nKestoOnRightClick !menu\r\n"
                                                 "*Shortcut one 10 10" + k + "!one\r\n"
                                                 "*Shortcut skipped 40 10" + k + "#5H !skipped\r\n"
                                                 "*Shortcut two 70 10" + k + "!two\r\n"
                                                 "*Shortcut three 10 40" + k + "!three\r\n")});
  HWND editor = TypingWindow();
  ASSERT_EQ(GetForegroundWindow(), editor);
  const COLORREF plain = ScreenPixel(315, 315);
  EXPECT_EQ(plain, RGB(200, 40, 40));

  Bang("!KestoFocus keys");
  standin::Pump(100);
  EXPECT_EQ(GetFocus(), Box("Keys")->Window);
  EXPECT_EQ(ScreenPixel(315, 315), RGB(255 - 200, 255 - 40, 255 - 40));  // the mark: the first button inverted
  Press(VK_TAB);   // to "two": the hidden one is skipped
  Press(VK_TAB);   // to "three", on the second row
  EXPECT_EQ(ScreenPixel(315, 315), plain);
  EXPECT_EQ(ScreenPixel(315, 345), RGB(255 - 200, 255 - 40, 255 - 40));
  Press(VK_RETURN);
  Press(VK_TAB, true);  // back to "two"
  Press(VK_SPACE);
  Press(VK_F10, true);  // the box's right-click command
  standin::Pump(100);
  EXPECT_EQ(standin::ExecutedCommands(), (std::vector<std::string>{"!KestoFocus keys", "!three", "!two", "!menu"}));
  Press(VK_ESCAPE);
  standin::Pump(100);
  EXPECT_EQ(GetForegroundWindow(), editor);
  EXPECT_EQ(ScreenPixel(375, 315), plain);  // the mark is gone
  Press(VK_RETURN);  // the keys are the editor's again
  EXPECT_EQ(standin::ExecutedCommands().size(), 4u);
  DestroyWindow(editor);
}


// KestoKeyboard: a click on the box gives it the keyboard, as !KestoFocus does;
// a box without the key never takes it.
TEST_F(KeyboardTest, AClickGivesTheKeyboardOnlyToABoxThatSaysKestoKeyboard) {
  WriteSolidBmp("k.bmp", 20, 20, RGB(40, 160, 40));
  const std::string k = " " + Path("k.bmp") + " " + Path("k.bmp") + " " + Path("k.bmp") + " ";
  Start({"*KestoCreate " + WriteText("takes.box", "KestoName Takes\r\nKestoKeyboard\r\nKestoWidth 80\r\nKestoHeight 40\r\n"
                                                  "KestoX 300\r\nKestoY 300\r\n*Shortcut go 40 10" + k + "!go\r\n"),
         "*KestoCreate " + WriteText("plain.box", "KestoName Plain\r\nKestoWidth 80\r\nKestoHeight 40\r\nKestoX 500\r\n"
                                                  "KestoY 300\r\n*Shortcut go 40 10" + k + "!go\r\n")});
  HWND editor = TypingWindow();
  LeftClickAt(505, 305);  // the plain box: the keyboard stays
  standin::Pump(100);
  EXPECT_EQ(GetForegroundWindow(), editor);
  LeftClickAt(305, 305);  // the box that takes it
  standin::Pump(100);
  EXPECT_EQ(GetFocus(), Box("Takes")->Window);
  EXPECT_EQ(ScreenPixel(345, 315), RGB(255 - 40, 255 - 160, 255 - 40));
  Press(VK_ESCAPE);
  EXPECT_EQ(GetForegroundWindow(), editor);
  DestroyWindow(editor);
}

// What a screen reader is told as it happens, and what a sighted keyboard user
// sees: the focus moving (with the button's tooltip), a button hidden, and a
// box read again after its file is saved.
std::vector<std::pair<DWORD, HWND>> HeardEvents;
void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD, DWORD) {
  if (object == OBJID_CLIENT || object == OBJID_WINDOW) HeardEvents.emplace_back(event, window);
}
bool Heard(DWORD event, HWND window) {
  return std::find(HeardEvents.begin(), HeardEvents.end(), std::make_pair(event, window)) != HeardEvents.end();
}
std::string TooltipShown() {
  if (!kesto::TooltipWnd || !IsWindowVisible(kesto::TooltipWnd)) return "";
  char text[80] = {};
  GetWindowTextA(kesto::TooltipWnd, text, sizeof text);
  return text;
}

TEST_F(KeyboardTest, TheFocusItsTooltipHiddenButtonsAndARebuildAreToldAsTheyHappen) {
  WriteSolidBmp("k.bmp", 20, 20, RGB(200, 40, 40));
  const std::string k = " " + Path("k.bmp") + " " + Path("k.bmp") + " " + Path("k.bmp") + " ";
  const std::string file = WriteText("told.box", "KestoName Told\r\nKestoWidth 120\r\nKestoHeight 40\r\nKestoX 300\r\n"
                                                 "KestoY 300\r\nKestoAutoReload\r\n*Shortcut \"Open mail\" 10 10" + k +
                                                 "!mail\r\n*Shortcut \"Lock\" 40 10" + k + "#3 !lock\r\n"
                                                 "*Shortcut \"\" 70 10" + k + "!quiet\r\n");
  Start({"*KestoCreate " + file});
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, Hear, GetCurrentProcessId(), 0,
                                       WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  HWND editor = TypingWindow();
  kesto::TBox* box = Box("Told");
  auto button = [&](const std::string& command) {
    for (const kesto::TShortcut* s = box->Shortcuts.get(); s; s = s->Next.get())
      if (s->Command == command) return s->Window;
    return HWND{};
  };
  HWND mail = button("!mail");
  HWND lock = button("!lock");
  HWND quiet = button("!quiet");
  HWND old = box->Window;
  // The windows carry the names, for the system's own object of a window.
  char name[40] = {};
  GetWindowTextA(quiet, name, sizeof name);
  EXPECT_STREQ(name, "k");

  HeardEvents.clear();
  Bang("!KestoFocus Told");
  standin::Pump(200);
  EXPECT_TRUE(Heard(EVENT_OBJECT_FOCUS, mail));
  EXPECT_EQ(TooltipShown(), "Open mail");
  RECT tip{}, place{};
  GetWindowRect(kesto::TooltipWnd, &tip);
  GetWindowRect(mail, &place);
  EXPECT_NEAR(tip.left, place.left, 4);  // below the button, not where the mouse is
  EXPECT_GE(tip.top, place.bottom);
  Press(VK_TAB);
  EXPECT_TRUE(Heard(EVENT_OBJECT_FOCUS, lock));
  EXPECT_EQ(TooltipShown(), "Lock");
  Press(VK_TAB);  // a button without a tooltip shows none
  EXPECT_TRUE(Heard(EVENT_OBJECT_FOCUS, quiet));
  EXPECT_EQ(TooltipShown(), "");

  HeardEvents.clear();
  Bang("!KestoGroupToggle 3");
  standin::Pump(200);
  EXPECT_FALSE(IsWindowVisible(lock));
  EXPECT_TRUE(Heard(EVENT_OBJECT_HIDE, lock));
  Press(VK_ESCAPE);
  EXPECT_EQ(GetForegroundWindow(), editor);
  EXPECT_EQ(TooltipShown(), "");
  // A box hidden while it has the keyboard gives it back too.
  Bang("!KestoFocus Told");
  standin::Pump(100);
  Bang("!KestoHide Told");
  standin::Pump(100);
  EXPECT_TRUE(Heard(EVENT_OBJECT_HIDE, old));
  EXPECT_EQ(GetForegroundWindow(), editor);
  EXPECT_EQ(TooltipShown(), "");
  Bang("!KestoShow Told");
  standin::Pump(100);
  EXPECT_TRUE(Heard(EVENT_OBJECT_SHOW, old));

  HeardEvents.clear();
  WriteText("told.box", "KestoName Told\r\nKestoWidth 120\r\nKestoHeight 40\r\nKestoX 300\r\nKestoY 300\r\n"
                        "KestoAutoReload\r\n*Shortcut \"Read mail\" 10 10" + k + "!mail\r\n");
  for (int i = 0; i < 40 && Box("Told") && Box("Told")->Window == old; ++i) standin::Pump(100);
  ASSERT_NE(Box("Told"), nullptr);
  HWND rebuilt = Box("Told")->Window;
  ASSERT_NE(rebuilt, old);
  EXPECT_TRUE(Heard(EVENT_OBJECT_NAMECHANGE, rebuilt));
  EXPECT_TRUE(Heard(EVENT_OBJECT_NAMECHANGE, Box("Told")->Shortcuts->Window));
  UnhookWinEvent(hook);
  DestroyWindow(editor);
}

}  // namespace
}  // namespace kestotest
