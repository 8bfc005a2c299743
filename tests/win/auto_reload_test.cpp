// Boxes with KestoAutoReload are rebuilt when their files are saved, once per
// save whichever way the editor saves, and never for Kesto's own writes.
#include <windows.h>

#include <cstdio>
#include <tlhelp32.h>

#include <fstream>

#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

int BoxWindowsMade = 0;

LRESULT CALLBACK CountBoxWindows(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    if (!IS_INTRESOURCE(create->lpszClass) && std::string(create->lpszClass) == kesto::kBoxClass) ++BoxWindowsMade;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

int ThreadsOfThisProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  CloseHandle(snapshot);
  return count;
}

int HandlesOfThisProcess() {
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return static_cast<int>(count);
}

class AutoReloadTest : public KestoTest {
 protected:
  void SetUp() override {
    KestoTest::SetUp();
    hook_ = SetWindowsHookExA(WH_CBT, CountBoxWindows, nullptr, GetCurrentThreadId());
  }
  void TearDown() override {
    UnhookWindowsHookEx(hook_);
    KestoTest::TearDown();
  }
  // The rebuilds that follow within a second (and half a second more, in
  // which a second rebuild would show).
  int RebuildsWithin(int milliseconds = 1000) {
    BoxWindowsMade = 0;
    standin::Pump(milliseconds);
    return BoxWindowsMade;
  }
  static std::string Lines(int width, const std::string& extra = "") {
    return "KestoName Auto\r\nKestoAutoReload\r\nKestoWidth " + std::to_string(width) +
           "\r\nKestoHeight 30\r\nKestoX 100\r\nKestoY 100\r\n" + extra;
  }
  static void WriteInPieces(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    for (std::size_t at = 0; at < text.size(); at += 16) {
      DWORD wrote = 0;
      WriteFile(file, text.data() + at, static_cast<DWORD>(std::min<std::size_t>(16, text.size() - at)), &wrote,
                nullptr);
      FlushFileBuffers(file);
      Sleep(15);
    }
    CloseHandle(file);
  }
  int Width() { return Box("Auto") ? WindowRect(Box("Auto")->Window).right - WindowRect(Box("Auto")->Window).left : 0; }
  HHOOK hook_ = nullptr;
};

