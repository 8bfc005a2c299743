#include "base/folder_watcher.h"

#include "base/wide_text.h"

namespace kesto {
namespace {

constexpr DWORD kNoticeFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE |
                                FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_CREATION;

}  // namespace

struct FolderWatcher::Folder {
  std::string Path;
  std::vector<std::wstring> Names;
  HANDLE Directory = INVALID_HANDLE_VALUE;
  HANDLE Event = nullptr;
  OVERLAPPED Overlapped{};
  bool Armed = false;
  volatile LONG Lost = 0;  // set by the watching thread, read by the window's
  alignas(DWORD) BYTE Buffer[16384];

  Folder() = default;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  ~Folder() {
    if (Directory != INVALID_HANDLE_VALUE) CloseHandle(Directory);
    if (Event) CloseHandle(Event);
  }

  // Asks for the next notices; false when the folder can no longer be watched
  // (it was removed, say): its event then never fires again.
  bool Arm() {
    Overlapped = OVERLAPPED{};
    Overlapped.hEvent = Event;
    ResetEvent(Event);
    Armed = ReadDirectoryChangesW(Directory, Buffer, sizeof Buffer, FALSE, kNoticeFilter, nullptr, &Overlapped,
                                  nullptr) != FALSE;
    return Armed;
  }

  // Whether the notices in the buffer name a watched file; an overflowed
  // buffer (no notices kept) or a short 8.3 name may hide one, so they count.
  bool NamesWatched(DWORD bytes) const {
    if (bytes == 0) return true;
    DWORD offset = 0;
    while (offset + sizeof(FILE_NOTIFY_INFORMATION) <= bytes) {
      const auto* notice = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(Buffer + offset);
      std::wstring name(notice->FileName, notice->FileNameLength / sizeof(WCHAR));
      if (name.find(L'~') != std::wstring::npos) return true;
      for (const std::wstring& watched : Names)
        if (lstrcmpiW(name.c_str(), watched.c_str()) == 0) return true;
      if (notice->NextEntryOffset == 0) break;
      offset += notice->NextEntryOffset;
    }
    return false;
  }
};

FolderWatcher::FolderWatcher() = default;
FolderWatcher::~FolderWatcher() { Stop(); }

bool FolderWatcher::Start(HWND window, UINT message, const WatchedNames& names) {
  Stop();
  unwatched_.clear();
  unopened_.clear();
  for (const auto& [path, files] : names) {
    // One thread waits on the stop event and every folder's.
    if (folders_.size() == MAXIMUM_WAIT_OBJECTS - 1) {
      unwatched_.push_back({path, "more than " + std::to_string(MAXIMUM_WAIT_OBJECTS - 1) +
                                      " folders are watched at once"});
      continue;
    }
    auto folder = std::make_unique<Folder>();
    folder->Directory = CreateFileW(Wide(path).c_str(), FILE_LIST_DIRECTORY,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    const DWORD openError = GetLastError();
    folder->Event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (folder->Directory == INVALID_HANDLE_VALUE || !folder->Event) {
      unwatched_.push_back({path, "it cannot be opened (error " + std::to_string(openError) + ")"});
      unopened_.push_back(path);
      continue;
    }
    folder->Path = path;
    for (const std::string& file : files) folder->Names.push_back(Wide(file));
    folders_.push_back(std::move(folder));
  }
  stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (folders_.empty() || !stop_) {
    Stop();
    return false;
  }
  window_ = window;
  message_ = message;
  names_ = names;
  posted_ = 0;
  thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
  if (!thread_) {
    Stop();
    return false;
  }
  return true;
}

void FolderWatcher::Stop() {
  if (thread_) {
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  if (stop_) CloseHandle(stop_);
  stop_ = nullptr;
  folders_.clear();
  names_.clear();
}

std::vector<std::string> FolderWatcher::Lost() const {
  std::vector<std::string> lost;
  for (const auto& folder : folders_)
    if (InterlockedCompareExchange(&folder->Lost, 0, 0) != 0) lost.push_back(folder->Path);
  return lost;
}

void FolderWatcher::Acknowledge() { InterlockedExchange(&posted_, 0); }

DWORD WINAPI FolderWatcher::ThreadMain(void* self) {
  static_cast<FolderWatcher*>(self)->Watch();
  return 0;
}

void FolderWatcher::Report() {
  if (InterlockedExchange(&posted_, 1) != 0) return;  // one is already on its way
  if (!PostMessageA(window_, message_, 0, 0)) InterlockedExchange(&posted_, 0);
}

void FolderWatcher::Watch() {
  std::vector<HANDLE> waits{stop_};
  for (auto& folder : folders_) {
    folder->Arm();
    waits.push_back(folder->Event);
  }
  for (;;) {
    DWORD woke = WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, INFINITE);
    if (woke <= WAIT_OBJECT_0 || woke >= WAIT_OBJECT_0 + waits.size()) break;  // stopped, or the wait failed
    Folder& folder = *folders_[woke - WAIT_OBJECT_0 - 1];
    DWORD bytes = 0;
    const bool read = GetOverlappedResult(folder.Directory, &folder.Overlapped, &bytes, FALSE) != FALSE;
    folder.Armed = false;
    const bool watched = read && folder.NamesWatched(bytes);
    if (!folder.Arm()) {
      // The folder is gone, renamed or replaced: its handle is closed, or it
      // would keep a removed folder from going. Its event never fires again.
      CloseHandle(folder.Directory);
      folder.Directory = INVALID_HANDLE_VALUE;
      InterlockedExchange(&folder.Lost, 1);
      Report();
      continue;
    }
    if (!read || watched) Report();
  }
  // The requests this thread made are cancelled by it, and waited for: the
  // system must not write into a buffer once it is freed.
  for (auto& folder : folders_) {
    if (!folder->Armed || folder->Directory == INVALID_HANDLE_VALUE) continue;
    CancelIo(folder->Directory);
    DWORD bytes = 0;
    GetOverlappedResult(folder->Directory, &folder->Overlapped, &bytes, TRUE);
    folder->Armed = false;
  }
}

}  // namespace kesto
