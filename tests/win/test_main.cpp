#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "base/module_state.h"
#include "base/shell_text.h"
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
  // As the real shell does at its start: the thread is a COM apartment, where
  // screen readers' objects are handed out.
  OleInitialize(nullptr);
  kestotest::TheHost();
  // The same tests against an older shell, which has only the ANSI functions.
  if (GetEnvironmentVariableA("KESTO_TEST_ANSI_SHELL", nullptr, 0) > 0) kesto::UseAnsiShellOnly(true);
  return RUN_ALL_TESTS();
}
