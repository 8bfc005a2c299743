#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "base/module_state.h"
#include "tests/win/fixture.h"

namespace kestotest {
standin::Host& TheHost() {
  static standin::Host host;
  return host;
}
}  // namespace kestotest

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // What the library attach does in Kesto.dll.
  kesto::FindSetLayeredWindowAttributes();
  // The tooltip class lives in comctl32: keep it loaded for the whole run.
  InitCommonControls();
  LoadLibraryA("comctl32.dll");
  kestotest::TheHost();
  return RUN_ALL_TESTS();
}
