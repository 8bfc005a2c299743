// A box used from the keyboard: !KestoFocus, then the keys a person presses,
// through the system's input as they arrive.
#include <windows.h>

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

}  // namespace
}  // namespace kestotest
