#include <windows.h>
// Groups across boxes, text labels in the picture, hosted plug-ins, and the
// release of large content lists.
#include <commctrl.h>

#include <fstream>
#include <set>

#include "content/groups.h"
#include "content/shortcuts.h"
#include "content/tooltip.h"
#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {


class ContentTest : public KestoTest {
 protected:
  // Pixels of this colour in the box's picture, in [x0, x1) by [y0, y1).
  static int CountInPicture(kesto::TBox& box, int x0, int y0, int x1, int y1, COLORREF colour) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += GetPixel(box.MemDC.get(), x, y) == colour;
    return n;
  }
  void SetUp() override {
    KestoTest::SetUp();
    WriteSolidBmp("n.bmp", 10, 10, RGB(200, 0, 0));
  }
  std::string BoxWith(const std::string& name, const std::string& lines) {
    return WriteText(name + ".box", "KestoName " + name + "\r\nKestoBackGround " +
                                        WriteSolidBmp("bg.bmp", 100, 60, RGB(30, 30, 30)) + "\r\n" + lines);
  }
  std::vector<std::string> PluginEvents() {
    std::vector<std::string> events;
    for (const auto& entry : standin::LogEntries())
      if (entry.rfind("plugin:", 0) == 0) events.push_back(entry.substr(7));
    return events;
  }
  static std::vector<HWND> Members(int number) {
    std::vector<HWND> windows;
    if (kesto::TShortcutGroup* group = kesto::FindGroup(number))
      for (kesto::TGroupMember* m = group->Members.get(); m; m = m->Next.get()) windows.push_back(m->Window);
    return windows;
  }
};

TEST_F(ContentTest, GroupsSpanBoxesAndRememberBeingHidden) {
  std::string a = BoxWith("A", "*Shortcut a 0 0 n.bmp n.bmp n.bmp #3 !a\r\n*Shortcut z 20 0 n.bmp n.bmp n.bmp !z\r\n");
  std::string b = BoxWith("B", "*Shortcut b 0 0 n.bmp n.bmp n.bmp #3 !b\r\n*Shortcut h 20 0 n.bmp n.bmp n.bmp #4h !h\r\n");
  Start({"LSImageFolder " + dir_, "*KestoCreate " + a, "*KestoCreate " + b});
  ASSERT_EQ(Members(3).size(), 2u);
  Bang("!KestoGroupHide 3");
  for (HWND w : Members(3)) EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_TRUE(IsWindowVisible(Members(0).at(0)));
  Bang("!KestoGroupShow 3");
  for (HWND w : Members(3)) EXPECT_TRUE(IsWindowVisible(w));

  // The H prefix hides only its shortcut; the first toggle hides the group.
  ASSERT_EQ(Members(4).size(), 1u);
  EXPECT_FALSE(IsWindowVisible(Members(4)[0]));
  EXPECT_FALSE(kesto::HasFlag(kesto::FindGroup(4)->Flags, kesto::GroupHidden));
  Bang("!KestoGroupToggle 4");
  EXPECT_FALSE(IsWindowVisible(Members(4)[0]));
  Bang("!KestoGroupToggle 4");
  EXPECT_TRUE(IsWindowVisible(Members(4)[0]));

  // A hidden group outlives its members and hides shortcuts that join later.
  Bang("!KestoGroupHide 3");
  Bang("!KestoDestroy A");
  Bang("!KestoDestroy B");
  ASSERT_NE(kesto::FindGroup(3), nullptr);
  EXPECT_TRUE(Members(3).empty());
  Bang("!KestoCreate " + a);
  ASSERT_EQ(Members(3).size(), 1u);
  EXPECT_FALSE(IsWindowVisible(Members(3)[0]));
  Bang("!KestoGroupShow 3");
  EXPECT_TRUE(IsWindowVisible(Members(3)[0]));

  // A number no shortcut ever used makes no group.
  Bang("!KestoGroupHide 77");
  EXPECT_EQ(kesto::FindGroup(77), nullptr);
}

TEST_F(ContentTest, LeavingKeepsTheOtherMembersLinkedBothWays) {
  std::vector<HWND> fake = {HWND(1), HWND(2), HWND(3), HWND(4), HWND(5)};
  std::vector<kesto::TGroupMember*> joined;
  for (HWND w : fake) joined.push_back(kesto::JoinGroup(w, 900));
  kesto::LeaveGroup(joined[4]);  // the first (newest)
  kesto::LeaveGroup(joined[2]);  // a middle one
  kesto::LeaveGroup(joined[0]);  // the last
  EXPECT_EQ(Members(900), (std::vector<HWND>{HWND(4), HWND(2)}));
  kesto::TGroupMember* first = kesto::FindGroup(900)->Members.get();
  EXPECT_EQ(first->Prev, nullptr);
  EXPECT_EQ(first->Next->Prev, first);
  kesto::LeaveGroup(joined[3]);
  kesto::LeaveGroup(joined[1]);
  EXPECT_TRUE(Members(900).empty());
  kesto::ReleaseGroups();
}

