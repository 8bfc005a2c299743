#include "module/command_window.h"
#include "module/module_state.h"
#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {
TEST_F(KestoTest, Smoke) {
  std::string bmp = WriteSolidBmp("bg.bmp", 40, 30, RGB(255, 0, 0));
  kesto::TBox& box = StartWithBox("KestoName Smoke\r\nKestoBackGround " + bmp + "\r\nKestoX 100\r\nKestoY 50\r\n");
  RECT r = WindowRect(box.Window);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(ScreenPixel(110, 60), RGB(255, 0, 0));
}
}  // namespace
}  // namespace kestotest
