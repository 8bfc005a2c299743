#include "base/bounded_call.h"

#include <memory>
#include <utility>

namespace kesto {
namespace {

// What the caller and the thread share; freed by whichever lets go last.
struct Job {
  std::function<void()> Work;
  volatile LONG Owners = 2;
  HMODULE Library = nullptr;
};

void LetGo(Job* job) {
  if (InterlockedDecrement(&job->Owners) == 0) delete job;
}

DWORD WINAPI RunJob(void* argument) {
  auto* job = static_cast<Job*>(argument);
  try {
    job->Work();
  } catch (...) {
  }
  HMODULE library = job->Library;
  LetGo(job);
  EndLibraryThread(library);
}

}  // namespace

HMODULE HoldLibraryForThread() {
  HMODULE library = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&HoldLibraryForThread), &library);
  return library;
}

void EndLibraryThread(HMODULE library) {
  if (library) FreeLibraryAndExitThread(library, 0);
  ExitThread(0);
}

bool RunBounded(std::function<void()> work, DWORD milliseconds) {
  auto job = std::make_unique<Job>();
  job->Work = std::move(work);
  job->Library = HoldLibraryForThread();
  if (!job->Library) return false;
  HANDLE thread = CreateThread(nullptr, 0, RunJob, job.get(), 0, nullptr);
  if (!thread) {
    FreeLibrary(job->Library);
    return false;
  }
  Job* shared = job.release();
  const bool ended = WaitForSingleObject(thread, milliseconds) == WAIT_OBJECT_0;
  CloseHandle(thread);
  LetGo(shared);
  return ended;
}

bool IsNetworkPath(const std::wstring& path) {
  if (path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/')) {
    // "\\?\C:\..." and "\\.\C:\..." name local drives; every other double-slash path a server.
    if (path.size() >= 7 && (path[2] == L'?' || path[2] == L'.') && path[5] == L':')
      return IsNetworkPath(path.substr(4));
    return true;
  }
  if (path.size() < 2 || path[1] != L':') return false;
  const wchar_t root[] = {path[0], L':', L'\\', L'\0'};
  return GetDriveTypeW(root) == DRIVE_REMOTE;
}

}  // namespace kesto
