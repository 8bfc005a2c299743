// Boxes with KestoAutoReload are rebuilt when their files are saved, once per
// save whichever way the editor saves, and never for Kesto's own writes.
#include <windows.h>

#include <cstdio>
#include <tlhelp32.h>

#include <fstream>

#include <atomic>
#include <memory>

#include "base/bounded_call.h"
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

// Two boxes of one file: the position one of them writes when it is
// destroyed rebuilds neither the other nor itself.
TEST_F(AutoReloadTest, KestosOwnPositionWritesRebuildNothing) {
  std::string path = WriteText("mem.box", Lines(40, "KestoRememberPosition\r\n"));
  Start({"*KestoCreate " + path, "*KestoCreate " + path});
  Bang("!KestoMoveBox Auto 300 200");
  Bang("!KestoDestroy Auto");
  ASSERT_NE(ReadText(path).find("KestoX 300\r\n"), std::string::npos);
  EXPECT_EQ(RebuildsWithin(), 0);
  EXPECT_EQ(CountBoxes(), 1);
}

// A rebuild for the author's save carries the dragged place over and leaves
// the file exactly as they saved it; the place is written when the box is
// really destroyed.
TEST_F(AutoReloadTest, ARebuildNeverWritesIntoTheFileTheAuthorJustSaved) {
  std::string path = WriteText("drag.box", Lines(40, "KestoRememberPosition\r\n"));
  Start({"*KestoCreate " + path});
  Bang("!KestoMoveBox Auto 300 200");
  const std::string saved = Lines(60, "KestoRememberPosition\r\n");
  WriteText("drag.box", saved);
  EXPECT_EQ(RebuildsWithin(), 1);
  EXPECT_EQ(Width(), 60);
  EXPECT_EQ(WindowRect(Box("Auto")->Window).left, 300);
  EXPECT_EQ(ReadText(path), saved);
  Bang("!KestoReload Auto");  // a reload by hand carries it over too
  EXPECT_EQ(ReadText(path), saved);
  Bang("!KestoDestroy Auto");
  EXPECT_NE(ReadText(path).find("KestoX 300\r\nKestoY 200\r\n"), std::string::npos);
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

int LogLinesWith(const std::string& words, std::size_t from = 0) {
  const std::vector<std::string> entries = standin::LogEntries();
  int lines = 0;
  for (std::size_t i = from; i < entries.size(); ++i) lines += entries[i].find(words) != std::string::npos;
  return lines;
}

// What an editor leaves in the middle of a save, or a mistake, never takes
// the box down: it stays on screen and watched, the log says once what was
// wrong with the save, and the next good save shows.
TEST_F(AutoReloadTest, BadSavesLeaveTheBoxOnScreenAndWatchedUntilTheNextGoodOne) {
  WriteSolidBmp("back.bmp", 40, 30, RGB(200, 0, 0));
  const auto good = [&](int width) {
    return "KestoName Auto\r\nKestoAutoReload\r\nKestoBackGround " + Path("back.bmp") + "\r\nKestoWidth " +
           std::to_string(width) + "\r\nKestoX 100\r\nKestoY 100\r\n";
  };
  std::string path = WriteText("bad.box", good(40));
  Start({"LSLogLevel 3", "*KestoCreate " + path});
  HWND before = Box("Auto")->Window;
  const struct {
    std::string bytes, said;
  } saves[] = {
      {"", "it is empty (0 bytes)"},
      {"\r\n  \r\n", "it holds nothing but blanks"},
      {std::string("\x7F" "ELF\2\1\1\0\0\0garbage", 16), "it is not text (control byte 0x7F on line 1)"},
      {"KestoName Auto\r\nKestoAutoReload\r\nKes", "it has no KestoBackGround line any more"},
  };
  for (const auto& save : saves) {
    const std::size_t mark = standin::LogEntries().size();
    WriteText("bad.box", save.bytes);
    EXPECT_EQ(RebuildsWithin(700), 0) << save.said;
    EXPECT_EQ(LogLinesWith(path + " was not built again: " + save.said, mark), 1) << save.said;
    WriteText("bad.box", save.bytes + (save.bytes.empty() ? "" : " "));  // saved again, as bad: said once
    EXPECT_EQ(RebuildsWithin(700), 0) << save.said;
    EXPECT_EQ(LogLinesWith(" was not built again", mark), 1) << save.said;
    EXPECT_TRUE(IsWindowVisible(before)) << save.said;
  }
  WriteText("bad.box", good(41));
  EXPECT_EQ(RebuildsWithin(), 1);
  EXPECT_EQ(Width(), 41);

  // A slow save in place: the editor empties the file, and writes it 0.7 s later.
  before = Box("Auto")->Window;
  CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr));
  EXPECT_EQ(RebuildsWithin(700), 0);
  WriteText("bad.box", good(42));
  EXPECT_EQ(RebuildsWithin(), 1);
  EXPECT_EQ(Width(), 42);
  // Deleted, then written again after the quiet time (a checkout).
  before = Box("Auto")->Window;
  ASSERT_TRUE(DeleteFileA(path.c_str()));
  EXPECT_EQ(RebuildsWithin(600), 0);
  EXPECT_TRUE(IsWindowVisible(before));
  WriteText("bad.box", good(43));
  EXPECT_EQ(RebuildsWithin(), 1);
  EXPECT_EQ(Width(), 43);
  EXPECT_EQ(ScreenPixel(105, 105), RGB(200, 0, 0));
  EXPECT_EQ(standin::MessageBoxesShown(), std::vector<std::string>{});
}

