// The module's start and end inside the stand-in shell, and the real Kesto.dll.
#include <cstring>

#include "bang/bang_commands.h"
#include "content/groups.h"
#include "module/command_window.h"
#include "module/lifecycle.h"
#include "base/module_state.h"
#include "base/shell_api.h"
#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

std::vector<std::string> BoxNamesNewestFirst() {
  std::vector<std::string> names;
  for (kesto::TBox* box = kesto::BoxList.get(); box; box = box->Next.get()) names.push_back(box->Name);
  return names;
}

std::vector<std::string> EntriesStartingWith(const std::string& prefix) {
  std::vector<std::string> found;
  for (const auto& entry : standin::LogEntries())
    if (entry.rfind(prefix, 0) == 0) found.push_back(entry);
  return found;
}

class LifecycleTest : public KestoTest {};

TEST_F(LifecycleTest, NoCreateLinesGiveCommandWindowAndBangsButNoBox) {
  Start({"SomeOtherKey value"});
  EXPECT_EQ(kesto::BoxList, nullptr);
  EXPECT_TRUE(IsWindow(kesto::CommandWnd));
  EXPECT_EQ(StandInBangCount(), 13);  // the ten, the reload, focus and zoom commands
  // The command window is registered with the shell for the revision query only.
  auto& registrations = standin::Host::Registrations();
  ASSERT_EQ(registrations.count(kesto::CommandWnd), 1u);
  EXPECT_EQ(registrations.at(kesto::CommandWnd), std::vector<UINT>{kesto::LM_GETREVID});
  EXPECT_EQ(kesto::LiteStepDir, BinDir());

  HWND commandWindow = kesto::CommandWnd;
  Stop();
  EXPECT_FALSE(IsWindow(commandWindow));
  EXPECT_EQ(registrations.count(commandWindow), 0u);
  EXPECT_EQ(StandInBangCount(), 0);
  WNDCLASSA wc;
  for (const char* name : {"KestoClass", "KestoShortcut", "KestoModule", "CommandClass"})
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), name, &wc)) << name;
}

TEST_F(LifecycleTest, CreateLinesBuildBoxesInLineOrderWithTheirPathTokens) {
  CreateDirectoryA(Path("with blanks").c_str(), nullptr);
  std::string first = WriteText("one.box", "KestoName One\r\n");
  std::string second = WriteText("with blanks\\two.box", "KestoName Two\r\n");
  std::string third = WriteText("three.box", "KestoName Three\r\n");
  Start({"*KestoCreate " + first, "*kestocreate \"" + second + "\" ignored words",
         "*KestoCreate " + third + " " + first, "*KestoCreate"});
  EXPECT_EQ(BoxNamesNewestFirst(), (std::vector<std::string>{"Three", "Two", "One"}));
  // The line with nothing after the key hands over an empty path: one message, empty caption.
  EXPECT_EQ(standin::MessageBoxesShown(), std::vector<std::string>{"|Can't load .Box File"});
}

TEST_F(LifecycleTest, AnOverlongCreateLineIsCutToTheShellsBuffer) {
  std::string longPath(5000, 'p');
  Start({"*KestoCreate " + longPath});
  std::vector<std::string> shown = standin::MessageBoxesShown();
  ASSERT_EQ(shown.size(), 1u);
  // Cut to the shell's buffer, the path still reaches Kesto and is reported.
  const std::string tail = "|Can't load .Box File";
  ASSERT_GT(shown[0].size(), tail.size());
  EXPECT_EQ(shown[0].substr(shown[0].size() - tail.size()), tail);
  EXPECT_EQ(shown[0].find_first_not_of('p'), shown[0].size() - tail.size());
}

TEST_F(LifecycleTest, StartAndEndRunInTheirOrders) {
  std::string box = WriteText("remember.box", "KestoName Keep\r\nKestoRememberPosition\r\n");
  Start({"*KestoCreate " + box});
  auto added = EntriesStartingWith("bang+:");
  EXPECT_EQ(added, (std::vector<std::string>{
                       "bang+:!KestoCreate", "bang+:!KestoDestroy", "bang+:!KestoHide", "bang+:!KestoShow",
                       "bang+:!KestoToggle", "bang+:!KestoResetPos", "bang+:!KestoGroupShow",
                       "bang+:!KestoGroupHide", "bang+:!KestoGroupToggle", "bang+:!KestoMoveBox", "bang+:!KestoReload",
                       "bang+:!KestoFocus", "bang+:!KestoZoom"}));
  StandInLogClear();
  HWND window = kesto::BoxList->Window;
  Stop();
  auto removed = EntriesStartingWith("bang-:");
  EXPECT_EQ(removed, (std::vector<std::string>{
                         "bang-:!KestoZoom", "bang-:!KestoFocus", "bang-:!KestoReload", "bang-:!KestoCreate", "bang-:!KestoDestroy", "bang-:!KestoHide", "bang-:!KestoShow",
                         "bang-:!KestoToggle", "bang-:!KestoResetPos", "bang-:!KestoGroupHide",
                         "bang-:!KestoGroupShow", "bang-:!KestoGroupToggle", "bang-:!KestoMoveBox"}));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(kesto::BoxList, nullptr);
  EXPECT_EQ(kesto::GroupList, nullptr);
  // It never moved: its file already says where it stands and is left alone.
  EXPECT_EQ(ReadText(box), "KestoName Keep\r\nKestoRememberPosition\r\n");
}

