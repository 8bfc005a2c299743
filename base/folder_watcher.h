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
  // Ends the thread and waits for it; every handle of it is closed on return.
  void Stop();
  void Acknowledge();
  bool Running() const { return thread_ != nullptr; }
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

 private:
  HANDLE thread_ = nullptr;
  HANDLE stop_ = nullptr;
  std::vector<std::unique_ptr<Folder>> folders_;
  WatchedNames names_;
  std::vector<TUnwatchedFolder> unwatched_;
  std::vector<std::string> unopened_;
  HWND window_ = nullptr;
  UINT message_ = 0;
  volatile LONG posted_ = 0;

  static DWORD WINAPI ThreadMain(void* self);
  void Watch();
  void Report();
};

}  // namespace kesto
