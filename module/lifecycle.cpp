#include "module/lifecycle.h"

#include "bang/bang_commands.h"
#include "base/accessible_object.h"
#include "base/command_queue.h"
#include "base/entry_thunk.h"
#include "base/module_state.h"
#include "base/no_throw.h"
#include "base/operation.h"
#include "base/shell_api.h"
#include "base/shell_text.h"
#include "box/auto_reload.h"
#include "box/box.h"
#include "box/box_list.h"
#include "boxfile/text_helpers.h"
#include "content/groups.h"
#include "content/hosted_modules.h"
#include "content/shortcuts.h"
#include "content/tooltip.h"
#include "module/command_window.h"

namespace kesto {
namespace {

constexpr const char* kCreateKey = "*KestoCreate";

// A start inside a running run (the shell's recycle handled inside a dialog
// of the first start) ends the first run completely before it begins anew;
// the first start then stops reading its lines.
// An end that had to leave boxes to the operations still working on them
// finishes once the last of them is gone.
bool EndUnfinished = false;

// The shell's configuration, open for reading the create lines; closed
// however the reading ends.
struct OpenConfiguration {
  void* Handle = LCOpen(nullptr);
  ~OpenConfiguration() { LCClose(Handle); }
  OpenConfiguration() = default;
  OpenConfiguration(const OpenConfiguration&) = delete;
  OpenConfiguration& operator=(const OpenConfiguration&) = delete;
};

void CreateConfiguredBoxes(unsigned run) {
  OpenConfiguration config;
  // Each box is built before the next line is read: the last line's box ends
  // up first in BoxList. A run ended meanwhile reads no further line: the
  // shell may have reloaded its configuration. One box that fails never
  // keeps the later lines from being built, nor does a line that fails to
  // be taken over (out of memory): that line is skipped.
  bool more = true;
  while (more && RunIsCurrent(run)) {
    NoThrow([&] {
      std::string line;
      more = ReadConfigLine(config.Handle, kCreateKey, line);
      if (more) CreateBox(GetToken(line, 2));
    });
  }
}

// What the end leaves for the moment no box is left: groups and classes
// are still used by the boxes that operations are working on.
void FinishEnd() {
  EndUnfinished = false;
  NoThrow(ReleaseGroups);
  for (const char* className : {kBoxClass, kShortcutClass, kModuleClass})
    NoThrow([&] { UnregisterModuleClass(className); });
  // Nothing uses the shared tooltip once every shortcut is gone.
  NoThrow(DestroyTooltip);
  // Screen readers still holding a box or button are told it is gone.
  NoThrow(EndAccessibility);
}

void FinishDeferredWork() {
  FinishRequestedDestroys();
  if (!Running && EndUnfinished && !AnyBoxes()) FinishEnd();
  RepostFailures();
}

void EndRun() {
  Running = false;
  EndUnfinished = true;
  // First of all: a click queued before the end must not run inside it.
  NoThrow(CloseCommandQueue);
  NoThrow(UnregisterBangCommands);
  NoThrow(RequestDestroyAll);
  if (!AnyBoxes()) NoThrow(FinishEnd);
  // The watching thread is joined here even when busy boxes remain: nothing
  // of it may run once the library is gone.
  NoThrow(StopWatching);
  NoThrow(DestroyCommandWindow);
}

void StartRun(HINSTANCE instance) {
  if (Running) EndRun();
  Running = true;
  const unsigned run = ++RunNumber;
  ModuleInstance = instance;
  NoThrow([] { FindShellTextFunctions(); });
  NoThrow(CreateCommandWindow);
  NoThrow([] { LiteStepDir = FindLiteStepDir(); });
  NoThrow(RegisterBangCommands);
  NoThrow([run] { CreateConfiguredBoxes(run); });
}

}  // namespace
}  // namespace kesto

extern "C" int initModuleEx(HWND, HINSTANCE instance, const char*) {
  using namespace kesto;
  try {
    // The shell holds its own reference on the library for the whole call,
    // and cannot unload a module that has not started: the operation's
    // reference is given back at once.
    KestoOperation operation(KestoOperation::Release::AtOnce);
    SetDeferredWork(FinishDeferredWork);
    StartRun(instance);
  } catch (...) {
    // Nothing is reported to the shell; whatever was built stays usable.
  }
  return 0;
}

extern "C" void quitModuleBody(HINSTANCE) {
  using namespace kesto;
  try {
    KestoOperation operation;
    SetDeferredWork(FinishDeferredWork);
    // A second end (the shell lists a start nested in another twice) finds
    // nothing left to do.
    if (Running) EndRun();
  } catch (...) {
  }
}

KESTO_CDECL_ENTRY_1(quitModule);
