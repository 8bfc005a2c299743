// Arbitrary bytes as a box file: lookups, walks, writes, a save and a reload.
// Saving the reloaded file again must give the same bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "boxfile/box_file.h"
#include "boxfile/safe_save.h"

namespace {
std::string GrowingExpansion(const std::string& text) {
  // Stands in for the shell: grows the text a little, bounded like the shell's buffer.
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '$') out += "ex";
    if (out.size() >= 4095) break;
  }
  return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kesto;
  static const std::string path = "/tmp/kesto-fuzz-" + std::to_string(::getpid()) + ".box";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), size);

  BoxFile file = LoadBoxFile(path, GrowingExpansion);
  if (!file) std::abort();
  ReadBoxString(*file, "KestoX", "d");
  ReadBoxInt(*file, "KestoY", 0);
  BoxKeyExists(*file, "KestoName");
  for (const char* key : {"*Shortcut", "*Text", "*Module", "*WharfModule"}) {
    for (int guard = 0; guard < 100000 && !NextBoxValue(*file, key).empty(); ++guard) {
    }
  }
  WriteBoxInt(*file, "KestoX", static_cast<std::int32_t>(size));
  WriteBoxString(*file, "kestoy", "1 ; not a comment");
  if (!CloseBoxFile(file, true)) std::abort();

  std::string first;
  ReadFileBytes(path, first);
  BoxFile again = LoadBoxFile(path, GrowingExpansion);
  if (!CloseBoxFile(again, true)) std::abort();
  std::string second;
  ReadFileBytes(path, second);
  if (first != second) std::abort();
  return 0;
}
