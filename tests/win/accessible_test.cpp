// What a screen reader reads of boxes and buttons, through the system's
// accessibility library as a client reads it: names, roles, places, states,
// the default action, and nothing that outlives Kesto's end.
#include <windows.h>
#include <oleacc.h>

#include "base/accessible_object.h"
#include "box/box_accessible.h"
#include "content/shortcuts.h"
#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

class AccessibleTest : public KestoTest {
 protected:
  // The object a client gets for a box or button window. Windows hands it
  // over through the system's library (WM_GETOBJECT, LresultFromObject);
  // Wine's library hands it only to another process (the real-shell lane
  // reads it so) and answers a client in the same process with its standard
  // object, so where that is not Kesto's, the object is made as the window's
  // answer makes it.
  static IAccessible* Read(HWND window) {
    IAccessible* object = nullptr;
    if (SUCCEEDED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&object)))) {
      VARIANT role = RoleOf(object);
      if (role.vt == VT_I4 && (role.lVal == ROLE_SYSTEM_PANE || role.lVal == ROLE_SYSTEM_PUSHBUTTON)) return object;
      object->Release();
    }
    char kind[32] = "";
    GetClassNameA(window, kind, sizeof kind);
    const bool isButton = std::string(kind) == kesto::kShortcutClass;
    return kesto::MakeAccessible(window, isButton ? kesto::ShortcutAccessibility() : kesto::BoxAccessibility());
  }
  static VARIANT RoleOf(IAccessible* object) {
    VARIANT role;
    VariantInit(&role);
    object->get_accRole(Self(), &role);
    return role;
  }
  static VARIANT Self() {
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
  }
  static std::wstring Name(IAccessible* object) {
    BSTR name = nullptr;
    if (object->get_accName(Self(), &name) != S_OK || !name) return L"";
    std::wstring text(name, SysStringLen(name));
    SysFreeString(name);
    return text;
  }
  static long Number(IAccessible* object, bool role) {
    VARIANT value;
    VariantInit(&value);
    const HRESULT result = role ? object->get_accRole(Self(), &value) : object->get_accState(Self(), &value);
    return result == S_OK && value.vt == VT_I4 ? value.lVal : -1;
  }
};

TEST_F(AccessibleTest, ButtonsReadAsPushButtonsNamedByTheirTooltipsInsideAPaneNamedByTheBox) {
  WriteSolidBmp("mail.bmp", 20, 20, RGB(200, 0, 0));
  WriteSolidBmp("back.bmp", 120, 60, RGB(0, 0, 200));
  Start({"*KestoCreate " + WriteText("a.box", "KestoName Привет\r\nKestoBackGround " + Path("back.bmp") +
                                                 "\r\nKestoX 100\r\nKestoY 100\r\n*Text 4 40 \"Почта\"\r\n"
                                                 "*Shortcut \"Открыть почту\" 60 30 " + Path("mail.bmp") + " " +
                                                 Path("mail.bmp") + " " + Path("mail.bmp") + " !mail\r\n"
                                                 "*Shortcut \"\" 10 30 " + Path("mail.bmp") + " " + Path("mail.bmp") +
                                                 " " + Path("mail.bmp") + " !second\r\n"
                                                 "*Shortcut Hidden 10 5 " + Path("mail.bmp") + " " + Path("mail.bmp") +
                                                 " " + Path("mail.bmp") + " #3H !third\r\n")});
  kesto::TBox* box = Box("Привет");
  ASSERT_NE(box, nullptr);
  IAccessible* pane = Read(box->Window);
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(Name(pane), L"Привет");
  EXPECT_EQ(Number(pane, true), ROLE_SYSTEM_PANE);
  LONG count = 0;
  ASSERT_EQ(pane->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 4);
  // Reading order: the top row first, then left to right; the label is static text.
  const wchar_t* expected[] = {L"Hidden", L"mail", L"Открыть почту"};
  VARIANT label = Self();
  label.lVal = 4;
  BSTR text = nullptr;
  ASSERT_EQ(pane->get_accName(label, &text), S_OK);
  EXPECT_EQ(std::wstring(text), L"Почта");
  SysFreeString(text);
  VARIANT role;
  VariantInit(&role);
  ASSERT_EQ(pane->get_accRole(label, &role), S_OK);
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_STATICTEXT);
  IDispatch* none = nullptr;
  EXPECT_EQ(pane->get_accChild(label, &none), S_FALSE);  // a simple element of the pane
  LONG labelLeft = 0, labelTop = 0, labelWidth = 0, labelHeight = 0;
  ASSERT_EQ(pane->accLocation(&labelLeft, &labelTop, &labelWidth, &labelHeight, label), S_OK);
  EXPECT_EQ(labelLeft, 104);
  EXPECT_EQ(labelTop, 140);
  EXPECT_GT(labelWidth, 10);
  for (long child = 1; child <= 3; ++child) {
    VARIANT id = Self();
    id.lVal = child;
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(pane->get_accChild(id, &dispatch), S_OK) << child;
    IAccessible* button = nullptr;
    ASSERT_EQ(dispatch->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&button)), S_OK);
    dispatch->Release();
    EXPECT_EQ(Name(button), expected[child - 1]) << child;  // a button without a tooltip is named by its image
    EXPECT_EQ(Number(button, true), ROLE_SYSTEM_PUSHBUTTON);
    const bool hidden = child == 1;  // its group starts hidden
    EXPECT_EQ((Number(button, false) & STATE_SYSTEM_INVISIBLE) != 0, hidden) << child;
    button->Release();
  }
  pane->Release();

  // The button of the tooltip: where it stands, and its default action runs its command as a click does.
  HWND mail = nullptr;
  for (kesto::TShortcut* s = box->Shortcuts.get(); s; s = s->Next.get())
    if (s->Command == "!mail") mail = s->Window;
  IAccessible* button = Read(mail);
  ASSERT_NE(button, nullptr);
  LONG left = 0, top = 0, width = 0, height = 0;
  ASSERT_EQ(button->accLocation(&left, &top, &width, &height, Self()), S_OK);
  EXPECT_EQ(left, 160);
  EXPECT_EQ(top, 130);
  EXPECT_EQ(width, 20);
  EXPECT_EQ(height, 20);
  BSTR action = nullptr;
  ASSERT_EQ(button->get_accDefaultAction(Self(), &action), S_OK);
  EXPECT_EQ(std::wstring(action), L"Press");
  SysFreeString(action);
  ASSERT_EQ(button->accDoDefaultAction(Self()), S_OK);
  standin::Pump(100);
  EXPECT_EQ(standin::ExecutedCommands(), std::vector<std::string>{"!mail"});
  button->Release();
  EXPECT_EQ(kesto::LiveAccessibles(), 0);
}

// A client that still holds a box's object when Kesto ends reads "gone", and
// its last release reaches no freed code.
TEST_F(AccessibleTest, AnObjectHeldPastTheEndAnswersDisconnected) {
  Start({"*KestoCreate " + WriteText("b.box", "KestoName Held\r\nKestoWidth 40\r\nKestoHeight 30\r\n")});
  IAccessible* pane = Read(Box("Held")->Window);
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(Name(pane), L"Held");
  Stop();
  BSTR name = nullptr;
  EXPECT_TRUE(FAILED(pane->get_accName(Self(), &name)));
  EXPECT_EQ(name, nullptr);
  LONG count = 7;
  EXPECT_TRUE(FAILED(pane->get_accChildCount(&count)));
  pane->Release();
  EXPECT_EQ(kesto::LiveAccessibles(), 0);
}

}  // namespace
}  // namespace kestotest
