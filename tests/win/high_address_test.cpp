// A run whose every allocation lies above 4 GB (x86-64): Kesto's records and
// the addresses it hands through window data, messages and the plug-in block
// keep all their bits. Elsewhere the test says why it does not apply.
#include <windows.h>

#include <cstdint>

#include "content/shortcuts.h"
#include "tests/win/failing_allocator.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

constexpr std::uintptr_t kFourGigabytes = std::uintptr_t{1} << 31 << 1;

class HighAddressTest : public KestoTest {};

TEST_F(HighAddressTest, RecordsAboveFourGigabytesKeepEveryBitThroughTheWindows) {
  if (!HighAddressRun()) GTEST_SKIP() << "not a high-address run (x86-64 with KESTO_TEST_HIGH_ADDRESSES)";
  WriteSolidBmp("n.bmp", 10, 10, RGB(200, 0, 0));
  kesto::TBox& box = StartWithBox("KestoName High\r\nKestoBackGround " + WriteSolidBmp("bg.bmp", 60, 40, RGB(0, 0, 90)) +
                                  "\r\n*Shortcut Tip 5 5 " + Path("n.bmp") + " " + Path("n.bmp") + " " + Path("n.bmp") +
                                  " !none\r\n*WharfModule 0 0 5 5 testplugin_C.dll\r\n");
  EXPECT_GE(reinterpret_cast<std::uintptr_t>(&box), kFourGigabytes);
  ASSERT_NE(box.Shortcuts, nullptr);
  kesto::TShortcut* shortcut = box.Shortcuts.get();
  EXPECT_GE(reinterpret_cast<std::uintptr_t>(shortcut), kFourGigabytes);
  EXPECT_EQ(reinterpret_cast<kesto::TShortcut*>(GetWindowLongPtrA(shortcut->Window, GWLP_USERDATA)), shortcut);
  // The plug-in read the block's addresses whole: its writable buffer and the shell's folder.
  bool pluginSawTheBlock = false;
  for (const std::string& entry : standin::LogEntries())
    pluginSawTheBlock |= entry.find("C:init") != std::string::npos && entry.find("dir=" + BinDir()) != std::string::npos;
  EXPECT_TRUE(pluginSawTheBlock);
  Bang("!KestoHide High");
  EXPECT_FALSE(IsWindowVisible(box.Window));
  Bang("!KestoDestroy High");
  EXPECT_EQ(CountBoxes(), 0);
}

}  // namespace
}  // namespace kestotest