TEST_F(ContentTest, TextLabelsAreDrawnIntoThePictureInTheirFontAndColour) {
  std::string bg = WriteBmp("shaped.bmp", 200, 60, [](int x, int) { return x >= 150 ? kMagenta : RGB(0, 0, 0); });
  std::string path = WriteText("t.box",
                               "KestoName T\r\nKestoBackGround " + bg +
                                   "\r\nKestoX 100\r\nKestoY 300\r\nKestoFontColor 0000FF\r\nKestoFontSize 30\r\n"
                                   "*Text 5 5 \"WWW WWW\"\r\n*Text 5 5 ||||\r\n*Text 155 5 clipped\r\n"
                                   "*Text 60 30 two words\r\n");
  Start({"*KestoCreate " + path});
  kesto::TBox& box = *kesto::BoxList;
  EXPECT_GT(CountInPicture(box, 0, 0, 140, 35, RGB(255, 0, 0)), 50);  // "0000FF" is red
  EXPECT_EQ(CountInPicture(box, 0, 0, 200, 60, RGB(0, 0, 255)), 0);
  // The background shows between the glyphs.
  EXPECT_GT(CountInPicture(box, 0, 0, 140, 35, RGB(0, 0, 0)), 500);
  // Size 30: glyphs reach further down than a 14-pixel font would.
  EXPECT_GT(CountInPicture(box, 0, 22, 140, 35, RGB(255, 0, 0)), 0);
  // Only the first word of an unquoted text is drawn.
  EXPECT_EQ(CountInPicture(box, 110, 30, 150, 60, RGB(255, 0, 0)), 0);
  // Drawn into the see-through part, which the shape does not show.
  EXPECT_GT(CountInPicture(box, 155, 0, 200, 35, RGB(255, 0, 0)), 0);
  standin::Screenshot shot = (standin::Pump(60), standin::CaptureScreen());
  int shownInCutOut = 0, shownInBox = 0;
  for (int y = 300; y < 335; ++y) {
    for (int x = 100; x < 240; ++x) shownInBox += shot.At(x, y) == RGB(255, 0, 0);
    for (int x = 255; x < 300; ++x) shownInCutOut += shot.At(x, y) == RGB(255, 0, 0);
  }
  EXPECT_GT(shownInBox, 50);
  EXPECT_EQ(shownInCutOut, 0);
}

TEST_F(ContentTest, TextLabelDefaultsAreWhiteAndTheLaterLineIsOnTop) {
  std::string path = WriteText("t.box", "KestoName T\r\nKestoBackGround " +
                                            WriteSolidBmp("bg.bmp", 100, 40, RGB(0, 0, 0)) +
                                            "\r\n*Text 2 2 \xdb\xdb\xdb\r\n");
  Start({"*KestoCreate " + path});
  EXPECT_GT(CountInPicture(*kesto::BoxList, 0, 0, 60, 20, RGB(255, 255, 255)), 20);
  Stop();

  std::string overlap = WriteText("o.box", "KestoName O\r\nKestoBackGround " +
                                               WriteSolidBmp("bg2.bmp", 100, 40, RGB(0, 0, 0)) +
                                               "\r\nKestoFontColor 00FF00\r\n*Text 2 2 MMMM\r\n*Text 2 2 MMMM\r\n");
  Start({"*KestoCreate " + overlap});
  EXPECT_GT(CountInPicture(*kesto::BoxList, 0, 0, 60, 20, RGB(0, 255, 0)), 20);
}

// A plug-in's place and size grow with its box; its code runs with the DPI
// awareness the shell's thread had (here: none), not the box's own.
TEST_F(ContentTest, APluginIsPlacedAtItsBoxsScaleAndRunsAsTheShellDoes) {
  auto set = reinterpret_cast<void*(WINAPI*)(void*)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
  void* before = set ? set(reinterpret_cast<void*>(static_cast<INT_PTR>(-1))) : nullptr;  // an unaware shell
  std::string path = BoxWith("Z", "KestoZoom 200\r\n*WharfModule 10 5 30 20 testplugin_C.dll\r\n");
  Start({"LSImageFolder " + dir_, "*KestoCreate " + path});
  if (before) set(before);
  kesto::TBox& box = *kesto::BoxList;
  ASSERT_NE(box.WharfSlots, nullptr);
  const RECT r = WindowRect(box.WharfSlots->Window);
  EXPECT_EQ(r.left - WindowRect(box.Window).left, 20);
  EXPECT_EQ(r.right - r.left, 60);
  EXPECT_EQ(r.bottom - r.top, 40);
  std::vector<std::string> events = PluginEvents();
  ASSERT_FALSE(events.empty());
  const bool systemTells = events[0].find("aware=-1") == std::string::npos;
  if (systemTells) {
    EXPECT_NE(events[0].find("aware=0"), std::string::npos) << events[0];
  }
}

