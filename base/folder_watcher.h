// A thread that waits for the file system to report changes in a few folders
// and tells a window when a name it was given changed there. It waits on the
// system's change notices alone: while nothing changes, it costs nothing and
// sends nothing.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kesto {

// Folder (full path; a trailing backslash only for a drive's root) -> the
// file names to report in it.
using WatchedNames = std::map<std::string, std::vector<std::string>>;

struct TUnwatchedFolder {
  std::string Folder;
  std::string Reason;
};

class FolderWatcher {
 public:
  FolderWatcher();
  ~FolderWatcher();
  FolderWatcher(const FolderWatcher&) = delete;
  FolderWatcher& operator=(const FolderWatcher&) = delete;

  // Watches these names (stopping what was watched before), posting message
  // to window when one of them is written, made, removed or renamed. At most
  // one message waits in the window's queue at a time: the receiver calls
  // Acknowledge when it takes it. False when nothing could be watched.
  bool Start(HWND window, UINT message, const WatchedNames& names);
  // Ends the thread, waiting for it at most a few seconds (a network folder
  // may never answer the cancel): a thread that does not end in time is left
  // to end on its own, with what it uses, and false is returned.
  bool Stop();
  void Acknowledge();
  bool Running() const { return shared_ != nullptr; }
  const WatchedNames& Names() const { return names_; }
  // The folders the last Start could not watch, each with the reason.
  const std::vector<TUnwatchedFolder>& Unwatched() const { return unwatched_; }
  // The folders that could not be opened at the last Start: watched again
  // when they are there once more.
  const std::vector<std::string>& Unopened() const { return unopened_; }
  // The folders whose watch ended since they were opened (removed, renamed):
  // their handles are closed, so the system can finish removing them.
  std::vector<std::string> Lost() const;

  struct Folder;  // one folder's handle, event and notice buffer
  struct Shared;  // what the thread uses: freed by whichever of the two lets go last

 private:
  Shared* shared_ = nullptr;
  WatchedNames names_;
  std::vector<TUnwatchedFolder> unwatched_;
  std::vector<std::string> unopened_;

  static DWORD WINAPI ThreadMain(void* shared);
};

}  // namespace kesto
