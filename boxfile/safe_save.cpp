#include "boxfile/safe_save.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

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

// How making a new file went: made and written; its name already taken (by
// somebody else's file, left alone); refused by the folder's rights (the one
// case where the file is written in place); not made for another reason
// (disk full, too many open files, a network error: nothing is on disk);
// made but not written whole (removed again).
enum class Created { Yes, NameTaken, Refused, CannotCreate, WriteFailed };

#ifdef _WIN32
// Paths are UTF-8 inside Kesto; Windows takes them as UTF-16.
std::wstring WidePath(const std::string& path) {
  if (path.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), &wide[0], length);
  return wide;
}


constexpr char kSeparator = '\\';

// An open file, closed once.
class OpenFile {
 public:
  explicit OpenFile(HANDLE handle) : handle_(handle) {}
  ~OpenFile() { Close(); }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  bool Close() {
    if (!IsOpen()) return true;
    return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != FALSE;
  }

 private:
  HANDLE handle_;
};

// The whole contents, from the start, with the end set after them and flushed.
bool WriteWhole(HANDLE file, const std::string& bytes) {
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    ok = WriteFile(file, bytes.data() + done, chunk, &written, nullptr) && written == chunk;
    done += written;
  }
  return ok && SetEndOfFile(file) && FlushFileBuffers(file);
}

