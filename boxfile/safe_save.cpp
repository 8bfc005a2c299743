#include "boxfile/safe_save.h"

#include <algorithm>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kesto {
namespace {

#ifdef _WIN32

bool WriteAndFlush(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    ok = WriteFile(file, bytes.data() + done, chunk, &written, nullptr) && written == chunk;
    done += written;
  }
  ok = ok && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  return ok;
}

bool RenameOver(const std::string& from, const std::string& to) {
  // A read-only target must stay read-only and intact: MoveFileEx would refuse
  // it on Windows, but say so explicitly for systems that would not.
  DWORD attributes = GetFileAttributesA(to.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

unsigned long ProcessId() { return GetCurrentProcessId(); }

#else

bool WriteAndFlush(const std::string& path, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd < 0) return false;
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    ok = written > 0;
    if (ok) done += static_cast<std::size_t>(written);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  return ok;
}

bool RenameOver(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

void RemoveFile(const std::string& path) { std::remove(path.c_str()); }

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

#endif

}  // namespace

bool ReadFileBytes(const std::string& path, std::string& bytes) {
  if (path.empty()) return false;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes.clear();
  char chunk[65536];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

bool ReplaceFileContents(const std::string& target, const std::string& bytes) {
  if (target.empty()) return false;
  // The temporary file sits beside the target so that the final rename never
  // crosses a volume; the counter avoids clashing with a stale leftover.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temporary = target + ".kesto-save-" + std::to_string(ProcessId()) + "-" +
                            std::to_string(attempt);
    if (std::FILE* leftover = std::fopen(temporary.c_str(), "rb")) {
      std::fclose(leftover);  // not ours to remove: try another name
      continue;
    }
    if (!WriteAndFlush(temporary, bytes)) {
      RemoveFile(temporary);
      return false;
    }
    if (RenameOver(temporary, target)) return true;
    RemoveFile(temporary);
    return false;
  }
  return false;
}

}  // namespace kesto