TEST_F(LifecycleTest, StartAndEndStepsComeInTheirOrder) {
  std::string box = WriteText("plugged.box", "KestoName Plugged\r\n*Module testplugin_A.dll\r\n");
  Start({"*KestoCreate " + box});
  auto phases = [] {
    std::vector<std::string> seen;
    for (const auto& entry : standin::LogEntries()) {
      std::string phase = entry.substr(0, entry.find(':'));
      if (phase == "plugin") phase = entry.substr(0, entry.find(' '));
      if (phase == "module" || phase == "lslog") continue;  // the shell's own records
      if (seen.empty() || seen.back() != phase) seen.push_back(phase);
    }
    return seen;
  };
  // The command window is registered first, then the commands, then the boxes are built.
  EXPECT_EQ(phases(), (std::vector<std::string>{"register-messages", "bang+", "plugin:A:init"}));
  StandInLogClear();
  Stop();
  // Commands go first, then the boxes, and the command window last.
  EXPECT_EQ(phases(), (std::vector<std::string>{"bang-", "plugin:A:quit", "unregister-messages"}));
}

TEST_F(LifecycleTest, RevisionQueryAnswersBothTexts) {
  Start();
  char buffer[64];
  std::memset(buffer, 'z', sizeof buffer);
  EXPECT_EQ(SendMessageA(kesto::CommandWnd, kesto::LM_GETREVID, 0, reinterpret_cast<LPARAM>(buffer)), 14);
  EXPECT_STREQ(buffer, "Kesto.dll: 2.5");
  EXPECT_EQ(SendMessageA(kesto::CommandWnd, kesto::LM_GETREVID, 1, reinterpret_cast<LPARAM>(buffer)), 35);
  EXPECT_STREQ(buffer, "Id: Kesto,v 2.5 2001/09/23 wrenfold");
  std::memset(buffer, 'z', sizeof buffer);
  EXPECT_EQ(SendMessageA(kesto::CommandWnd, kesto::LM_GETREVID, 2, reinterpret_cast<LPARAM>(buffer)), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[1], 'z');
}

TEST_F(LifecycleTest, CommandsRunLaterInPostedOrderAndQueuedOnesAreReleasedAtQuit) {
  Start();
  kesto::PostRunCommand(nullptr, "!first");
  kesto::PostRunCommand(nullptr, "!second");
  EXPECT_TRUE(standin::ExecutedCommands().empty());  // nothing runs inside the sender
  standin::PumpPending();
  EXPECT_EQ(standin::ExecutedCommands(), (std::vector<std::string>{"!first", "!second"}));
  kesto::PostRunCommand(nullptr, "!never");
  Stop();  // the queued copy is released, and it never runs
  standin::PumpPending();
  EXPECT_EQ(standin::ExecutedCommands().size(), 2u);
}

TEST_F(LifecycleTest, LiteStepDirComesFromTheShellWindowsExecutable) {
  EXPECT_EQ(kesto::FindLiteStepDir(), BinDir());
  EXPECT_NE(kesto::SetLayeredWindowAttributesProc, nullptr);
  EXPECT_EQ(kesto::FolderOf("C:\\LiteStep\\litestep.exe"), "C:\\LiteStep");
  EXPECT_EQ(kesto::FolderOf("C:\\litestep.exe"), "C:");
  EXPECT_EQ(kesto::FolderOf("\\litestep.exe"), "");
  EXPECT_EQ(kesto::FolderOf("litestep.exe"), "");
}

TEST_F(LifecycleTest, ExpansionsThatReachTheShellsLimitStayInBounds) {
  std::string huge(3000, 'v');
  std::string box = WriteText("big.box", "KestoName $big$$big$\r\nKestoOnLeftClick " + std::string(9000, 'c') +
                                             "\r\n*Text 1 1 $big$\r\n");
  Start({"big " + huge, "*KestoCreate " + box});
  ASSERT_NE(kesto::BoxList, nullptr);
  EXPECT_EQ(kesto::BoxList->Name.size(), 4096u - 1 - 10);  // the shell's buffer, less "KestoName "
  EXPECT_EQ(kesto::BoxList->OnLeftClick.size(), 4096u - 1 - 17);
}

