#include "box/auto_reload.h"

#include <vector>

#include <algorithm>
#include <memory>

#include "base/bounded_call.h"
#include "base/command_queue.h"
#include "base/file_fingerprint.h"
#include "base/folder_watcher.h"
#include "base/module_state.h"
#include "base/shell_log.h"
#include "base/wide_text.h"
#include "box/box_list.h"
#include "box/reload_box.h"

namespace kesto {
namespace {

// The one thread that waits for the file system, while any box asks for it.
FolderWatcher Watcher;
// The folders the log has said are not watched: said once, until they are
// watched again.
std::vector<std::string> SaidUnwatched;

bool Said(const std::string& folder) {
  return std::find(SaidUnwatched.begin(), SaidUnwatched.end(), folder) != SaidUnwatched.end();
}

bool Watching(const TBox& box) { return box.AutoReload && box.Life != BoxLife::Destroying && !box.DestroyRequested; }

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiW(Wide(a).c_str(), Wide(b).c_str()) == 0; }

std::string Lowered(const std::string& text) {
  std::wstring wide = Wide(text);
  if (!wide.empty()) CharLowerBuffW(&wide[0], static_cast<DWORD>(wide.size()));
  return Utf8(wide);
}

WatchedNames WantedNames() {
  WatchedNames wanted;
  ForEachBox([&](TBox& box) {
    if (!Watching(box)) return;
    for (const TWatchedFile& file : box.Watched) {
      const std::size_t slash = file.Path.find_last_of("\\/");
      if (slash == std::string::npos) continue;
      // A drive's root is watched as "C:\\": "C:" alone is the drive's current folder.
      const bool root = slash == 2 && file.Path[1] == ':';
      std::vector<std::string>& names = wanted[Lowered(file.Path.substr(0, root ? slash + 1 : slash))];
      const std::string name = Lowered(file.Path.substr(slash + 1));
      bool known = false;
      for (const std::string& present : names) known = known || present == name;
      if (!known) names.push_back(name);
    }
  });
  return wanted;
}

// A file on a network share is read on a thread of its own, and waited for
// only so long: a share that does not answer never freezes the desktop.
constexpr DWORD kNetworkWait = 1500;

FileRead Fingerprint(const std::string& path, std::uint64_t& hash, bool& slow) {
  if (!IsNetworkPath(Wide(path))) return FingerprintFile(path, hash);
  struct Outcome {
    FileRead Read = FileRead::Busy;
    std::uint64_t Hash = 0;
  };
  auto outcome = std::make_shared<Outcome>();
  if (!RunBounded([outcome, path] { outcome->Read = FingerprintFile(path, outcome->Hash); }, kNetworkWait)) {
    slow = true;
    return FileRead::Busy;
  }
  hash = outcome->Hash;
  return outcome->Read;
}

// Whether the box's files hold other contents than it was built from; empty
// problem when every one of them could be read.
bool FilesChanged(TBox& box, std::string& problem, bool& retry) {
  bool changed = false;
  for (const TWatchedFile& file : box.Watched) {
    std::uint64_t hash = 0;
    // The box file itself is named once; an image by the line that loaded it too.
    const std::string where = file.Where == file.Path ? std::string() : file.Where + ": ";
    bool slow = false;
    const FileRead read = Fingerprint(file.Path, hash, slow);
    // An image that was missing when the box was built: its coming counts.
    if (file.Missing) {
      changed = changed || read != FileRead::Missing;
      continue;
    }
    switch (read) {
      case FileRead::Missing:
        problem = where + "'" + file.Path + "' is missing for now";
        return false;
      case FileRead::Busy:
        problem = where + (slow ? "'" + file.Path + "' did not answer within " + std::to_string(kNetworkWait) +
                                      " ms (a network share?)"
                                : "can't read '" + file.Path + "' now (is the editor still writing it?)");
        retry = true;
        return false;
      case FileRead::Read:
        changed = changed || hash != file.Hash;
        break;
    }
  }
  return changed;
}

}  // namespace