HWND OldBox = nullptr;
struct AtTheSwap {
  bool Seen = false, NewShown = false, SamePlace = false, RightBehind = false;
  COLORREF Pixel = 0;
} Swap;

LRESULT CALLBACK WatchTheSwap(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_DESTROYWND && reinterpret_cast<HWND>(wParam) == OldBox && !Swap.Seen) {
    Swap.Seen = true;
    HWND fresh = nullptr;
    for (HWND w = GetWindow(OldBox, GW_HWNDFIRST); w; w = GetWindow(w, GW_HWNDNEXT)) {
      char name[32] = "", kind[32] = "";
      GetWindowTextA(w, name, sizeof name);
      GetClassNameA(w, kind, sizeof kind);
      if (w != OldBox && std::string(name) == "Auto" && std::string(kind) == kesto::kBoxClass) fresh = w;
    }
    RECT was{}, now{};
    GetWindowRect(OldBox, &was);
    GetWindowRect(fresh, &now);
    Swap.NewShown = fresh && IsWindowVisible(fresh);
    Swap.SamePlace = was.left == now.left && was.top == now.top;
    Swap.RightBehind = GetWindow(OldBox, GW_HWNDNEXT) == fresh;
    HDC screen = GetDC(nullptr);
    Swap.Pixel = GetPixel(screen, now.left + 5, now.top + 5);
    ReleaseDC(nullptr, screen);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The new box is on screen, where the old one stood and right behind it in
// the stacking order, before the old one goes; hidden boxes and groups stay
// hidden.
TEST_F(AutoReloadTest, TheRebuiltBoxTakesTheOldOnesPlaceWithNoGap) {
  WriteSolidBmp("back.bmp", 40, 30, RGB(200, 0, 0));
  WriteSolidBmp("new.bmp", 40, 30, RGB(0, 0, 200));
  WriteSolidBmp("b.bmp", 10, 10, RGB(0, 200, 0));
  const auto lines = [&](const std::string& back) {
    return "KestoName Auto\r\nKestoAutoReload\r\nKestoBackGround " + Path(back) +
           "\r\nKestoX 100\r\nKestoY 100\r\n*Shortcut t 20 10 " + Path("b.bmp") + " " + Path("b.bmp") + " " +
           Path("b.bmp") + " #7 !x\r\n";
  };
  std::string path = WriteText("swap.box", lines("back.bmp"));
  std::string top = WriteText("top.box", "KestoName Top\r\nKestoWidth 20\r\nKestoHeight 20\r\nKestoX 130\r\nKestoY 100\r\n");
  Start({"*KestoCreate " + path, "*KestoCreate " + top});
  Bang("!KestoMoveBox Auto 200 150");
  OldBox = Box("Auto")->Window;
  Swap = AtTheSwap{};
  HHOOK hook = SetWindowsHookExA(WH_CBT, WatchTheSwap, nullptr, GetCurrentThreadId());
  WriteText("swap.box", lines("new.bmp"));
  EXPECT_EQ(RebuildsWithin(), 1);
  UnhookWindowsHookEx(hook);
  ASSERT_TRUE(Swap.Seen);
  EXPECT_TRUE(Swap.NewShown);
  EXPECT_TRUE(Swap.SamePlace);
  EXPECT_TRUE(Swap.RightBehind);
  EXPECT_EQ(Swap.Pixel, RGB(0, 0, 200));
  EXPECT_EQ(WindowRect(Box("Auto")->Window).left, 200);

  // Hidden by a bang, its buttons' group hidden: both as they were.
  Bang("!KestoGroupHide 7");
  Bang("!KestoHide Auto");
  WriteText("swap.box", lines("back.bmp"));
  EXPECT_EQ(RebuildsWithin(), 1);
  EXPECT_FALSE(IsWindowVisible(Box("Auto")->Window));
  Bang("!KestoShow Auto");
  EXPECT_TRUE(IsWindowVisible(Box("Auto")->Window));
  EXPECT_FALSE(IsWindowVisible(Box("Auto")->Shortcuts->Window));
  Bang("!KestoGroupShow 7");
  EXPECT_TRUE(IsWindowVisible(Box("Auto")->Shortcuts->Window));
}

std::string SaveDuringTheBuild;
LRESULT CALLBACK SaveWhileBuilding(int code, WPARAM, LPARAM lParam) {
  if (code == HCBT_CREATEWND && !SaveDuringTheBuild.empty()) {
    const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    if (!IS_INTRESOURCE(create->lpszClass) && std::string(create->lpszClass) == kesto::kBoxClass) {
      std::ofstream(SaveDuringTheBuild, std::ios::binary | std::ios::trunc)
          << "KestoName Auto\r\nKestoAutoReload\r\nKestoWidth 55\r\nKestoHeight 35\r\n";
      SaveDuringTheBuild.clear();
    }
  }
  return CallNextHookEx(nullptr, code, 0, lParam);
}

// A save made while the box is being rebuilt is not lost: the folder stays
// watched across the rebuild.
TEST_F(AutoReloadTest, ASaveMadeDuringARebuildIsShownToo) {
  std::string path = WriteText("gap.box", Lines(40));
  Start({"*KestoCreate " + path});
  HHOOK hook = SetWindowsHookExA(WH_CBT, SaveWhileBuilding, nullptr, GetCurrentThreadId());
  SaveDuringTheBuild = path;
  WriteText("gap.box", Lines(50));
  EXPECT_EQ(RebuildsWithin(1500), 2);
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(Width(), 55);
}

// A read that never answers (a share that is gone) is waited for only so
// long; the thread left behind ends on its own, with what it owns.
TEST(BoundedCallTest, WorkThatTakesTooLongIsLeftToEndOnItsOwn) {
  const int threads = ThreadsOfThisProcess();
  auto done = std::make_shared<std::atomic<int>>(0);
  const DWORD start = GetTickCount();
  EXPECT_FALSE(kesto::RunBounded([done] { Sleep(1500); ++*done; }, 100));
  EXPECT_LT(GetTickCount() - start, 1000u);
  EXPECT_EQ(*done, 0);
  for (int i = 0; i < 40 && (*done == 0 || ThreadsOfThisProcess() != threads); ++i) Sleep(100);
  EXPECT_EQ(*done, 1);
  EXPECT_EQ(ThreadsOfThisProcess(), threads);
  EXPECT_TRUE(kesto::RunBounded([done] { ++*done; }, 2000));
  EXPECT_EQ(*done, 2);

  EXPECT_TRUE(kesto::IsNetworkPath(L"\\\\server\\share\\theme\\a.box"));
  EXPECT_TRUE(kesto::IsNetworkPath(L"\\\\?\\UNC\\server\\share\\a.box"));
  EXPECT_FALSE(kesto::IsNetworkPath(L"\\\\?\\C:\\theme\\a.box"));
  EXPECT_FALSE(kesto::IsNetworkPath(L"C:\\theme\\a.box"));
  EXPECT_FALSE(kesto::IsNetworkPath(L"a.box"));
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

// A theme folder that is removed is said once in the log, its watch let go
// (so the folder can go), and watched again once it is back.
TEST_F(AutoReloadTest, ARemovedFolderIsSaidOnceAndWatchedAgainWhenItIsBack) {
  CreateDirectoryA(Path("theme").c_str(), nullptr);
  std::string path = WriteText("theme\\auto.box", Lines(40));
  Start({"LSLogLevel 3", "*KestoCreate " + path});
  ASSERT_TRUE(DeleteFileA(path.c_str()));
  ASSERT_TRUE(RemoveDirectoryA(Path("theme").c_str()));
  standin::Pump(800);
  const std::string said = "the folder '" + Path("theme") + "' was removed or renamed";
  const auto saidLines = [&] {
    int lines = 0;
    for (const std::string& entry : standin::LogEntries())
      lines += entry.find(said) != std::string::npos || entry.find("can't watch the folder") != std::string::npos;
    return lines;
  };
  EXPECT_EQ(saidLines(), 1);
  EXPECT_NE(Box("Auto"), nullptr);
  CreateDirectoryA(Path("theme").c_str(), nullptr);  // back, with a new version of the box
  WriteText("theme\\auto.box", Lines(48));
  for (int i = 0; i < 40 && Width() != 48; ++i) standin::Pump(100);
  EXPECT_EQ(Width(), 48);
  EXPECT_EQ(saidLines(), 1);
  WriteText("theme\\auto.box", Lines(49));  // and watched as before
  EXPECT_EQ(RebuildsWithin(), 1);
  EXPECT_EQ(Width(), 49);
}

// A box file at a drive's root is watched at that root, not in the drive's
// current folder; an image missing when the box was built is watched for.
TEST_F(AutoReloadTest, FilesAtADrivesRootAndImagesNotThereYetAreWatched) {
  char current[MAX_PATH] = "";
  GetCurrentDirectoryA(MAX_PATH, current);
  CreateDirectoryA("C:\\kesto-cwd", nullptr);
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\kesto-cwd"));
  const std::string root = "C:\\kesto-root-" + std::to_string(GetCurrentProcessId()) + ".box";
  std::ofstream(root, std::ios::binary) << Lines(40);
  Start({"*KestoCreate " + root});
  std::ofstream(root, std::ios::binary | std::ios::trunc) << Lines(46);
  EXPECT_EQ(RebuildsWithin(), 1);
  EXPECT_EQ(Width(), 46);
  Stop();
  DeleteFileA(root.c_str());
  SetCurrentDirectoryA(current);
  RemoveDirectoryA("C:\\kesto-cwd");

  DeleteFileA(Path("late.bmp").c_str());  // from an earlier run
  std::string path = WriteText("late.box", "KestoName Late\r\nKestoAutoReload\r\nKestoBackGround " + Path("late.bmp") +
                                               "\r\nKestoWidth 40\r\nKestoHeight 30\r\nKestoX 100\r\nKestoY 100\r\n");
  Start({"*KestoCreate " + path});
  WriteSolidBmp("late.bmp", 40, 30, RGB(0, 150, 0));
  EXPECT_EQ(RebuildsWithin(), 1);
  EXPECT_EQ(ScreenPixel(105, 105), RGB(0, 150, 0));
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
