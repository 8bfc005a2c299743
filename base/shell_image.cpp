#include "base/shell_image.h"

#include "base/module_state.h"
#include "base/shell_api.h"
#include "base/shell_log.h"
#include "base/shell_text.h"
#include "base/wide_text.h"
#include "boxfile/image_header.h"

namespace kesto {
namespace {

// The shell's image folder, with a trailing backslash: LSImageFolder, or the
// images folder beside the shell, as its loader finds it.
std::string ImageFolder() {
  std::string found;
  if (ShellSetting("LSImageFolder", found)) {
    if (found.back() != '\\' && found.back() != '/') found += '\\';
    return found;
  }
  return LiteStepDir + "\\images\\";
}

// The size the file's header declares, read with one open and one read;
// false when there is no such file or it is of another form.
bool HeaderSize(const std::string& path, ImageSize& size) {
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char bytes[32];
  DWORD got = 0;
  const bool read = ReadFile(file, bytes, sizeof bytes, &got, nullptr) != FALSE;
  CloseHandle(file);
  return read && ParseImageHeader(std::string(bytes, got), size);
}

bool IsAbsolute(const std::string& part) {
  return part.size() > 1 && (part[1] == ':' || (part[0] == '\\' && part[1] == '\\'));
}

void AddWatched(const std::string& full, std::uint64_t hash, const std::string& where, bool missing,
                WatchedFiles& sources) {
  for (const TWatchedFile& known : sources)
    if (lstrcmpiW(Wide(known.Path).c_str(), Wide(full).c_str()) == 0) return;
  sources.push_back({full, hash, where, missing});
}

// Adds the file the shell will read for this part (the image folder's first),
// unless it is there already; a missing one where it is looked for first.
void AddSource(const std::string& folder, const std::string& part, const std::string& where,
               WatchedFiles& sources) {
  const std::string first = folder.empty() ? part : folder + part;
  for (const std::string& candidate : {first, part}) {
    std::uint64_t hash = 0;
    if (FingerprintFile(candidate, hash) != FileRead::Read) continue;
    AddWatched(FullPathOf(candidate), hash, where, false, sources);
    return;
  }
  // Not there yet: its coming, where the shell looks first, rebuilds the box.
  AddWatched(FullPathOf(first), 0, where, true, sources);
}

}  // namespace

HBITMAP LoadCheckedImage(const std::string& name, const std::string& where, WatchedFiles* sources) {
  std::string folder;
  std::size_t begin = 0;
  while (begin <= name.size()) {
    std::size_t bar = name.find('|', begin);
    const std::string part = name.substr(begin, bar == std::string::npos ? std::string::npos : bar - begin);
    begin = bar == std::string::npos ? name.size() + 1 : bar + 1;
    if (part.empty() || part[0] == '.') continue;
    // Where the shell looks: in its image folder first, then as given.
    ImageSize size;
    bool known = false;
    if (!IsAbsolute(part)) {
      if (folder.empty()) folder = ImageFolder();
      known = HeaderSize(folder + part, size);
    }
    if (!known) known = HeaderSize(part, size);
    if (known && ImageTooLarge(size)) {
      ShellLog(kLogError, where + ": image '" + part + "' is " + FormatImageSize(size) + " pixels, over " +
                              std::to_string(kMaxImageSide) + " a side or " + std::to_string(kMaxImagePixels) +
                              " in all; it is not loaded");
      return nullptr;
    }
    if (sources) AddSource(IsAbsolute(part) ? std::string() : folder, part, where, *sources);
  }
  return LoadShellImage(name);
}

}  // namespace kesto
