// Position memory as the user expects it: the file that was loaded, only when
// the box moved, and never from a window that is gone.
#include <windows.h>

#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

class PositionMemoryTest : public KestoTest {};

TEST_F(PositionMemoryTest, ARelativeNameIsWrittenBackToTheFileThatWasLoaded) {
  CreateDirectoryA(Path("theme").c_str(), nullptr);
  CreateDirectoryA(Path("elsewhere").c_str(), nullptr);
  const std::string original = "KestoName Rel\r\nKestoRememberPosition\r\n";
  std::string loaded = WriteText("theme\\launcher.box", original);
  std::string unrelated = WriteText("elsewhere\\launcher.box", original);
  char previous[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, previous);
  SetCurrentDirectoryA(Path("theme").c_str());
  Start({"*KestoCreate launcher.box"});
  ASSERT_EQ(CountBoxes(), 1);
  // A file dialog anywhere in the shell's process moves the current folder.
  SetCurrentDirectoryA(Path("elsewhere").c_str());
  SetWindowPos(BoxWindow("Rel"), nullptr, 70, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Stop();
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(ReadText(loaded), original + "KestoX 70\r\nKestoY 80\r\n");
  EXPECT_EQ(ReadText(unrelated), original);
}

TEST_F(PositionMemoryTest, ABoxThatStandsWhereItsFilePutsItLeavesTheFileAlone) {
  // Anchored to the far edges, with its own line ends and spacing.
  const std::string original = "KestoName Anchor\nKestoX -120    ; from the right\nKestoY -90\n"
                               "KestoRememberPosition\n";
  std::string path = WriteText("anchor.box", original);
  for (int run = 0; run < 2; ++run) {
    Start({"*KestoCreate " + path});
    EXPECT_EQ(WindowRect(BoxWindow("Anchor")).left, ScreenWidth() - 120);
    Stop();
    EXPECT_EQ(ReadText(path), original);
  }
  // Moved, it is written as before: the comment stays with its line, and
  // every line keeps its own end.
  Start({"*KestoCreate " + path});
  SetWindowPos(BoxWindow("Anchor"), nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Stop();
  EXPECT_EQ(ReadText(path), "KestoName Anchor\nKestoX 30 ; from the right\nKestoY 40\nKestoRememberPosition\n");
}

TEST_F(PositionMemoryTest, AWindowThatIsGoneIsNeverReadAndACloseRequestIsRefused) {
  const std::string original = "KestoName Gone\r\nKestoX 10\r\nKestoRememberPosition\r\n";
  std::string path = WriteText("gone.box", original);
  Start({"*KestoCreate " + path});
  HWND window = BoxWindow("Gone");
  SetWindowPos(window, nullptr, 300, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(window));  // only Kesto ends a box
  // Destroyed behind Kesto's back, as a desktop module that quits first does
  // to the boxes on its window.
  DestroyWindow(window);
  EXPECT_EQ(kesto::BoxList->Window, nullptr);
  Bang("!KestoShow Gone");
  Bang("!KestoMoveBox Gone 5 5");
  Stop();
  EXPECT_EQ(ReadText(path), original);  // no "KestoX 0" from a dead window
}

}  // namespace
}  // namespace kestotest
