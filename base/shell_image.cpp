#include "base/shell_image.h"

#include "base/module_state.h"
#include "base/shell_api.h"
#include "base/shell_log.h"
#include "boxfile/image_header.h"

namespace kesto {
namespace {

using GetRCStringFn = BOOL (*)(const char* key, char* value, const char* fallback, int size);

// The shell's image folder, with a trailing backslash: LSImageFolder, or the
// images folder beside the shell, as its loader finds it.
std::string ImageFolder() {
  HMODULE shell = GetModuleHandleA("lsapi.dll");
  auto read = shell ? reinterpret_cast<GetRCStringFn>(reinterpret_cast<void*>(GetProcAddress(shell, "GetRCString")))
                    : nullptr;
  char folder[MAX_PATH] = {};
  if (read && read("LSImageFolder", folder, nullptr, MAX_PATH) && folder[0]) {
    std::string found(folder);
    if (found.back() != '\\' && found.back() != '/') found += '\\';
    return found;
  }
  return LiteStepDir + "\\images\\";
}

bool IsFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The file the shell would read for one part of a name; empty for the forms
// that name no file of their own (".none", ".extract=...").
std::string FileOfPart(const std::string& part, const std::string& folder) {
  if (part.empty() || part[0] == '.') return {};
  const bool absolute = part.size() > 1 && (part[1] == ':' || (part[0] == '\\' && part[1] == '\\'));
  if (!absolute && IsFile(folder + part)) return folder + part;
  return IsFile(part) ? part : std::string();
}

}  // namespace

HBITMAP LoadCheckedImage(const std::string& name, const std::string& where) {
  std::string folder;
  std::size_t begin = 0;
  while (begin <= name.size()) {
    std::size_t bar = name.find('|', begin);
    const std::string part = name.substr(begin, bar == std::string::npos ? std::string::npos : bar - begin);
    begin = bar == std::string::npos ? name.size() + 1 : bar + 1;
    if (part.empty() || part[0] == '.') continue;
    if (folder.empty()) folder = ImageFolder();
    ImageSize size;
    const std::string file = FileOfPart(part, folder);
    if (!file.empty() && ReadImageFileSize(file, size) && ImageTooLarge(size)) {
      ShellLog(kLogError, where + ": image '" + part + "' is " + FormatImageSize(size) + " pixels, over " +
                              std::to_string(kMaxImageSide) + " a side or " + std::to_string(kMaxImagePixels) +
                              " in all; it is not loaded");
      return nullptr;
    }
  }
  return LoadLSImage(name.c_str(), nullptr);
}

}  // namespace kesto