TEST_F(ContentTest, PluginsLoadInOrderAndShutDownInReverse) {
  std::string path = BoxWith("P", "*Module testplugin_A.dll\r\n*WharfModule -10 5 30 20 testplugin_C.dll\r\n"
                                  "*Module testplugin_B.dll\r\n*Module missing_plugin.dll\r\n"
                                  "*WharfModule 0 0 5 5 missing_plugin.dll\r\n*Shortcut s 0 0 n.bmp n.bmp n.bmp !s\r\n");
  Start({"LSImageFolder " + dir_, "*KestoCreate " + path});
  kesto::TBox& box = *kesto::BoxList;
  char instance[32];
  std::snprintf(instance, sizeof instance, "%p", static_cast<void*>(GetModuleHandleA(nullptr)));
  std::vector<std::string> events = PluginEvents();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].substr(0, 7), "A:init ");
  EXPECT_EQ(events[1].substr(0, 7), "B:init ");
  EXPECT_EQ(events[2].substr(0, 7), "C:init ");
  char parent[32];
  std::snprintf(parent, sizeof parent, "%p", static_cast<void*>(box.Window));
  EXPECT_NE(events[0].find(std::string("parent=") + parent), std::string::npos) << events[0];
  EXPECT_NE(events[0].find(std::string("instance=") + instance), std::string::npos);
  EXPECT_NE(events[0].find("data=none"), std::string::npos);
  // The container is hidden while initWharfModule runs; the block carries its fields.
  EXPECT_NE(events[2].find("visible=0 data=0,0,buf,empty=1,dir=" + BinDir()), std::string::npos) << events[2];
  ASSERT_NE(box.WharfSlots, nullptr);
  HWND container = box.WharfSlots->Next->Window;  // the C line: the list is newest first
  EXPECT_TRUE(IsWindowVisible(container));
  RECT r = WindowRect(container);
  EXPECT_EQ(r.left, WindowRect(box.Window).left - 10);
  EXPECT_EQ(r.right - r.left, 30);
  EXPECT_EQ(GetWindow(box.Window, GW_CHILD), container);  // above the shortcuts
  EXPECT_EQ(standin::MessageBoxesShown(),
            (std::vector<std::string>{"Error|Can't load Module", "Error|Can't load Wharf Module"}));

  StandInLogClear();
  Stop();
  events = PluginEvents();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0], std::string("C:quit instance=") + instance);
  EXPECT_EQ(events[1], std::string("B:quit instance=") + instance);
  EXPECT_EQ(events[2], std::string("A:quit instance=") + instance);
  EXPECT_FALSE(IsWindow(container));
  EXPECT_EQ(GetModuleHandleA("testplugin_A.dll"), nullptr);  // every library freed
  EXPECT_EQ(GetModuleHandleA("testplugin_C.dll"), nullptr);
}

