// What a file held when a box was built from it, to tell later whether it
// was saved with other contents.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kesto {

struct TWatchedFile {
  std::string Path;  // full path
  std::uint64_t Hash = 0;
  std::string Where;  // what loaded it, for the log: the box file, or "file:line" of an image
  bool Missing = false;  // not there when the box was built: its coming is a change
};
using WatchedFiles = std::vector<TWatchedFile>;

enum class FileRead : std::uint8_t {
  Read,     // the hash is the file's contents now
  Missing,  // no such file (for the moment, perhaps: an editor replacing it)
  Busy,     // there, but not readable now (an editor still holds it)
};

FileRead FingerprintFile(const std::string& path, std::uint64_t& hash);
// The full path of a path against the current folder now; the path itself
// when it has none.
std::string FullPathOf(const std::string& path);

}  // namespace kesto
