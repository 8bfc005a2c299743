#include "base/shell_image.h"

#include <new>

#include "base/bitmap_pixels.h"
#include "base/module_state.h"
#include "base/shell_api.h"
#include "base/shell_log.h"
#include "base/shell_text.h"
#include "base/wide_text.h"
#include "boxfile/image_header.h"
#include "boxfile/resample.h"

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

// The forms of an image an author draws for higher scales, beside it.
struct TVariant {
  const char* Suffix;
  TScale Factor;
};
const TVariant kVariants[] = {{"", {1, 1}}, {"@1.5x", {3, 2}}, {"@2x", {2, 1}}, {"@3x", {3, 1}}};

// The image at the size it has at this scale, filtered from what was loaded.
// One that would be larger than any image the shell is given, or that there
// is no memory for, is drawn at its own size rather than not at all.
HBITMAP Resized(HBITMAP loaded, int width, int height, const std::string& name, const std::string& where) {
  BITMAP info{};
  if (!loaded || !GetObjectA(loaded, sizeof info, &info)) return loaded;
  if (width <= 0 || height <= 0 || (info.bmWidth == width && info.bmHeight == height)) return loaded;
  const ImageSize size{width, height, false};
  if (ImageTooLarge(size)) {
    ShellLog(kLogWarning, where + ": image '" + name + "' at this scale would be " + FormatImageSize(size) +
                              " pixels, over " + std::to_string(kMaxImageSide) + " a side or " +
                              std::to_string(kMaxImagePixels) + " in all; it is drawn at its own size");
    return loaded;
  }
  try {
    bool alpha = false;
    const TPixels pixels = StraightPixels(loaded, alpha);  // says whether it has alpha
    OwnedBitmap bitmap = BitmapOfPixels(Resample(pixels, width, height, alpha));
    if (!bitmap) return loaded;
    DeleteObject(loaded);
    return bitmap.release();
  } catch (const std::bad_alloc&) {
    ShellLog(kLogWarning, where + ": no memory to draw image '" + name + "' at this scale; it is drawn at its own size");
    return loaded;
  }
}

}  // namespace

HBITMAP LoadScaledImage(const std::string& name, const std::string& where, const TScale& scale,
                        WatchedFiles* sources) {
  if (scale.Identity()) return LoadCheckedImage(name, where, sources);
  // Merged images and icons are scaled from what the shell makes of them.
  const bool plain = !name.empty() && name[0] != '.' && name.find('|') == std::string::npos;
  // The size a form's header declares, where the shell looks: its image folder first.
  const std::string folder = plain && !IsAbsolute(name) ? ImageFolder() : std::string();
  auto declared = [&folder](const std::string& file, ImageSize& size) {
    return (!folder.empty() && HeaderSize(folder + file, size)) || HeaderSize(file, size);
  };
  ImageSize base{};
  const bool hasBase = plain && declared(name, base);
  // The smallest form drawn for at least this scale, else the largest there is.
  const TVariant* chosen = nullptr;
  for (const TVariant& variant : kVariants) {
    if (!plain) break;  // one the shell makes from several files, or an icon
    ImageSize size{};
    const bool there = variant.Suffix[0] == '\0' ? hasBase : declared(ScaledArtName(name, variant.Suffix), size);
    if (!there) continue;
    const bool enough = variant.Factor.Factor() >= scale.Factor();
    if (!chosen || chosen->Factor.Factor() < scale.Factor()) chosen = &variant;
    if (enough) break;
  }
  HBITMAP loaded = LoadCheckedImage(chosen ? ScaledArtName(name, chosen->Suffix) : name, where, sources);
  if (!loaded && chosen && chosen->Suffix[0] != '\0') {
    chosen = nullptr;  // a form the shell cannot read: the base art, filtered
    loaded = LoadCheckedImage(name, where, sources);
  }
  int width = 0, height = 0;
  if (hasBase) {
    width = scale.ToDevice(static_cast<std::int32_t>(base.Width));
    height = scale.ToDevice(static_cast<std::int32_t>(base.Height));
  } else {
    BITMAP info{};
    if (loaded && GetObjectA(loaded, sizeof info, &info)) {
      const TScale drawnAt = chosen ? chosen->Factor : TScale{};
      width = scale.ToDevice(drawnAt.ToLogical(info.bmWidth));
      height = scale.ToDevice(drawnAt.ToLogical(info.bmHeight));
    }
  }
  return Resized(loaded, width, height, name, where);
}

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
