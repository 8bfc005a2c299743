// Bang commands end to end: through the shell's LSExecute and through clicks
// whose commands are themselves bang commands.
#include "bang/bang_commands.h"
#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

class BangTest : public KestoTest {
 protected:
  std::string BoxFile(const std::string& file, const std::string& name, int x, const std::string& extra = "") {
    return WriteText(file, "KestoName " + name + "\r\nKestoBackGround " +
                               WriteSolidBmp("bg.bmp", 50, 40, RGB(90, 90, 90)) + "\r\nKestoX " +
                               std::to_string(x) + "\r\nKestoY 100\r\n" + extra);
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (kesto::TBox* b = kesto::BoxList.get(); b; b = b->Next.get()) names.push_back(b->Name);
    return names;
  }
};

TEST_F(BangTest, NamesMatchCaseBlindOnTheFirstTokenAndTheNewestFirst) {
  Start({"*KestoCreate " + BoxFile("old.box", "MyBox", 100), "*KestoCreate " + BoxFile("new.box", "MyBox", 200),
         "*KestoCreate " + BoxFile("blank.box", "My Box", 300)});
  kesto::TBox* newer = kesto::BoxList->Next.get();
  kesto::TBox* older = newer->Next.get();
  Bang("!KestoHide mybox");
  EXPECT_FALSE(IsWindowVisible(newer->Window));
  EXPECT_TRUE(IsWindowVisible(older->Window));
  Bang("!kestoshow MYBOX trailing words");
  EXPECT_TRUE(IsWindowVisible(newer->Window));
  Bang("!KestoHide \"My Box\"");
  EXPECT_FALSE(IsWindowVisible(Box("My Box")->Window));
  // MoveBox compares only the first word of a quoted name: "My" matches nothing.
  Bang("!KestoMoveBox \"My Box\" 10 20");
  EXPECT_EQ(WindowRect(Box("My Box")->Window).left, 300);

  HWND newerWindow = newer->Window;
  Bang("!KestoDestroy MyBox");
  EXPECT_FALSE(IsWindow(newerWindow));
  Bang("!KestoMoveBox mybox 15 25");
  EXPECT_EQ(WindowRect(older->Window).left, 15);
  EXPECT_EQ(WindowRect(older->Window).top, 25);
}

TEST_F(BangTest, DestroyingHeadMiddleAndLastKeepsTheRestWorking) {
  Start({"*KestoCreate " + BoxFile("1.box", "One", 100, "KestoOnLeftClick !one\r\n"),
         "*KestoCreate " + BoxFile("2.box", "Two", 200, "KestoOnLeftClick !two\r\n"),
         "*KestoCreate " + BoxFile("3.box", "Three", 300, "KestoOnLeftClick !three\r\n"),
         "*KestoCreate " + BoxFile("4.box", "Four", 400, "KestoOnLeftClick !four\r\n"),
         "*KestoCreate " + BoxFile("5.box", "Five", 500, "KestoOnLeftClick !five\r\n")});
  Bang("!KestoDestroy Five");   // head
  Bang("!KestoDestroy Three");  // middle
  Bang("!KestoDestroy One");    // last
  EXPECT_EQ(Names(), (std::vector<std::string>{"Four", "Two"}));
  EXPECT_EQ(Box("Four")->Next.get(), Box("Two"));
  StandInLogClear();
  LeftClickAt(210, 110);
  LeftClickAt(410, 110);
  EXPECT_EQ(standin::ExecutedCommands(), (std::vector<std::string>{"!two", "!four"}));
  kesto::TBox stray;  // never linked: taking it out of the list is no fault
  EXPECT_EQ(kesto::UnlinkBox(stray), nullptr);
  EXPECT_EQ(CountBoxes(), 2);
  Bang("!KestoDestroy nobody");  // nothing happens, nothing is reported
  EXPECT_EQ(CountBoxes(), 2);
  EXPECT_TRUE(standin::MessageBoxesShown().empty());
}

