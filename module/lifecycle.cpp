#include "module/lifecycle.h"

#include "bang/bang_commands.h"
#include "box/box.h"
#include "boxfile/text_helpers.h"
#include "content/groups.h"
#include "content/shortcuts.h"
#include "module/command_window.h"
#include "module/module_state.h"
#include "module/shell_api.h"

namespace kesto {
namespace {

constexpr const char* kCreateKey = "*KestoCreate";

void CreateConfiguredBoxes() {
  TextBuffer line = AllocTextBuffer(kShellTextSize);
  void* config = LCOpen(nullptr);
  // Each box is built before the next line is read: the last line's box ends
  // up first in BoxList.
  while (LCReadNextConfig(config, kCreateKey, line.get(), kShellTextSize)) {
    line[kShellTextSize - 1] = '\0';
    CreateBox(GetToken(line.get(), 2));
  }
  LCClose(config);
  FreeTextBuffer(line);
}

void DestroyAllBoxes() {
  while (BoxList) {
    DestroyBox(*BoxList);
    BoxList = std::move(BoxList->Next);
  }
}

}  // namespace
}  // namespace kesto

extern "C" int initModuleEx(HWND, HINSTANCE instance, const char*) {
  using namespace kesto;
  try {
    ModuleInstance = instance;
    CreateCommandWindow();
    LiteStepDir = FindLiteStepDir();
    RegisterBangCommands();
    CreateConfiguredBoxes();
  } catch (...) {
    // Nothing is reported to the shell; whatever was built stays usable.
  }
  return 0;
}

extern "C" void quitModule(HINSTANCE) {
  using namespace kesto;
  try {
    UnregisterBangCommands();
    DestroyAllBoxes();
    ReleaseGroups();
    for (const char* className : {kBoxClass, kShortcutClass, kModuleClass}) UnregisterModuleClass(className);
    // Nothing uses the shared tooltip once every shortcut is gone.
    DestroyTooltip();
    DestroyCommandWindow();
  } catch (...) {
  }
}
