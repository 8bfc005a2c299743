#include "box/reload_box.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/bounded_call.h"
#include "base/command_queue.h"
#include "base/module_state.h"
#include "base/shell_expansion.h"
#include "base/shell_log.h"
#include "base/wide_text.h"
#include "box/box_list.h"
#include "boxfile/safe_save.h"
#include "boxfile/save_check.h"

namespace kesto {

bool Reloadable(const TBox& box) {
  return box.Life == BoxLife::Live && !box.DestroyRequested && !box.BeingReplaced;
}

namespace {

// Why the box stays as it is: said once per problem for a save, every time
// for a bang the user gave.
void KeepBox(TBox& box, const std::string& problem, ReloadCause cause) {
  const std::string line = problem + "; box '" + box.Name + "' stays as it is";
  if (cause == ReloadCause::Bang || problem != box.WatchProblem)
    ShellLog(kLogWarning, line + (cause == ReloadCause::Save ? " until the next save" : ""));
  box.WatchProblem = problem;
}

// The file's contents, read and parsed before the box is touched; none when
// they are not a box to build (the box then stays, with a word why).
// The file's bytes; one on a network share is read on a thread of its own,
// and waited for only so long.
bool ReadBytesBounded(const std::string& path, std::string& bytes) {
  if (!IsNetworkPath(Wide(path))) return ReadFileBytes(path, bytes);
  struct Outcome {
    bool Read = false;
    std::string Bytes;
  };
  auto outcome = std::make_shared<Outcome>();
  if (!RunBounded([outcome, path] { outcome->Read = ReadFileBytes(path, outcome->Bytes); }, 3000)) return false;
  bytes = std::move(outcome->Bytes);
  return outcome->Read;
}

BoxFile ReadReplacement(TBox& box, ReloadCause cause) {
  std::string bytes;
  if (!ReadBytesBounded(box.FileName, bytes)) {
    KeepBox(box, "can't read " + box.FileName + " (it is missing, another program holds it, or its share does not answer)", cause);
    if (cause == ReloadCause::Bang) ReportFailure("Can't load .Box File", box.FileName);
    return nullptr;
  }
  BoxFile file = ParseBoxFile(box.FileName, bytes, ShellExpansion, &SystemAnsiCodePage());
  const std::string reason = UnfinishedSaveReason(bytes, *file, box.HasBackgroundLine);
  if (!reason.empty()) {
    KeepBox(box, box.FileName + " was not built again: " + reason, cause);
    return nullptr;
  }
  return file;
}

TCarriedOver CarriedFrom(const TBox& box) {
  TCarriedOver carried;
  carried.Replaces = box.Serial;
  carried.Behind = box.Window;
  carried.BuiltFrom = box.BuiltFrom;
  RECT rect{};
  carried.Placed = box.Window && GetWindowRect(box.Window, &rect);
  carried.WindowAt = {rect.left, rect.top};
  carried.Centre = {rect.left + (rect.right - rect.left) / 2, rect.top + (rect.bottom - rect.top) / 2};
  carried.X = box.X;
  carried.Y = box.Y;
  carried.Place = box.Place;
  carried.Rescued = box.Rescued;
  carried.Shown = box.Window && IsWindowVisible(box.Window);
  carried.Hidden = HasFlag(box.Flags, BoxHidden);
  carried.Zoom = box.ZoomByBang;
  carried.Dpi = box.Dpi;
  return carried;
}

// The new box is built while the old one still stands (its folder stays
// watched, its groups keep their states); the old one is then hidden, the
// new one painted at once where it showed, and the old one taken down.
void ReplaceBox(std::uint32_t serial, ReloadCause cause) {
  TBox* box = FindBoxBySerial(serial);
  if (!box || !Reloadable(*box)) return;
  BoxFile file = ReadReplacement(*box, cause);
  if (!file) return;
  const TCarriedOver carried = CarriedFrom(*box);
  box->BeingReplaced = true;
  const std::uint32_t fresh = CreateBoxFrom(std::move(file), &carried);
  // Building may have called out, where anything can have happened to either box.
  box = FindBoxBySerial(serial);
  if (!box) return;
  box->BeingReplaced = false;
  TBox* rebuilt = FindBoxBySerial(fresh);
  if (!rebuilt || !Reloadable(*rebuilt)) return;  // the old box stays
  box->Replaced = true;
  if (box->Window && rebuilt->Window && IsWindowVisible(box->Window)) {
    SetWindowPos(box->Window, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(rebuilt->Window);
  }
  std::vector<HWND> renamed{rebuilt->Window};
  for (const TShortcut* s = rebuilt->Shortcuts.get(); s; s = s->Next.get()) renamed.push_back(s->Window);
  RequestDestroy(*box);
  // A screen reader reads the box again: what it names may have changed.
  // Said last, as a hook in this process may run anything from here.
  for (HWND window : renamed)
    if (window) NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace

void ReloadBoxes(const std::vector<std::uint32_t>& serials, ReloadCause cause) {
  // Each build and teardown may call out, where the module can be ended (an
  // unload, a recycle): then nothing more is built for the run that is over.
  const unsigned run = RunNumber;
  for (std::uint32_t serial : serials) {
    if (!RunIsCurrent(run)) return;
    ReplaceBox(serial, cause);
  }
}

}  // namespace kesto
