// File lookups for the checker, with Windows paths mapped onto this system.
#pragma once

#include <string>

namespace kestocheck {

// A Windows path as this system names it ("Z:\a\b" is "/a/b" under Wine's mapping).
std::string LocalPath(const std::string& windowsPath);
// The path under which the file exists here, letter case ignored as Windows
// ignores it; empty when there is none.
std::string ExistingPath(const std::string& path);
bool FileExists(const std::string& path);
bool IsWritable(const std::string& path);
// Width and height from a BMP or PNG header; false when it is not a readable BMP.
bool BitmapSize(const std::string& path, int& width, int& height);
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace kestocheck