// A new file for a save, open with the right to rename and remove it: those
// are granted to its maker whatever access list it is made with. security,
// when given, is the descriptor it is made with (its owner and access list).
HANDLE CreateNewFile(const std::string& path, std::string* security) {
  SECURITY_ATTRIBUTES attributes{sizeof attributes, security ? &(*security)[0] : nullptr, FALSE};
  return CreateFileW(WidePath(path).c_str(), GENERIC_WRITE | DELETE | FILE_WRITE_ATTRIBUTES | WRITE_DAC | WRITE_OWNER, 0,
                     security ? &attributes : nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

Created CreateFailure(DWORD error) {
  if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return Created::NameTaken;
  return error == ERROR_ACCESS_DENIED ? Created::Refused : Created::CannotCreate;
}

// Removes a file through the handle it was made with; false when it stays.
bool DisposeOf(HANDLE file) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

Created WriteNew(const std::string& path, const std::string& bytes) {
  OpenFile file(CreateNewFile(path, nullptr));
  if (!file.IsOpen()) return CreateFailure(GetLastError());
  bool ok = WriteWhole(file.Get(), bytes);
  if (!ok) DisposeOf(file.Get());
  ok = file.Close() && ok;
  return ok ? Created::Yes : Created::WriteFailed;
}

// The target opened for writing where it is; others may go on reading it.
OpenFile OpenForRewrite(const std::string& path) {
  return OpenFile(CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}


bool IsReadOnly(const std::string& path) {
  DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// The file a link leads to; the path itself when it is no link.
std::string ResolveLinks(const std::string& path) {
  DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
  HANDLE file = CreateFileW(WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return path;
  std::wstring final(32768, L'\0');
  DWORD length = GetFinalPathNameByHandleW(file, &final[0], 32768, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  CloseHandle(file);
  if (length == 0 || length >= 32768) return path;
  final.resize(length);
  const int size = WideCharToMultiByte(CP_UTF8, 0, final.data(), static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string resolved(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, final.data(), static_cast<int>(length), &resolved[0], size, nullptr, nullptr);
  // The long-path prefix is kept only where the path needs it.
  if (resolved.rfind("\\\\?\\", 0) == 0 && resolved.size() - 4 < MAX_PATH && resolved.find(':') == 5)
    resolved.erase(0, 4);
  return resolved;
}

unsigned LinkCount(const std::string& path) {
  HANDLE file = CreateFileW(WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  BY_HANDLE_FILE_INFORMATION info{};
  bool ok = GetFileInformationByHandle(file, &info);
  CloseHandle(file);
  return ok ? info.nNumberOfLinks : 1;
}

// What makes the old file the user's, besides its contents: its attributes
// (hidden, say), its owner and its access rights.
struct FileIdentity {
  DWORD Attributes = INVALID_FILE_ATTRIBUTES;
  std::string Security;    // owner and access list, as the platform hands them out
  std::string AccessOnly;  // the access list alone, for when the owner can't be given
};

std::string SecurityOf(const std::string& path, SECURITY_INFORMATION parts) {
  DWORD needed = 0;
  GetFileSecurityW(WidePath(path).c_str(), parts, nullptr, 0, &needed);
  std::string bytes(needed, '\0');
  if (needed == 0 || !GetFileSecurityW(WidePath(path).c_str(), parts, &bytes[0], needed, &needed)) bytes.clear();
  return bytes;
}

FileIdentity IdentityOf(const std::string& path) {
  FileIdentity identity;
  identity.Attributes = GetFileAttributesW(WidePath(path).c_str());
  identity.Security = SecurityOf(path, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
  identity.AccessOnly = SecurityOf(path, DACL_SECURITY_INFORMATION);
  return identity;
}

// The attributes of the old file the new one takes (so a hidden file is never
// seen unhidden); none of them keeps Kesto from removing its own file.
DWORD KeptAttributes(const FileIdentity& identity) {
  const DWORD kept =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  if (identity.Attributes == INVALID_FILE_ATTRIBUTES || !(identity.Attributes & kept)) return FILE_ATTRIBUTE_NORMAL;
  return identity.Attributes & kept;
}

// The temporary file of a save, made beside the target with the target's
// owner and access list before it holds a byte (the access list alone where
// the owner can't be given, and said so), and kept open: its maker may
// rename or remove it whatever that list allows. Removed unless kept.
class TemporaryFile {
  static constexpr SECURITY_INFORMATION kAccess = DACL_SECURITY_INFORMATION;
  static constexpr SECURITY_INFORMATION kOwnerAndAccess = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

 public:
  TemporaryFile() = default;
  ~TemporaryFile() {
    if (file_ != INVALID_HANDLE_VALUE) {
      if (!kept_) DisposeOf(file_);
      CloseHandle(file_);
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  Created Make(const std::string& path, FileIdentity& identity, const std::string& bytes, bool& identityKept) {
    std::string* security = identity.Security.empty() ? nullptr : &identity.Security;
    file_ = CreateNewFile(path, security);
    DWORD error = GetLastError();
    if (file_ == INVALID_HANDLE_VALUE && security && (error == ERROR_INVALID_OWNER || error == ERROR_PRIVILEGE_NOT_HELD)) {
      security = identity.AccessOnly.empty() ? nullptr : &identity.AccessOnly;
      file_ = CreateNewFile(path, security);
      error = GetLastError();
      identityKept = false;
    }
    if (file_ == INVALID_HANDLE_VALUE) return CreateFailure(error);
    // Set once more through the handle, exactly: a descriptor given at the
    // making is merged with what the folder hands down.
    if (!security || !SetKernelObjectSecurity(file_, security == &identity.Security ? kOwnerAndAccess : kAccess,
                                              &(*security)[0])) {
      identityKept = false;
      if (security == &identity.Security && !identity.AccessOnly.empty())
        SetKernelObjectSecurity(file_, kAccess, &identity.AccessOnly[0]);
    }
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = KeptAttributes(identity);
    if (!SetFileInformationByHandle(file_, FileBasicInfo, &basic, sizeof basic)) identityKept = false;
    return WriteWhole(file_, bytes) ? Created::Yes : Created::WriteFailed;
  }

  // Takes the target's place in one step, replacing it.
  bool RenameOver(const std::string& target) {
    const std::wstring name = WidePath(target);
    std::string buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t), '\0');
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(&buffer[0]);
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::copy(name.begin(), name.end(), rename->FileName);
    if (!SetFileInformationByHandle(file_, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) return false;
    kept_ = true;
    return true;
  }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  bool kept_ = false;
};

unsigned ProcessNumber() { return static_cast<unsigned>(GetCurrentProcessId()); }

// Runs in cleanups (a temporary file removed on the way out of a failed
// save), so it allocates nothing: the wide path is made on the stack.
void RemoveFile(const std::string& path) {
  static constexpr int kLongest = 32768;
  wchar_t wide[kLongest];
  const int length = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide, kLongest);
  if (length > 0) DeleteFileW(wide);
}

#else

constexpr char kSeparator = '/';

class OpenFile {
 public:
  explicit OpenFile(int fd) : fd_(fd) {}
  ~OpenFile() { Close(); }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  bool IsOpen() const { return fd_ >= 0; }
  int Get() const { return fd_; }
  bool Close() {
    if (!IsOpen()) return true;
    return ::close(std::exchange(fd_, -1)) == 0;
  }

 private:
  int fd_;
};

bool WriteWhole(int fd, const std::string& bytes) {
  if (::lseek(fd, 0, SEEK_SET) != 0) return false;
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    ok = written > 0;
    if (ok) done += static_cast<std::size_t>(written);
  }
  return ok && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
}

Created WriteNew(const std::string& path, const std::string& bytes) {
  OpenFile file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600));
  if (!file.IsOpen()) {
    if (errno == EEXIST) return Created::NameTaken;
    return errno == EACCES || errno == EPERM ? Created::Refused : Created::CannotCreate;
  }
  bool ok = WriteWhole(file.Get(), bytes);
  ok = file.Close() && ok;
  return ok ? Created::Yes : Created::WriteFailed;
}

OpenFile OpenForRewrite(const std::string& path) { return OpenFile(::open(path.c_str(), O_WRONLY)); }


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

struct FileIdentity {
  bool Known = false;
  mode_t Mode = 0;
};

FileIdentity IdentityOf(const std::string& path) {
  struct stat info {};
  FileIdentity identity;
  if (::stat(path.c_str(), &info) == 0) identity = {true, static_cast<mode_t>(info.st_mode & 07777)};
  return identity;
}

void TakeOverAttributes(const FileIdentity& identity, const std::string& to) {
  if (identity.Known) ::chmod(to.c_str(), identity.Mode);
}


unsigned ProcessNumber() { return static_cast<unsigned>(::getpid()); }

bool RenameOver(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

void RemoveFile(const std::string& path) { std::remove(path.c_str()); }

#endif

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.find_last_of(kSeparator == '\\' ? "\\/" : "/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool WriteWholeTo(OpenFile& file, const std::string& bytes) { return WriteWhole(file.Get(), bytes); }

// A file the save made, removed when the save leaves without keeping it,
// also when it leaves by an exception.
class MadeFile {
 public:
  explicit MadeFile(const std::string& path) : path_(path) {}
  ~MadeFile() {
    if (!kept_) RemoveFile(path_);
  }
  MadeFile(const MadeFile&) = delete;
  MadeFile& operator=(const MadeFile&) = delete;
  void Keep() { kept_ = true; }

 private:
  const std::string& path_;
  bool kept_ = false;
};

// A name for a temporary file that no file beside the target is likely to
// have: leftovers of any number and name never make a save fail, since a
// taken name only means another try under another name.
std::string TemporaryName(unsigned attempt) {
  static unsigned made = 0;  // distinct names within one process
  const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::uint64_t mix = now ^ (std::uint64_t(ProcessNumber()) << 32) ^ (std::uint64_t(++made) * 0x9E3779B97F4A7C15ull) ^
                      (std::uint64_t(attempt) << 48);
  mix ^= mix >> 29;
  mix *= 0xBF58476D1CE4E5B9ull;
  mix ^= mix >> 32;
  char name[24];
  std::snprintf(name, sizeof name, "~k%08x.tmp", static_cast<unsigned>(mix));
  return name;
}

// Names a file beside the target until one is free: the final rename never
// crosses a volume, and a long target path does not become too long for the
// platform. An existing file of that name is somebody else's and is left
// alone; so many taken names that none is found is a failure like any other.
template <class Make>
Created MakeBeside(const std::string& target, std::string& made, Make make) {
  const std::string folder = FolderOf(target);
  for (unsigned attempt = 0; attempt < 64; ++attempt) {
    std::string candidate = folder + kSeparator + TemporaryName(attempt);
    Created result = make(candidate);
    if (result == Created::NameTaken) continue;
    if (result == Created::Yes || result == Created::WriteFailed) made = std::move(candidate);  // nothing to allocate once made
    return result;
  }
  return Created::CannotCreate;
}

// Writes the bytes to a new file beside the target; a file made but not
// written whole is removed again.
Created WriteBeside(const std::string& target, const std::string& bytes, std::string& written) {
  return MakeBeside(target, written, [&](const std::string& candidate) { return WriteNew(candidate, bytes); });
}

// Without a temporary file, where no new file can be made beside the target:
// the whole contents in one write, flushed.
SaveResult WriteInPlace(OpenFile& target, const std::string& bytes) {
  bool ok = WriteWholeTo(target, bytes);
  ok = target.Close() && ok;
  return ok ? SaveResult::SavedInPlace : SaveResult::Failed;
}

// A folder that lets its files be changed but no file be made.
SaveResult WriteWhereItIs(const std::string& target, const std::string& bytes) {
  OpenFile file = OpenForRewrite(target);
  return file.IsOpen() ? WriteInPlace(file, bytes) : SaveResult::Failed;
}

// A file with other hard links is rewritten where it is, so that every name
// still shows the same file. It is opened first: when it cannot be (another
// program holds it), nothing has been made. Its old contents wait beside it
// until the new ones are safely down, and are written back if they cannot be;
// only when that fails too does the copy stay, as the one whole version.
SaveResult RewriteLinkedFile(const std::string& target, const std::string& bytes) {
  std::string old;
  if (!ReadFileBytes(target, old)) return SaveResult::Failed;
  OpenFile file = OpenForRewrite(target);
  if (!file.IsOpen()) return SaveResult::Failed;
  std::string backup;
  Created kept = WriteBeside(target, old, backup);
  if (kept == Created::Refused) return WriteInPlace(file, bytes);
  if (kept != Created::Yes) return SaveResult::Failed;
  MadeFile copy(backup);
  if (WriteWholeTo(file, bytes) && file.Close()) return SaveResult::Saved;
  if (file.IsOpen() && WriteWholeTo(file, old)) return SaveResult::Failed;
  copy.Keep();  // the one whole version of the old contents
  return SaveResult::Failed;
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::string& bytes, std::size_t limit) {
  if (path.empty()) return false;
#ifdef _WIN32
  std::FILE* file = _wfopen(WidePath(path).c_str(), L"rb");
#else
  std::FILE* file = std::fopen(path.c_str(), "rb");
#endif
  if (!file) return false;
  bytes.clear();
  char chunk[65536];
  std::size_t got;
  while (bytes.size() < limit &&
         (got = std::fread(chunk, 1, std::min(sizeof chunk, limit - bytes.size()), file)) > 0)
    bytes.append(chunk, got);
  bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

SaveResult ReplaceFileContents(const std::string& path, const std::string& bytes) {
  if (path.empty()) return SaveResult::Failed;
  // Written where a link points, so the link stays a link.
  const std::string target = ResolveLinks(path);
  // A read-only file stays read-only and intact.
  if (IsReadOnly(target)) return SaveResult::Failed;
  if (LinkCount(target) > 1) return RewriteLinkedFile(target, bytes);
  FileIdentity identity = IdentityOf(target);
#ifdef _WIN32
  TemporaryFile file;
  std::string temporary;
  bool identityKept = true;
  Created made = MakeBeside(target, temporary, [&](const std::string& candidate) {
    return file.Make(candidate, identity, bytes, identityKept);
  });
  if (made == Created::Refused) return WriteWhereItIs(target, bytes);
  if (made != Created::Yes || !file.RenameOver(target)) return SaveResult::Failed;
  return identityKept ? SaveResult::Saved : SaveResult::SavedIdentityLost;
#else
  std::string temporary;
  Created made = WriteBeside(target, bytes, temporary);
  if (made == Created::Refused) return WriteWhereItIs(target, bytes);
  if (made != Created::Yes) return SaveResult::Failed;
  MadeFile madeFile(temporary);
  TakeOverAttributes(identity, temporary);
  if (!RenameOver(temporary, target)) return SaveResult::Failed;
  madeFile.Keep();  // it is the target now
  return SaveResult::Saved;
#endif
}

}  // namespace kesto
