#include "boxfile/safe_save.h"

#include <algorithm>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kesto {
namespace {

enum class Created { Yes, NameTaken, Failed };

#ifdef _WIN32

constexpr char kSeparator = '\\';

Created CreateAndWrite(const std::string& path, const std::string& bytes, DWORD disposition) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Created::NameTaken : Created::Failed;
  }
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    ok = WriteFile(file, bytes.data() + done, chunk, &written, nullptr) && written == chunk;
    done += written;
  }
  ok = ok && SetEndOfFile(file) && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  return ok ? Created::Yes : Created::Failed;
}

Created WriteNew(const std::string& path, const std::string& bytes) {
  return CreateAndWrite(path, bytes, CREATE_NEW);
}

bool OverwriteInPlace(const std::string& path, const std::string& bytes) {
  return CreateAndWrite(path, bytes, OPEN_EXISTING) == Created::Yes;
}

bool IsReadOnly(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// The file a link leads to; the path itself when it is no link.
std::string ResolveLinks(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
  HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return path;
  char final[32768];
  DWORD length = GetFinalPathNameByHandleA(file, final, sizeof final, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  CloseHandle(file);
  if (length == 0 || length >= sizeof final) return path;
  std::string resolved(final, length);
  // The long-path prefix is kept only where the path needs it.
  if (resolved.rfind("\\\\?\\", 0) == 0 && resolved.size() - 4 < MAX_PATH && resolved.find(':') == 5)
    resolved.erase(0, 4);
  return resolved;
}

unsigned LinkCount(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  BY_HANDLE_FILE_INFORMATION info{};
  bool ok = GetFileInformationByHandle(file, &info);
  CloseHandle(file);
  return ok ? info.nNumberOfLinks : 1;
}

// The replacement takes over what makes the old file the user's: its
// attributes (hidden, say) and its access rights.
void TakeOverIdentity(const std::string& from, const std::string& to) {
  DWORD attributes = GetFileAttributesA(from.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                       FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    SetFileAttributesA(to.c_str(), (attributes & kept) ? (attributes & kept) : FILE_ATTRIBUTE_NORMAL);
  }
  DWORD needed = 0;
  GetFileSecurityA(from.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
  if (needed == 0) return;
  std::string security(needed, '\0');
  if (GetFileSecurityA(from.c_str(), DACL_SECURITY_INFORMATION, &security[0], needed, &needed))
    SetFileSecurityA(to.c_str(), DACL_SECURITY_INFORMATION, &security[0]);
}

bool RenameOver(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

#else

constexpr char kSeparator = '/';

Created WriteWithFlags(const std::string& path, const std::string& bytes, int flags) {
  int fd = ::open(path.c_str(), O_WRONLY | flags, 0600);
  if (fd < 0) return errno == EEXIST ? Created::NameTaken : Created::Failed;
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    ok = written > 0;
    if (ok) done += static_cast<std::size_t>(written);
  }
  ok = ok && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  return ok ? Created::Yes : Created::Failed;
}

Created WriteNew(const std::string& path, const std::string& bytes) {
  return WriteWithFlags(path, bytes, O_CREAT | O_EXCL);
}

bool OverwriteInPlace(const std::string& path, const std::string& bytes) {
  return WriteWithFlags(path, bytes, 0) == Created::Yes;
}

bool IsReadOnly(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::string ResolveLinks(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

unsigned LinkCount(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? static_cast<unsigned>(info.st_nlink) : 1;
}

void TakeOverIdentity(const std::string& from, const std::string& to) {
  struct stat info {};
  if (::stat(from.c_str(), &info) == 0) ::chmod(to.c_str(), info.st_mode & 07777);
}

bool RenameOver(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

void RemoveFile(const std::string& path) { std::remove(path.c_str()); }

#endif

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.find_last_of(kSeparator == '\\' ? "\\/" : "/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Writes the bytes to a new file with a short name beside the target: the
// final rename never crosses a volume, and a long target path does not
// become too long for the platform. An existing file of that name is
// somebody else's and is left alone.
bool WriteBeside(const std::string& target, const std::string& bytes, std::string& written) {
  const std::string folder = FolderOf(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = folder + kSeparator + "~k" + std::to_string(attempt) + ".tmp";
    Created result = WriteNew(candidate, bytes);
    if (result == Created::NameTaken) continue;
    if (result == Created::Failed) {
      RemoveFile(candidate);
      return false;
    }
    written = candidate;
    return true;
  }
  return false;
}

// A file with other hard links is rewritten where it is, so that every name
// still shows the same file. Its old contents wait beside it until the new
// ones are safely down, and are written back if they cannot be.
bool RewriteInPlace(const std::string& target, const std::string& bytes) {
  std::string old;
  std::string backup;
  if (!ReadFileBytes(target, old) || !WriteBeside(target, old, backup)) return false;
  if (OverwriteInPlace(target, bytes)) {
    RemoveFile(backup);
    return true;
  }
  // Back as it was, or, failing that, the old contents stay in the backup.
  if (OverwriteInPlace(target, old)) RemoveFile(backup);
  return false;
}

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

bool ReplaceFileContents(const std::string& path, const std::string& bytes) {
  if (path.empty()) return false;
  // Written where a link points, so the link stays a link.
  const std::string target = ResolveLinks(path);
  // A read-only file stays read-only and intact.
  if (IsReadOnly(target)) return false;
  if (LinkCount(target) > 1) return RewriteInPlace(target, bytes);
  std::string temporary;
  if (!WriteBeside(target, bytes, temporary)) return false;
  TakeOverIdentity(target, temporary);
  if (RenameOver(temporary, target)) return true;
  RemoveFile(temporary);
  return false;
}

}  // namespace kesto
