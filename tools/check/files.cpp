#include "tools/check/files.h"

#include "boxfile/image_header.h"
#include "boxfile/text_helpers.h"

#include <cstdint>
#include <cstring>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kestocheck {

std::string LocalPath(const std::string& windowsPath) {
#ifdef _WIN32
  return windowsPath;
#else
  std::string path = windowsPath;
  if (path.size() >= 2 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':') path = path.substr(2);
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
#endif
}

#ifndef _WIN32
namespace {

// Windows paths ignore letter case: each part of the path is matched without
// regard to it when it does not exist as written.
std::string FindIgnoringCase(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) return path;
  std::string found = path[0] == '/' ? "" : ".";
  std::size_t start = path[0] == '/' ? 1 : 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    start = end == std::string::npos ? path.size() + 1 : end + 1;
    if (part.empty()) continue;
    std::string exact = found + "/" + part;
    if (::stat(exact.c_str(), &info) == 0) {
      found = exact;
      continue;
    }
    DIR* folder = ::opendir(found.empty() ? "/" : found.c_str());
    if (!folder) return {};
    std::string match;
    while (dirent* entry = ::readdir(folder)) {
      if (kesto::UpperText(entry->d_name) == kesto::UpperText(part)) {
        match = entry->d_name;
        break;
      }
    }
    ::closedir(folder);
    if (match.empty()) return {};
    found += "/" + match;
  }
  return found;
}

}  // namespace
#endif

std::string ExistingPath(const std::string& path) {
  if (path.empty()) return {};
#ifdef _WIN32
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES ? path : std::string();
#else
  return FindIgnoringCase(LocalPath(path));
#endif
}

bool FileExists(const std::string& path) {
  std::string found = ExistingPath(path);
  if (found.empty()) return false;
  std::ifstream in(found, std::ios::binary);
  return static_cast<bool>(in);
}

bool IsWritable(const std::string& path) {
#ifdef _WIN32
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_READONLY);
#else
  struct stat info {};
  std::string local = LocalPath(path);
  if (::stat(local.c_str(), &info) != 0) return false;
  if ((info.st_mode & 0222) == 0) return false;  // read-only for everyone, root included by intent
  std::size_t slash = local.rfind('/');
  std::string folder = slash == std::string::npos ? "." : local.substr(0, slash == 0 ? 1 : slash);
  return ::access(folder.c_str(), W_OK) == 0;
#endif
}

bool BitmapSize(const std::string& path, int& width, int& height) {
  std::string found = ExistingPath(path);
  kesto::ImageSize size;
  if (found.empty() || !kesto::ReadImageFileSize(found, size)) return false;
  width = static_cast<int>(size.Width);
  height = static_cast<int>(size.Height);
  return true;
}

std::string DisplayPath(const std::string& path) {
#ifdef _WIN32
  return path;
#else
  std::string found = ExistingPath(path);
  return found.empty() ? LocalPath(path) : found;
#endif
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder + "\\" + name;
}

}  // namespace kestocheck