TEST_F(BangTest, HideShowAndToggleFollowTheFlagNotTheScreen) {
  Start({"*KestoCreate " + BoxFile("h.box", "Hidden", 100, "KestoStartHidden\r\n")});
  kesto::TBox& box = *kesto::BoxList;
  Bang("!KestoToggle Hidden");  // the flag was clear: the hide path
  EXPECT_FALSE(IsWindowVisible(box.Window));
  EXPECT_TRUE(kesto::HasFlag(box.Flags, kesto::BoxHidden));
  Bang("!KestoToggle Hidden");
  EXPECT_TRUE(IsWindowVisible(box.Window));
  EXPECT_FALSE(kesto::HasFlag(box.Flags, kesto::BoxHidden));
}

TEST_F(BangTest, MoveAndResetPosAndWhatPositionMemorySaves) {
  std::string path = BoxFile("m.box", "Mover", 100,
                             "KestoDragRect 0 0 50 40\r\nKestoRememberPosition\r\n");
  Start({"*KestoCreate " + path});
  kesto::TBox& box = *kesto::BoxList;
  Bang("!KestoMoveBox Mover -10 20");
  EXPECT_EQ(WindowRect(box.Window).left, -10);  // used as written
  EXPECT_EQ(box.X, 100);
  Bang("!KestoMoveBox Mover 100");
  EXPECT_EQ(WindowRect(box.Window).left, 100);
  EXPECT_EQ(WindowRect(box.Window).top, 0);
  Bang("!KestoResetPos");
  EXPECT_EQ(WindowRect(box.Window).top, 100);

  MouseTo(110, 110);
  LeftDown();
  MouseTo(150, 160);
  MouseTo(160, 170);
  LeftUp();
  Bang("!KestoResetPos anything");  // right after a drag it moves nothing
  EXPECT_EQ(WindowRect(box.Window).left, 150);
  EXPECT_EQ(WindowRect(box.Window).top, 160);

  Bang("!KestoMoveBox Mover 333 444");
  Stop();
  std::string saved = ReadText(path);
  EXPECT_NE(saved.find("KestoX 333\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("KestoY 444\r\n"), std::string::npos) << saved;
}

TEST_F(BangTest, GroupCommandsReadTheWholeTextAsANumber) {
  WriteSolidBmp("n.bmp", 10, 10, RGB(200, 0, 0));
  Start({"LSImageFolder " + dir_,
         "*KestoCreate " + BoxFile("g.box", "G", 100,
                                   "*Shortcut a 0 0 n.bmp n.bmp n.bmp !a\r\n"
                                   "*Shortcut b 20 0 n.bmp n.bmp n.bmp #12 !b\r\n")});
  HWND plain = kesto::BoxList->Shortcuts->Next->Window;
  HWND grouped = kesto::BoxList->Shortcuts->Window;
  Bang("!KestoGroupHide");  // no number: group 0
  EXPECT_FALSE(IsWindowVisible(plain));
  EXPECT_TRUE(IsWindowVisible(grouped));
  Bang("!KestoGroupShow 0");
  EXPECT_TRUE(IsWindowVisible(plain));
  Bang("!KestoGroupHide 1 2");  // "1 2" reads as 1*100 - 16*10 + 2: not group 12
  EXPECT_TRUE(IsWindowVisible(grouped));
  Bang("!KestoGroupToggle 12");
  EXPECT_FALSE(IsWindowVisible(grouped));
}

TEST_F(BangTest, CreateTakesTheFirstPathOnlyAndUnknownNamesDoNothing) {
  std::string first = BoxFile("a.box", "First", 100);
  std::string second = BoxFile("b.box", "Second", 200);
  Start();
  Bang("!KestoCreate " + first + " " + second);
  EXPECT_EQ(Names(), std::vector<std::string>{"First"});
  for (const char* command : {"!KestoHide x", "!KestoShow x", "!KestoToggle x", "!KestoMoveBox x 1 1",
                              "!KestoDestroy", "!KestoGroupToggle 999"})
    Bang(command);
  EXPECT_EQ(Names(), std::vector<std::string>{"First"});
  EXPECT_TRUE(standin::MessageBoxesShown().empty());
}

TEST_F(BangTest, ClickCommandsThatDestroyTheirOwnBoxRunSafely) {
  WriteSolidBmp("n.bmp", 10, 10, RGB(200, 0, 0));
  Start({"LSImageFolder " + dir_,
         "*KestoCreate " + BoxFile("self.box", "Self", 100,
                                   "KestoOnLeftClick !KestoDestroy Self\r\n"
                                   "*Shortcut s 30 30 n.bmp n.bmp n.bmp !KestoDestroy Self\r\n"),
         "*KestoCreate " + BoxFile("other.box", "Other", 300, "KestoOnRightClick !KestoShow Other\r\n")});
  LeftClickAt(110, 110);
  EXPECT_EQ(Box("Self"), nullptr);

  // A click queued behind the destroy of its own box still runs its own copy.
  Bang("!KestoCreate " + Path("self.box"));
  kesto::TBox* self = Box("Self");
  ASSERT_NE(self, nullptr);
  StandInLogClear();
  SendMessageA(self->Window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  SendMessageA(self->Window, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  Bang("!KestoDestroy Self");
  standin::PumpPending();
  EXPECT_EQ(standin::ExecutedCommands(),
            (std::vector<std::string>{"!KestoDestroy Self", "!KestoDestroy Self", "!popup"}));

  // A shortcut whose command destroys the box that holds it.
  Bang("!KestoCreate " + Path("self.box"));
  LeftClickAt(135, 135);
  EXPECT_EQ(Box("Self"), nullptr);
  EXPECT_NE(Box("Other"), nullptr);
  RightClickAt(310, 110);
  EXPECT_EQ(standin::ExecutedCommands().back(), "!KestoShow Other");
}

}  // namespace
}  // namespace kestotest

namespace kestotest {
namespace {

class ReloadTest : public KestoTest {
 protected:
  std::vector<std::string> Names() {  // newest first
    std::vector<std::string> names;
    for (kesto::TBox* b = kesto::BoxList.get(); b; b = b->Next.get()) names.push_back(b->Name);
    return names;
  }
};

TEST_F(ReloadTest, AReloadBuildsTheBoxAgainFromItsEditedFileWhereItStood) {
  std::string path = WriteText("r.box", "KestoName Again\r\nKestoWidth 40\r\nKestoHeight 30\r\nKestoX 10\r\n");
  std::string other = WriteText("o.box", "KestoName Other\r\nKestoWidth 20\r\nKestoHeight 20\r\n");
  Start({"*KestoCreate " + path, "*KestoCreate " + other});
  Bang("!KestoMoveBox Again 300 200");
  HWND before = Box("Again")->Window;
  WriteText("r.box", "KestoName Again\r\nKestoWidth 60\r\nKestoHeight 30\r\nKestoX 10\r\n");
  Bang("!KestoReload again");
  ASSERT_NE(Box("Again"), nullptr);
  EXPECT_FALSE(IsWindow(before));
  RECT now = WindowRect(Box("Again")->Window);
  EXPECT_EQ(now.left, 300);  // where it stood
  EXPECT_EQ(now.top, 200);
  EXPECT_EQ(now.right - now.left, 60);  // as the file says now
  EXPECT_EQ(CountBoxes(), 2);
  // It does not remember its position: the file is left alone.
  EXPECT_EQ(ReadText(path), "KestoName Again\r\nKestoWidth 60\r\nKestoHeight 30\r\nKestoX 10\r\n");
  // Without a name, every box comes back, keeping the order of the list.
  EXPECT_EQ(Names(), (std::vector<std::string>{"Again", "Other"}));
  HWND otherBefore = Box("Other")->Window;
  Bang("!KestoReload");
  EXPECT_FALSE(IsWindow(otherBefore));
  EXPECT_EQ(Names(), (std::vector<std::string>{"Again", "Other"}));
  EXPECT_EQ(WindowRect(Box("Again")->Window).left, 300);
  Bang("!KestoResetPos");  // the place it was created at counts as before
  EXPECT_EQ(WindowRect(Box("Again")->Window).left, 10);
}

TEST_F(ReloadTest, APositionEditedInTheFileWins) {
  std::string path = WriteText("e.box", "KestoName Edited\r\nKestoWidth 40\r\nKestoHeight 30\r\nKestoX 10\r\nKestoY 10\r\n");
  Start({"*KestoCreate " + path});
  Bang("!KestoMoveBox Edited 300 200");
  WriteText("e.box", "KestoName Edited\r\nKestoWidth 40\r\nKestoHeight 30\r\nKestoX 50\r\nKestoY 10\r\n");
  Bang("!KestoReload Edited");
  EXPECT_EQ(WindowRect(Box("Edited")->Window).left, 50);
  EXPECT_EQ(WindowRect(Box("Edited")->Window).top, 10);
  // Moved again, with the file's position as it was built from: it stays where it stood.
  Bang("!KestoMoveBox Edited 320 220");
  Bang("!KestoReload");
  EXPECT_EQ(WindowRect(Box("Edited")->Window).left, 320);
  // An edit that also names the monitor.
  WriteText("e.box", "KestoName Edited\r\nKestoWidth 40\r\nKestoHeight 30\r\nKestoX 50\r\nKestoY 60\r\n"
                     "KestoMonitor 1\r\n");
  Bang("!KestoReload Edited");
  EXPECT_EQ(WindowRect(Box("Edited")->Window).top, 60);
}

// A reload is not the end of the box: its place is carried over, and written
// when the box is destroyed. A file that can't be read leaves the box.
TEST_F(ReloadTest, ABoxThatRemembersItsPositionKeepsItAcrossAReloadAndWritesItAtItsEnd) {
  std::string path = WriteText("m.box", "KestoName Mem\r\nKestoRememberPosition\r\n");
  Start({"*KestoCreate " + path});
  Bang("!KestoMoveBox Mem 120 130");
  Bang("!KestoReload Mem");
  EXPECT_EQ(ReadText(path), "KestoName Mem\r\nKestoRememberPosition\r\n");
  EXPECT_EQ(WindowRect(Box("Mem")->Window).left, 120);
  HWND before = Box("Mem")->Window;
  const std::string aside = path + ".aside";
  ASSERT_TRUE(MoveFileA(path.c_str(), aside.c_str()));
  Bang("!KestoReload Mem");
  EXPECT_EQ(standin::MessageBoxesShown(), std::vector<std::string>{path + "|Can't load .Box File"});
  EXPECT_TRUE(IsWindow(before));
  EXPECT_EQ(CountBoxes(), 1);
  ASSERT_TRUE(MoveFileA(aside.c_str(), path.c_str()));
  Bang("!KestoDestroy Mem");
  EXPECT_EQ(ReadText(path), "KestoName Mem\r\nKestoRememberPosition\r\nKestoX 120\r\nKestoY 130\r\n");
}

// The window the user is typing in keeps the keyboard: boxes are made,
// shown, toggled and moved without being activated.
TEST_F(BangTest, BoxesAppearAndMoveWithoutTakingTheFocus) {
  std::string onTop = BoxFile("top.box", "OnTop", 100, "KestoAlwaysOnTop\r\n");
  std::string onDesk = BoxFile("desk.box", "OnDesk", 300, "KestoStartHidden\r\n");
  std::string unique = BoxFile("unique.box", "Unique", 500, "KestoUnique\r\n");
  Start();
  HWND editor = CreateWindowExA(0, "EDIT", "typing here", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 400, 200, 100,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(editor, nullptr);
  SetForegroundWindow(editor);
  SetActiveWindow(editor);
  SetFocus(editor);
  standin::PumpPending();
  ASSERT_EQ(GetActiveWindow(), editor);
  for (const std::string& command : std::vector<std::string>{"!KestoCreate " + onTop, "!KestoCreate " + onDesk, "!KestoShow OnDesk", "!KestoToggle OnTop",
        "!KestoToggle OnTop", "!KestoMoveBox OnTop 120 130", "!KestoResetPos", "!KestoCreate " + unique,
        "!KestoHide Unique", "!KestoCreate " + unique, "!KestoReload"}) {
    Bang(command);
    standin::Pump(100);  // activation may come with a later message
    EXPECT_EQ(GetForegroundWindow(), editor) << command;
    EXPECT_EQ(GetActiveWindow(), editor) << command;
    EXPECT_EQ(GetFocus(), editor) << command;
  }
  EXPECT_TRUE(IsWindowVisible(BoxWindow("OnTop")));
  EXPECT_TRUE(IsWindowVisible(BoxWindow("OnDesk")));  // rebuilt by the reload, shown as it was
  EXPECT_TRUE(GetWindowLongA(BoxWindow("OnTop"), GWL_EXSTYLE) & WS_EX_TOPMOST);
  DestroyWindow(editor);
}

}  // namespace
}  // namespace kestotest
