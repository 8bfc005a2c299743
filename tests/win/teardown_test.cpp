// Teardown: position memory written safely into the box file, and every
// handle a box made released exactly once, however often boxes come and go.
#include <windows.h>
#include <psapi.h>

#include "base/module_state.h"
#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

class TeardownTest : public KestoTest {};

TEST_F(TeardownTest, RememberedPositionIsWrittenModuloTheScreenKeepingEveryOtherLine) {
  std::string path = WriteText("pos.box",
                               "; my box\r\nKestoName Pos\r\nKestoX 10 ; left edge\r\n\r\n"
                               "KestoRememberPosition\r\n   KestoOnLeftClick !a;b ; note\r\n");
  StartWithBox(ReadText(path));  // same content, in test.box
  Stop();
  Start({"*KestoCreate " + path});
  // Beyond the primary screen, on a second monitor to the right and below.
  SetWindowPos(BoxWindow("Pos"), nullptr, ScreenWidth() + 6, ScreenHeight() + 32, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Stop();
  EXPECT_EQ(ReadText(path),
            "; my box\r\nKestoName Pos\r\nKestoX 6 ; left edge\r\n\r\nKestoRememberPosition\r\n"
            "   KestoOnLeftClick !a;b ; note\r\nKestoY 32\r\n");

  Start({"*KestoCreate " + path});
  SetWindowPos(BoxWindow("Pos"), nullptr, -5, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Stop();
  Start({"*KestoCreate " + path});
  // Partly left of the screen: written as the negative value that reads back
  // to the same place (a remainder would read as 5 pixels from the right edge).
  EXPECT_NE(ReadText(path).find("KestoX " + std::to_string(-5 - ScreenWidth()) + " ; left edge"), std::string::npos);
  EXPECT_EQ(WindowRect(BoxWindow("Pos")).left, -5);
}

TEST_F(TeardownTest, WithoutTheKeyTheFileIsLeftAlone) {
  std::string path = WriteText("still.box", "KestoName Still\r\nKestoX 10   \r\n");
  Start({"*KestoCreate " + path});
  SetWindowPos(BoxWindow("Still"), nullptr, 300, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Stop();
  EXPECT_EQ(ReadText(path), "KestoName Still\r\nKestoX 10   \r\n");
}

TEST_F(TeardownTest, ReadOnlyOrVanishedFilesAreLeftAsTheyAreAndTeardownGoesOn) {
  std::string readOnly = WriteText("ro.box", "KestoName RO\r\nKestoRememberPosition\r\n");
  std::string vanishing = WriteText("gone.box", "KestoName Gone\r\nKestoRememberPosition\r\n");
  Start({"*KestoCreate " + readOnly, "*KestoCreate " + vanishing});
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  DeleteFileA(vanishing.c_str());
  HWND first = Box("RO")->Window, second = Box("Gone")->Window;
  Stop();
  EXPECT_FALSE(IsWindow(first));
  EXPECT_FALSE(IsWindow(second));
  EXPECT_EQ(ReadText(readOnly), "KestoName RO\r\nKestoRememberPosition\r\n");
  EXPECT_EQ(GetFileAttributesA(vanishing.c_str()), INVALID_FILE_ATTRIBUTES);
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(Path("~k*.tmp").c_str(), &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE);  // no temporary file left behind
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

struct BoxHandles {
  HWND window;
  HDC memDC;
  HGDIOBJ picture;
  HBITMAP back;
};

SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  return counters.PrivateUsage;
}

TEST_F(TeardownTest, AThousandBoxesOfEveryKindLeaveNothingBehind) {
  std::string bmp = WriteBmp("bg.bmp", 30, 30, [](int x, int) { return x < 5 ? RGB(255, 0, 255) : RGB(9, 9, 9); });
  std::vector<std::string> files = {
      WriteText("plain.box", "KestoName Cycle\r\nKestoBackGround " + bmp + "\r\n"),
      WriteText("tiled.box", "KestoName Cycle\r\nKestoBackGround " + bmp +
                                 "\r\nKestoWidth 80\r\nKestoBackgroundOffs 5 5 5 5\r\n"),
      WriteText("alpha.box", "KestoName Cycle\r\nKestoBackGround " + bmp + "\r\nKestoAlphaTransparency 99\r\n"),
      WriteText("top.box", "KestoName Cycle\r\nKestoBackGround " + bmp + "\r\nKestoAlwaysOnTop\r\n"),
      WriteText("missing.box", "KestoName Cycle\r\nKestoBackGround nothing.bmp\r\n"),
  };
  Start();
  SIZE_T warmedUp = 0;
  for (int cycle = 0; cycle < 1000; ++cycle) {
    Bang("!KestoCreate " + files[cycle % files.size()]);
    ASSERT_EQ(CountBoxes(), 1);
    kesto::TBox& box = *kesto::BoxList;
    BoxHandles made{box.Window, box.MemDC.get(), GetCurrentObject(box.MemDC.get(), OBJ_BITMAP),
                    box.BackBitmap.get()};
    Bang("!KestoDestroy Cycle");
    ASSERT_EQ(CountBoxes(), 0);
    ASSERT_FALSE(IsWindow(made.window));
    ASSERT_EQ(GetObjectType(made.memDC), 0u);
    if (made.picture && cycle % files.size() != 4) {
      ASSERT_EQ(GetObjectType(made.picture), 0u) << cycle;
    }
    if (made.back) {
      ASSERT_EQ(GetObjectType(made.back), 0u);
    }
    if (cycle == 100) warmedUp = PrivateBytes();
  }
  SIZE_T grown = PrivateBytes() - warmedUp;
  EXPECT_LT(grown, 2u * 1024 * 1024) << "private bytes grew by " << grown;
}

}  // namespace
}  // namespace kestotest

namespace kestotest {
namespace {

// Serves a box file through a named pipe and counts how often it is opened.
class CountingBoxFile {
 public:
  CountingBoxFile(std::string name, std::string content)
      : name_("\\\\.\\pipe\\" + std::move(name)), content_(std::move(content)) {
    thread_ = CreateThread(nullptr, 0, Serve, this, 0, nullptr);
    Sleep(50);
  }
  ~CountingBoxFile() {
    stopping_ = true;
    HANDLE wake = CreateFileA(name_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (wake != INVALID_HANDLE_VALUE) CloseHandle(wake);
    WaitForSingleObject(thread_, 5000);
    CloseHandle(thread_);
  }
  const std::string& Path() const { return name_; }
  long Opens() const { return opens_; }

 private:
  static DWORD WINAPI Serve(void* self) {
    auto& me = *static_cast<CountingBoxFile*>(self);
    while (!me.stopping_) {
      HANDLE pipe = CreateNamedPipeA(me.name_.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536,
                                     65536, 0, nullptr);
      if (pipe == INVALID_HANDLE_VALUE) return 1;
      if (ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED) {
        if (!me.stopping_) {
          ++me.opens_;
          DWORD written = 0;
          WriteFile(pipe, me.content_.data(), static_cast<DWORD>(me.content_.size()), &written, nullptr);
          FlushFileBuffers(pipe);
        }
      }
      CloseHandle(pipe);  // the reader sees the end of the file
    }
    return 0;
  }

  std::string name_;
  std::string content_;
  HANDLE thread_ = nullptr;
  volatile bool stopping_ = false;
  volatile long opens_ = 0;
};

TEST_F(TeardownTest, ABoxWithoutTheKeyNeverOpensItsFileAgain) {
  CountingBoxFile plain("kesto-plain-box", "KestoName Plain\r\n");
  CountingBoxFile remembering("kesto-remembering-box", "KestoName Remember\r\nKestoRememberPosition\r\n");
  Start({"*KestoCreate " + plain.Path(), "*KestoCreate " + remembering.Path()});
  ASSERT_EQ(CountBoxes(), 2);
  EXPECT_EQ(plain.Opens(), 1);
  EXPECT_EQ(remembering.Opens(), 1);
  Stop();
  EXPECT_EQ(plain.Opens(), 1);        // never opened at teardown
  EXPECT_EQ(remembering.Opens(), 2);  // read again to write the position back
}

}  // namespace
}  // namespace kestotest
