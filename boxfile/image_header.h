// The size an image file declares in its header, read without decoding it:
// the shell's own loader cannot survive every size it is handed, so Kesto
// looks before it asks.
#pragma once

#include <cstdint>
#include <string>

namespace kesto {

struct ImageSize {
  std::int64_t Width = 0;
  std::int64_t Height = 0;
  bool MayHaveAlpha = false;  // a PNG whose colour type carries alpha: the box may be an alpha box
};

// The largest images handed to the shell: a side, and the whole.
constexpr std::int64_t kMaxImageSide = 16384;
constexpr std::int64_t kMaxImagePixels = 40000000;

// From the first bytes of a file (at least 26): true for a BMP or PNG header,
// with the size it declares.
bool ParseImageHeader(const std::string& bytes, ImageSize& size);
// The same from a file; false when it cannot be read or is of another form.
bool ReadImageFileSize(const std::string& path, ImageSize& size);
bool ImageTooLarge(const ImageSize& size);
// The largest box drawn from an alpha channel: it keeps three pictures of
// its size (about 100 MB at this cap, a 4K screen's pixels); a larger one is
// drawn as an ordinary box.
constexpr std::int64_t kMaxAlphaBoxPixels = std::int64_t{3840} * 2160;
inline bool AlphaBoxTooLarge(std::int64_t width, std::int64_t height) { return width * height > kMaxAlphaBoxPixels; }
// "12000x12000".
std::string FormatImageSize(const ImageSize& size);

}  // namespace kesto