TEST_F(AutoReloadTest, EveryWayAnEditorSavesRebuildsTheBoxOnceWithTheNewValues) {
  std::string path = WriteText("auto.box", Lines(40));
  Start({"*KestoCreate " + path});
  ASSERT_EQ(Width(), 40);
  const std::string temporary = Path("auto.box.tmp"), backup = Path("auto.box~");

  WriteInPieces(path, Lines(41));  // in place, in several writes
  EXPECT_EQ(RebuildsWithin(), 1) << "in place";
  EXPECT_EQ(Width(), 41);

  WriteText("auto.box.tmp", Lines(42));  // a new file renamed over the old one
  ASSERT_TRUE(MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(RebuildsWithin(), 1) << "renamed over";
  EXPECT_EQ(Width(), 42);

  ASSERT_TRUE(MoveFileA(path.c_str(), backup.c_str()));  // the old one kept as a backup meanwhile
  WriteText("auto.box", Lines(43));
  ASSERT_TRUE(DeleteFileA(backup.c_str()));
  EXPECT_EQ(RebuildsWithin(), 1) << "backup";
  EXPECT_EQ(Width(), 43);

  ASSERT_TRUE(DeleteFileA(path.c_str()));  // deleted, and made again a moment later
  standin::Pump(100);
  WriteText("auto.box", Lines(44));
  EXPECT_EQ(RebuildsWithin(), 1) << "deleted and made again";
  EXPECT_EQ(Width(), 44);

  // The same bytes again, or a new time stamp alone: nothing to rebuild.
  WriteInPieces(path, Lines(44));
  EXPECT_EQ(RebuildsWithin(), 0);
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME later{0x10000000, 0x01E00000};
  SetFileTime(file, nullptr, nullptr, &later);
  CloseHandle(file);
  EXPECT_EQ(RebuildsWithin(), 0);
  EXPECT_EQ(CountBoxes(), 1);
}

TEST_F(AutoReloadTest, ABoxWithoutTheKeyIsNeverRebuiltAndNothingWatches) {
  const int threads = ThreadsOfThisProcess();
  std::string path = WriteText("plain.box", "KestoName Plain\r\nKestoWidth 40\r\nKestoHeight 30\r\n");
  Start({"*KestoCreate " + path});
  EXPECT_EQ(ThreadsOfThisProcess(), threads);
  WriteText("plain.box", "KestoName Plain\r\nKestoWidth 50\r\nKestoHeight 30\r\n");
  EXPECT_EQ(RebuildsWithin(), 0);
}

TEST_F(AutoReloadTest, SavingAnImageRebuildsTheBoxAndShowsTheNewImage) {
  WriteSolidBmp("back.bmp", 40, 30, RGB(200, 0, 0));
  WriteSolidBmp("button.bmp", 10, 10, RGB(0, 0, 200));
  std::string path = WriteText("img.box", "KestoName Auto\r\nKestoAutoReload\r\nKestoBackGround " + Path("back.bmp") +
                                              "\r\nKestoX 100\r\nKestoY 100\r\n*Shortcut t 20 10 " +
                                              Path("button.bmp") + " " + Path("button.bmp") + " " +
                                              Path("button.bmp") + " !x\r\n");
  Start({"*KestoCreate " + path});
  EXPECT_EQ(ScreenPixel(105, 105), RGB(200, 0, 0));
  WriteSolidBmp("back.bmp", 40, 30, RGB(0, 160, 0));
  EXPECT_EQ(RebuildsWithin(), 1);
  EXPECT_EQ(ScreenPixel(105, 105), RGB(0, 160, 0));
  WriteSolidBmp("button.bmp", 10, 10, RGB(250, 250, 0));
  EXPECT_EQ(RebuildsWithin(), 1);
  EXPECT_EQ(ScreenPixel(125, 115), RGB(250, 250, 0));
}

TEST_F(AutoReloadTest, BoxesSharingAFolderAndAnImageAreEachRebuiltOnce) {
  WriteSolidBmp("shared.bmp", 20, 20, RGB(9, 9, 9));
  std::string one = WriteText("one.box", "KestoName One\r\nKestoAutoReload\r\nKestoBackGround " + Path("shared.bmp") +
                                             "\r\nKestoX 10\r\n");
  std::string two = WriteText("two.box", "KestoName Two\r\nKestoAutoReload\r\nKestoBackGround " + Path("shared.bmp") +
                                             "\r\nKestoX 50\r\n");
  Start({"*KestoCreate " + one, "*KestoCreate " + two});
  WriteSolidBmp("shared.bmp", 20, 20, RGB(90, 9, 9));
  EXPECT_EQ(RebuildsWithin(), 2);
  WriteText("one.box", "KestoName One\r\nKestoAutoReload\r\nKestoBackGround " + Path("shared.bmp") + "\r\nKestoX 12\r\n");
  EXPECT_EQ(RebuildsWithin(), 1);
  EXPECT_EQ(WindowRect(Box("One")->Window).left, 12);  // an edited position wins
  EXPECT_EQ(WindowRect(Box("Two")->Window).left, 50);
  // Watches follow the boxes: a destroyed one is watched no more.
  Bang("!KestoDestroy Two");
  WriteText("two.box", "KestoName Two\r\nKestoAutoReload\r\nKestoX 60\r\n");
  EXPECT_EQ(RebuildsWithin(), 0);
  EXPECT_EQ(Box("Two"), nullptr);
}

TEST_F(AutoReloadTest, KestosOwnPositionWritesRebuildNothing) {
  std::string path = WriteText("mem.box", Lines(40, "KestoRememberPosition\r\n"));
  Start({"*KestoCreate " + path});
  Bang("!KestoMoveBox Auto 300 200");
  BoxWindowsMade = 0;
  Bang("!KestoReload Auto");  // writes the position, then builds the box again
  EXPECT_EQ(RebuildsWithin(), 0);  // the reload's own build was counted before
  EXPECT_EQ(WindowRect(Box("Auto")->Window).left, 300);
  EXPECT_NE(ReadText(path).find("KestoX 300\r\n"), std::string::npos);
}

TEST_F(AutoReloadTest, APositionEditedWhileTheBoxWasDraggedWinsAndIsNotOverwritten) {
  std::string path = WriteText("drag.box", Lines(40, "KestoRememberPosition\r\n"));
  Start({"*KestoCreate " + path});
  Bang("!KestoMoveBox Auto 300 200");  // dragged, not saved yet
  const std::string edited = "KestoName Auto\r\nKestoAutoReload\r\nKestoWidth 40\r\nKestoHeight 30\r\nKestoX 150\r\n"
                             "KestoY 100\r\nKestoRememberPosition\r\n";
  WriteText("drag.box", edited);
  EXPECT_EQ(RebuildsWithin(), 1);
  EXPECT_EQ(WindowRect(Box("Auto")->Window).left, 150);
  EXPECT_EQ(ReadText(path), edited);
}

TEST_F(AutoReloadTest, AHalfSavedFileLeavesTheBoxAsItIsUntilItIsGoodAgain) {
  std::string path = WriteText("half.box", Lines(40));
  Start({"LSLogLevel 3", "LSLogFile " + Path("litestep.log"), "*KestoCreate " + path});
  HWND before = Box("Auto")->Window;
  ASSERT_TRUE(DeleteFileA(path.c_str()));  // gone for longer than the quiet time
  EXPECT_EQ(RebuildsWithin(600), 0);
  EXPECT_TRUE(IsWindow(before));
  bool logged = false;
  for (const std::string& entry : standin::LogEntries())
    logged = logged || (entry.find("'" + path + "' is missing for now; box 'Auto' stays as it is") != std::string::npos &&
                        entry.find(path + ": '" + path) == std::string::npos);  // the path once, not twice
  EXPECT_TRUE(logged);
  // Held by the editor that writes it: read once it lets go.
  HANDLE held = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::string text = Lines(45);
  DWORD wrote = 0;
  WriteFile(held, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
  EXPECT_EQ(RebuildsWithin(600), 0);
  EXPECT_TRUE(IsWindow(before));
  CloseHandle(held);
  EXPECT_EQ(RebuildsWithin(), 1);
  EXPECT_EQ(Width(), 45);
}

// A file that stays held (an editor that never lets go, a share that does
// not answer) is read a bounded number of times, said once in the log, and
// then left until its next save.
TEST_F(AutoReloadTest, AFileThatStaysHeldIsGivenUpAfterABoundedNumberOfTries) {
  std::string path = WriteText("held.box", Lines(40));
  Start({"LSLogLevel 3", "*KestoCreate " + path});
  HWND before = Box("Auto")->Window;
  HANDLE held = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::string text = Lines(45);
  DWORD wrote = 0;
  WriteFile(held, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
  const auto gaveUp = [] {
    int lines = 0;
    for (const std::string& entry : standin::LogEntries()) lines += entry.find("still held after 20 tries") != std::string::npos;
    return lines;
  };
  for (int i = 0; i < 140 && gaveUp() == 0; ++i) standin::Pump(100);
  EXPECT_EQ(gaveUp(), 1);
  EXPECT_TRUE(IsWindow(before));
  // Nothing is tried any more: no timer waits.
  standin::Pump(1200);
  EXPECT_EQ(gaveUp(), 1);
  HWND command = FindWindowA("CommandClass", nullptr);
  EXPECT_FALSE(KillTimer(command, 0x4B52));
  CloseHandle(held);
  // The next save is read again.
  WriteText("held.box", Lines(50));
  EXPECT_EQ(RebuildsWithin(), 1);
  EXPECT_EQ(Width(), 50);
}

// One thread watches at most 63 folders: a box beyond them is named in the
// log, never silently left unwatched; the others are still rebuilt on save.
TEST_F(AutoReloadTest, FoldersBeyondWhatOneThreadWatchesAreNamedInTheLog) {
  std::vector<std::string> lines = {"LSLogLevel 3"};
  for (int i = 0; i < 64; ++i) {
    char folder[8];
    std::snprintf(folder, sizeof folder, "f%02d", i);
    CreateDirectoryA(Path(folder).c_str(), nullptr);
    lines.push_back("*KestoCreate " + WriteText(std::string(folder) + "\\auto.box", Lines(40)));
  }
  Start(lines);
  int named = 0;
  for (const std::string& entry : standin::LogEntries())
    named += entry.find("f63': more than 63 folders are watched at once; its boxes are not rebuilt on save") !=
             std::string::npos;
  EXPECT_EQ(named, 1);
  WriteText("f00\\auto.box", Lines(45));
  EXPECT_EQ(RebuildsWithin(), 1);
}

TEST_F(AutoReloadTest, AWatchingBoxCostsNothingWhileNothingChanges) {
  std::string path = WriteText("idle.box", Lines(40));
  WriteText("neighbour.txt", "x");
  Start({"*KestoCreate " + path});
  standin::Pump(300);
  HWND command = FindWindowA("CommandClass", nullptr);
  ASSERT_NE(command, nullptr);
  // Another file of the folder changing is not the box's business.
  WriteText("neighbour.txt", "y");
  MSG message;
  standin::Pump(600);
  EXPECT_FALSE(PeekMessageA(&message, command, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(RebuildsWithin(600), 0);
  // No timer is left waiting: a KillTimer of one that is not there fails.
  EXPECT_FALSE(KillTimer(command, 0x4B51));
  EXPECT_FALSE(KillTimer(command, 0x4B52));
}

TEST_F(AutoReloadTest, AThousandBoxesMadeSavedAndDestroyedLeaveNoThreadOrHandle) {
  std::string path = WriteText("cycle.box", Lines(40));
  Start();
  const int threads = ThreadsOfThisProcess(), handles = HandlesOfThisProcess();
  for (int round = 0; round < 1000; ++round) {
    Bang("!KestoCreate " + path);
    WriteText("cycle.box", Lines(40 + round % 7));
    if (round % 100 == 0) standin::Pump(10);  // a notice handled now and then, the rest dropped with the box
    Bang("!KestoDestroy Auto");
  }
  standin::Pump(400);
  EXPECT_EQ(CountBoxes(), 0);
  EXPECT_EQ(ThreadsOfThisProcess(), threads);
  EXPECT_LE(HandlesOfThisProcess(), handles + 2);
}

// The shipped library, unloaded by a click on its own box while a save waits
// for its quiet time: nothing of the watching runs once it is gone.
TEST_F(AutoReloadTest, AnUnloadWhileASaveIsPendingLeavesNothingRunning) {
  const std::string dll = BinDir() + "\\Kesto.dll";
  const int threads = ThreadsOfThisProcess();
  std::string box = WriteText("click.box", "KestoName Click\r\nKestoAutoReload\r\nKestoWidth 40\r\nKestoHeight 40\r\n"
                                           "KestoX 300\r\nKestoY 300\r\nKestoAlwaysOnTop\r\nKestoOnLeftClick "
                                           "!UnloadModule " + dll + "\r\n");
  ASSERT_TRUE(StandInLoadConfig(WriteText("shell.rc", "*KestoCreate " + box + "\r\n").c_str()));
  StandInForgetModules();
  StandInConfigureModule(dll.c_str());
  ASSERT_TRUE(StandInStartModules());
  standin::Pump(50);
  EXPECT_EQ(ThreadsOfThisProcess(), threads + 1);  // the one that waits for the file system
  std::ofstream(box, std::ios::binary | std::ios::app) << "; saved\r\n";
  standin::Pump(30);  // the notice is in, the quiet time runs
  LeftClickAt(310, 310);
  standin::Pump(600);
  EXPECT_EQ(StandInRunningModules(), 0);
  EXPECT_EQ(GetModuleHandleA("Kesto.dll"), nullptr);
  EXPECT_EQ(ThreadsOfThisProcess(), threads);
  StandInForgetModules();
}

}  // namespace
}  // namespace kestotest
