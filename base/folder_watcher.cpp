#include "base/folder_watcher.h"

#include <utility>

#include "base/bounded_call.h"
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

// The thread's world: its stop event and folders, the window it tells, and
// how many of the two (watcher and thread) still hold it.
struct FolderWatcher::Shared {
  HANDLE Stop = nullptr;
  std::vector<std::unique_ptr<Folder>> Folders;
  HWND Window = nullptr;
  UINT Message = 0;
  volatile LONG Posted = 0;
  volatile LONG Owners = 2;
  HMODULE Library = nullptr;

  ~Shared() {
    if (Stop) CloseHandle(Stop);
  }
  void LetGo() {
    if (InterlockedDecrement(&Owners) == 0) delete this;
  }
  void Report() {
    if (WaitForSingleObject(Stop, 0) == WAIT_OBJECT_0) return;  // nobody listens any more
    if (InterlockedExchange(&Posted, 1) != 0) return;  // one is already on its way
    if (!PostMessageA(Window, Message, 0, 0)) InterlockedExchange(&Posted, 0);
  }
  void Watch();
};

constexpr DWORD kStopWait = 3000;

FolderWatcher::FolderWatcher() = default;
FolderWatcher::~FolderWatcher() { Stop(); }

bool FolderWatcher::Start(HWND window, UINT message, const WatchedNames& names) {
  Stop();
  unwatched_.clear();
  unopened_.clear();
  auto shared = std::make_unique<Shared>();
  for (const auto& [path, files] : names) {
    // One thread waits on the stop event and every folder's.
    if (shared->Folders.size() == MAXIMUM_WAIT_OBJECTS - 1) {
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
    shared->Folders.push_back(std::move(folder));
  }
  shared->Stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (shared->Folders.empty() || !shared->Stop) return false;
  shared->Window = window;
  shared->Message = message;
  shared->Library = HoldLibraryForThread();
  if (!shared->Library) return false;
  HANDLE thread = CreateThread(nullptr, 0, ThreadMain, shared.get(), 0, nullptr);
  if (!thread) {
    FreeLibrary(shared->Library);
    return false;
  }
  CloseHandle(thread);  // the thread is waited for through its stop event's answer below
  shared_ = shared.release();
  names_ = names;
  return true;
}

bool FolderWatcher::Stop() {
  names_.clear();
  if (!shared_) return true;
  Shared* shared = std::exchange(shared_, nullptr);
  // The thread answers the stop by letting go of its share: that is what is waited for.
  SetEvent(shared->Stop);
  bool ended = false;
  for (DWORD waited = 0; waited < kStopWait && !ended; waited += 10) {
    ended = InterlockedCompareExchange(&shared->Owners, 0, 0) == 1;
    if (!ended) Sleep(10);
  }
  shared->LetGo();
  return ended;
}

std::vector<std::string> FolderWatcher::Lost() const {
  std::vector<std::string> lost;
  if (!shared_) return lost;
  for (const auto& folder : shared_->Folders)
    if (InterlockedCompareExchange(&folder->Lost, 0, 0) != 0) lost.push_back(folder->Path);
  return lost;
}

void FolderWatcher::Acknowledge() {
  if (shared_) InterlockedExchange(&shared_->Posted, 0);
}

DWORD WINAPI FolderWatcher::ThreadMain(void* argument) {
  auto* shared = static_cast<Shared*>(argument);
  shared->Watch();
  HMODULE library = shared->Library;
  shared->LetGo();
  EndLibraryThread(library);
}

void FolderWatcher::Shared::Watch() {
  std::vector<HANDLE> waits{Stop};
  for (auto& folder : Folders) {
    folder->Arm();
    waits.push_back(folder->Event);
  }
  for (;;) {
    DWORD woke = WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, INFINITE);
    if (woke <= WAIT_OBJECT_0 || woke >= WAIT_OBJECT_0 + waits.size()) break;  // stopped, or the wait failed
    Folder& folder = *Folders[woke - WAIT_OBJECT_0 - 1];
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
  for (auto& folder : Folders) {
    if (!folder->Armed || folder->Directory == INVALID_HANDLE_VALUE) continue;
    CancelIo(folder->Directory);
    DWORD bytes = 0;
    GetOverlappedResult(folder->Directory, &folder->Overlapped, &bytes, TRUE);
    folder->Armed = false;
  }
}

}  // namespace kesto
