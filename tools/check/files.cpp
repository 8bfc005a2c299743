#include "tools/check/files.h"

#include <cstdint>
#include <cstring>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
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

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::ifstream in(LocalPath(path), std::ios::binary);
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
  std::ifstream in(LocalPath(path), std::ios::binary);
  unsigned char header[26] = {};
  if (!in.read(reinterpret_cast<char*>(header), sizeof header) || header[0] != 'B' || header[1] != 'M')
    return false;
  std::int32_t w, h;
  std::memcpy(&w, header + 18, 4);
  std::memcpy(&h, header + 22, 4);
  width = w;
  height = h < 0 ? -h : h;
  return true;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder + "\\" + name;
}

}  // namespace kestocheck