// A plug-in built for the other architecture: the real one from the other
// build where it is there, else a file with only such a header.
std::string OtherArchitecturePlugin(const std::string& folder) {
  const bool own64 = sizeof(void*) == 8;
  const std::string target = folder + "\\other_arch.dll";
  const std::string built = std::string(KESTO_SOURCE_DIR) + (own64 ? "/build/win/bin/testplugin_A.dll"
                                                                   : "/build/win64/bin/testplugin_A.dll");
  if (CopyFileA(built.c_str(), target.c_str(), FALSE)) return target;
  std::string bytes(512, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  bytes[0x3C] = static_cast<char>(0x80);
  bytes.replace(0x80, 4, std::string("PE\0\0", 4));
  bytes[0x84] = static_cast<char>(own64 ? 0x4C : 0x64);
  bytes[0x85] = static_cast<char>(own64 ? 0x01 : 0x86);
  std::ofstream(target, std::ios::binary) << bytes;
  return target;
}

// A plug-in of the other architecture cannot load: it is named, with both
// architectures, in the log and the message; the box is built without it
// and the lines after it still load.
TEST_F(ContentTest, APluginOfTheOtherArchitectureIsRefusedByName) {
  const std::string plugin = OtherArchitecturePlugin(dir_);
  const std::string box = BoxWith("Mixed", "*Module " + plugin + "\r\n*WharfModule 0 0 5 5 " + plugin +
                                               "\r\n*Module testplugin_B.dll\r\n");
  Start({"LSLogLevel 4", "*KestoCreate " + box});
  ASSERT_NE(kesto::BoxList, nullptr);
  EXPECT_TRUE(IsWindowVisible(kesto::BoxList->Window));
  EXPECT_EQ(PluginEvents().size(), 1u);  // B only
  const bool own64 = sizeof(void*) == 8;
  const std::string why = "'" + plugin + "' is a " + (own64 ? "32-bit (i686)" : "64-bit (x86-64)") +
                          " library; this Kesto.dll is " + (own64 ? "64-bit (x86-64)" : "32-bit (i686)") +
                          " and loads only " + (own64 ? "64-bit (x86-64)" : "32-bit (i686)") + " plug-ins";
  int logged = 0;
  for (const std::string& entry : standin::LogEntries())
    logged += entry.rfind("lslog:1:", 0) == 0 && entry.find(why) != std::string::npos;
  EXPECT_EQ(logged, 2);
  EXPECT_EQ(standin::MessageBoxesShown(),
            (std::vector<std::string>{"Error|Can't load Module\n\n" + why + ".",
                                      "Error|Can't load Wharf Module\n\n" + why + "."}));
  Stop();
  EXPECT_EQ(GetModuleHandleA("other_arch.dll"), nullptr);
}

TEST_F(ContentTest, APluginFoundOnlyUnderTheShellsFolderLoads) {
  CreateDirectoryA((BinDir() + "\\plugins").c_str(), nullptr);
  ASSERT_TRUE(CopyFileA((BinDir() + "\\testplugin_B.dll").c_str(),
                        (BinDir() + "\\plugins\\testplugin_B.dll").c_str(), FALSE));
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  SetCurrentDirectoryA(dir_.c_str());
  Start({"*KestoCreate " + BoxWith("F", "*Module plugins\\testplugin_B.dll\r\n")});
  SetCurrentDirectoryA(previous);
  EXPECT_TRUE(standin::MessageBoxesShown().empty());
  ASSERT_EQ(PluginEvents().size(), 1u);
  EXPECT_NE(kesto::BoxList->Modules->Lib.get(), nullptr);
}

TEST_F(ContentTest, HundredThousandPluginLinesAreReleasedWithoutExhaustingTheStack) {
  std::string path = Path("many.box");
  {
    std::ofstream out(path, std::ios::binary);
    out << "KestoName Many\r\n";
    for (int i = 0; i < 100000; ++i) out << "*Module testplugin_empty.dll\r\n";
  }
  Start({"*KestoCreate " + path});
  int count = 0;
  for (kesto::THostedModule* m = kesto::BoxList->Modules.get(); m; m = m->Next.get()) ++count;
  EXPECT_EQ(count, 100000);
  Stop();
  EXPECT_EQ(kesto::BoxList, nullptr);
}

TEST_F(ContentTest, AThousandBoxesWithContentsLeaveNothingBehind) {
  WriteSolidBmp("h.bmp", 10, 10, RGB(0, 200, 0));
  std::string path = BoxWith("Full", "*Shortcut a 0 0 n.bmp h.bmp h.bmp #2 !a\r\n*Shortcut b 20 0 n.bmp x.bmp y.bmp !b\r\n"
                                     "*Text 1 1 hello\r\n*Module testplugin_A.dll\r\n"
                                     "*WharfModule 40 0 10 10 testplugin_C.dll\r\n");
  Start({"LSImageFolder " + dir_});
  for (int cycle = 0; cycle < 1000; ++cycle) {
    Bang("!KestoCreate " + path);
    kesto::TBox& box = *kesto::BoxList;
    std::vector<HGDIOBJ> objects;
    std::vector<HWND> windows;
    std::set<const kesto::TShortcutImage*> images;
    for (kesto::TShortcut* s = box.Shortcuts.get(); s; s = s->Next.get()) {
      windows.push_back(s->Window);
      for (const kesto::SharedImage& image : {s->Normal, s->Hover, s->Pressed})
        if (image) images.insert(image.get());
    }
    for (const kesto::TShortcutImage* image : images)
      objects.insert(objects.end(), {image->DC.get(), image->Bitmap.get(), image->Region.get()});
    windows.push_back(box.WharfSlots->Window);
    ASSERT_EQ(objects.size(), 6u);  // n.bmp and h.bmp, each loaded once for the box
    Bang("!KestoDestroy Full");
    for (HGDIOBJ object : objects) ASSERT_EQ(GetObjectType(object), 0u) << cycle;
    for (HWND window : windows) ASSERT_FALSE(IsWindow(window)) << cycle;
    ASSERT_EQ(SendMessageA(kesto::TooltipWnd, TTM_GETTOOLCOUNT, 0, 0), 0);
    ASSERT_EQ(GetModuleHandleA("testplugin_A.dll"), nullptr);
    ASSERT_TRUE(Members(2).empty());
    if (cycle % 100 == 0) StandInLogClear();
  }
}

}  // namespace
}  // namespace kestotest