void UpdateWatches() {
  WatchedNames wanted;
  if (CommandWnd) wanted = WantedNames();
  if (wanted == Watcher.Names() && Watcher.Running() == !wanted.empty()) return;
  if (CommandWnd) KillTimer(CommandWnd, kRewatchTimer);
  if (wanted.empty()) {
    Watcher.Stop();
    SaidUnwatched.clear();
    return;
  }
  if (!Watcher.Start(CommandWnd, WM_WATCHNOTICE, wanted)) {
    ShellLog(kLogError, "can't watch the folders of the boxes that reload themselves; they are not rebuilt on save");
  } else {
    // A folder's watch was closed and opened again: a save in between raised
    // no notice, so the files are compared once more.
    SetTimer(CommandWnd, kQuietTimer, kQuietMilliseconds, nullptr);
  }
  // Never silently: a box whose folder is not watched is not rebuilt on save.
  std::vector<std::string> unwatched;
  for (const TUnwatchedFolder& folder : Watcher.Unwatched()) {
    if (!Said(folder.Folder))
      ShellLog(kLogError, "can't watch the folder '" + folder.Folder + "': " + folder.Reason +
                              "; its boxes are not rebuilt on save");
    unwatched.push_back(folder.Folder);
  }
  SaidUnwatched = unwatched;
  // A folder that could not be opened is looked for now and then.
  if (!Watcher.Unopened().empty()) SetTimer(CommandWnd, kRewatchTimer, kRewatchMilliseconds, nullptr);
}

void RewatchFolders() {
  bool back = false;
  for (const std::string& folder : Watcher.Unopened()) {
    const DWORD attributes = GetFileAttributesW(Wide(folder).c_str());
    back = back || (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
  }
  if (!back) return;
  Watcher.Stop();
  UpdateWatches();
}

void NoteWatchNotice() {
  Watcher.Acknowledge();
  // A watched folder was removed, renamed or replaced: said once, and watched
  // again (at once when a new one stands in its place, else when it is back).
  if (const std::vector<std::string> lost = Watcher.Lost(); !lost.empty()) {
    for (const std::string& folder : lost) {
      ShellLog(kLogWarning, "the folder '" + folder + "' was removed or renamed; its boxes are rebuilt on save " +
                                "again once it is back");
      SaidUnwatched.push_back(folder);
    }
    Watcher.Stop();
    UpdateWatches();
  }
  // A save is a new chance for a file that was held.
  ForEachBox([](TBox& box) { box.HeldTries = 0; });
  // Each notice starts the quiet time again: a burst of writes is one save.
  if (CommandWnd && Watcher.Running()) SetTimer(CommandWnd, kQuietTimer, kQuietMilliseconds, nullptr);
}

void CheckWatchedFiles() {
  if (CommandWnd) {
    KillTimer(CommandWnd, kQuietTimer);
    KillTimer(CommandWnd, kRetryTimer);
  }
  std::vector<std::uint32_t> changed;
  bool retry = false;
  ForEachBox([&](TBox& box) {
    if (!Watching(box) || !Reloadable(box)) return;
    std::string problem;
    bool held = false;
    const bool differs = FilesChanged(box, problem, held);
    if (!problem.empty()) {
      // Said once, not at every notice of an editor's burst.
      if (problem != box.WatchProblem)
        ShellLog(kLogWarning, problem + "; box '" + box.Name + "' stays as it is until the file can be read");
      box.WatchProblem = problem;
      if (held && ++box.HeldTries == kMostHeldTries)
        ShellLog(kLogWarning, problem + ": still held after " + std::to_string(kMostHeldTries) +
                                  " tries; box '" + box.Name + "' is checked again at the file's next save");
      retry = retry || (held && box.HeldTries < kMostHeldTries);
      return;
    }
    box.HeldTries = 0;
    // A save that differs keeps what was said of it: the rebuild says again
    // only what is new.
    if (differs) {
      changed.push_back(box.Serial);
    } else {
      box.WatchProblem.clear();
    }
  });
  if (retry && CommandWnd) SetTimer(CommandWnd, kRetryTimer, kRetryMilliseconds, nullptr);
  // Oldest first, as !KestoReload rebuilds every box.
  ReloadBoxes(std::vector<std::uint32_t>(changed.rbegin(), changed.rend()), ReloadCause::Save);
}

void NoteOwnWrite(const std::string& path, std::uint64_t before, std::uint64_t after) {
  ForEachBox([&](TBox& box) {
    for (TWatchedFile& file : box.Watched)
      if (file.Hash == before && SamePath(file.Path, path)) file.Hash = after;
  });
}

void StopWatching() {
  if (!Watcher.Stop()) ShellLog(kLogWarning, "the thread that watches the box files did not end in time; it ends on its own");
  SaidUnwatched.clear();
  if (CommandWnd) {
    KillTimer(CommandWnd, kRewatchTimer);
    KillTimer(CommandWnd, kQuietTimer);
    KillTimer(CommandWnd, kRetryTimer);
  }
}

}  // namespace kesto
