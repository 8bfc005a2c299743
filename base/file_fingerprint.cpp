#include "base/file_fingerprint.h"

#include <windows.h>

#include "base/wide_text.h"
#include "boxfile/content_hash.h"

namespace kesto {

FileRead FingerprintFile(const std::string& path, std::uint64_t& hash) {
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Missing : FileRead::Busy;
  }
  hash = kEmptyContentHash;
  char buffer[65536];
  DWORD got = 0;
  bool read = true;
  while ((read = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0)
    hash = ContentHash(buffer, got, hash);
  CloseHandle(file);
  return read ? FileRead::Read : FileRead::Busy;
}

std::string FullPathOf(const std::string& path) {
  const std::wstring wide = Wide(path);
  DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  DWORD length = GetFullPathNameW(wide.c_str(), needed, &full[0], nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  return Utf8(full);
}

}  // namespace kesto