// A value cut at the shell's limit never ends in half a character (an emoji
// is two UTF-16 units) and says in the log that it was cut.
TEST_F(LifecycleTest, AValueCutAtTheShellsLimitKeepsWholeCharactersAndIsLogged) {
  const std::string emoji = "\xF0\x9F\x98\x80";
  // "KestoName " and 4084 letters leave one unit of the buffer for the emoji's two.
  std::string box = WriteText("cut.box", "KestoName " + std::string(4084, 'n') + emoji + "\r\n");
  Start({"LSLogLevel 4", "*KestoCreate " + box});
  ASSERT_NE(kesto::BoxList, nullptr);
  EXPECT_EQ(kesto::BoxList->Name, std::string(4084, 'n'));
  int cuts = 0;
  for (const std::string& entry : standin::LogEntries())
    cuts += entry.find("a value was cut at the shell's limit of 4095 characters: 'KestoName nnn") != std::string::npos;
  EXPECT_GE(cuts, 1);
}

// The shipped artefact: a real DLL with exactly two exports that loads into the shell.
TEST_F(LifecycleTest, KestoDllLoadsRunsAndUnloads) {
  std::string box = WriteText("dll.box", "KestoName FromDll\r\nKestoX 5\r\nKestoY 7\r\n");
  std::string config = WriteText("shell.rc", "*KestoCreate " + box + "\r\n");
  ASSERT_TRUE(StandInLoadConfig(config.c_str()));
  HMODULE dll = LoadLibraryA((BinDir() + "\\Kesto.dll").c_str());
  ASSERT_NE(dll, nullptr);
  auto init = reinterpret_cast<int (*)(HWND, HINSTANCE, const char*)>(
      reinterpret_cast<void*>(GetProcAddress(dll, "initModuleEx")));
  auto quit = reinterpret_cast<void (*)(HINSTANCE)>(reinterpret_cast<void*>(GetProcAddress(dll, "quitModule")));
  ASSERT_TRUE(init && quit);
  EXPECT_EQ(init(TheHost().MainWindow(), dll, ""), 0);
  standin::Pump(50);
  // Not on top: the box is a child of the shell's desktop window.
  HWND window = nullptr;
  for (HWND w = GetWindow(TheHost().DesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    char title[64] = {};
    GetWindowTextA(w, title, sizeof title);
    if (std::string(title) == "FromDll") window = w;
  }
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowRect(window).left, 5);
  EXPECT_EQ(WindowRect(window).top, 7);
  quit(dll);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(FreeLibrary(dll));
}

// Executable memory of the process that belongs to no image: where the
// x86-64 entries' return path lives.
int ExecutablePrivateRegions() {
  int count = 0;
  MEMORY_BASIC_INFORMATION region;
  for (auto* at = static_cast<unsigned char*>(nullptr); VirtualQuery(at, &region, sizeof region) == sizeof region;
       at = static_cast<unsigned char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE && (region.Protect & PAGE_EXECUTE_READ)) ++count;
    if (region.RegionSize == 0) break;
  }
  return count;
}

// Loaded, used through its entries (bangs, the command window) and unloaded
// by its shell again and again, Kesto leaves no memory behind, its entries'
// return path included.
TEST_F(LifecycleTest, KestoDllLoadedUsedAndUnloadedTwentyTimesLeavesNoMemory) {
  std::string box = WriteText("dll.box", "KestoName FromDll\r\nKestoX 5\r\nKestoY 7\r\n");
  std::string config = WriteText("shell.rc", "*KestoCreate " + box + "\r\n");
  ASSERT_TRUE(StandInLoadConfig(config.c_str()));
  auto cycle = [] {
    HMODULE dll = LoadLibraryA((BinDir() + "\\Kesto.dll").c_str());
    ASSERT_NE(dll, nullptr);
    auto init = reinterpret_cast<int (*)(HWND, HINSTANCE, const char*)>(
        reinterpret_cast<void*>(GetProcAddress(dll, "initModuleEx")));
    auto quit = reinterpret_cast<void (*)(HINSTANCE)>(reinterpret_cast<void*>(GetProcAddress(dll, "quitModule")));
    init(TheHost().MainWindow(), dll, "");
    LSExecute(nullptr, "!KestoHide FromDll", 0);
    LSExecute(nullptr, "!KestoShow FromDll", 0);
    standin::Pump(20);
    quit(dll);
    FreeLibrary(dll);
  };
  cycle();  // whatever the system keeps after a first load
  const int before = ExecutablePrivateRegions();
  for (int i = 0; i < 20; ++i) cycle();
  EXPECT_EQ(ExecutablePrivateRegions(), before);
  EXPECT_EQ(GetModuleHandleA("Kesto.dll"), nullptr);
}

}  // namespace
}  // namespace kestotest
