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
// A path as an author on this system writes it and an editor here opens it:
// as given on Windows; elsewhere the local form, in the letter case the file
// has on disk when it is there.
std::string DisplayPath(const std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace kestocheck
