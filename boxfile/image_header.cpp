#include "boxfile/image_header.h"

#include <cstdio>

namespace kesto {
namespace {

std::uint32_t BigEndian32(const std::string& b, std::size_t at) {
  return (std::uint32_t(std::uint8_t(b[at])) << 24) | (std::uint32_t(std::uint8_t(b[at + 1])) << 16) |
         (std::uint32_t(std::uint8_t(b[at + 2])) << 8) | std::uint32_t(std::uint8_t(b[at + 3]));
}

std::uint32_t LittleEndian32(const std::string& b, std::size_t at) {
  return std::uint32_t(std::uint8_t(b[at])) | (std::uint32_t(std::uint8_t(b[at + 1])) << 8) |
         (std::uint32_t(std::uint8_t(b[at + 2])) << 16) | (std::uint32_t(std::uint8_t(b[at + 3])) << 24);
}

std::uint16_t LittleEndian16(const std::string& b, std::size_t at) {
  return static_cast<std::uint16_t>(std::uint8_t(b[at]) | (std::uint8_t(b[at + 1]) << 8));
}

constexpr std::size_t kHeaderBytes = 26;

}  // namespace

bool ParseImageHeader(const std::string& b, ImageSize& size) {
  if (b.size() < kHeaderBytes) return false;
  if (b.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) {
    // The first chunk is the header: width and height, big-endian.
    size.Width = BigEndian32(b, 16);
    size.Height = BigEndian32(b, 20);
    const std::uint8_t colourType = static_cast<std::uint8_t>(b[25]);
    size.MayHaveAlpha = colourType == 4 || colourType == 6;  // grey or colour, with alpha
    return true;
  }
  if (b[0] != 'B' || b[1] != 'M') return false;
  if (LittleEndian32(b, 14) == 12) {  // the old core header: 16-bit sides
    size.Width = LittleEndian16(b, 18);
    size.Height = LittleEndian16(b, 20);
    return true;
  }
  // A negative height marks a top-down picture; a negative width is no size.
  size.Width = static_cast<std::int32_t>(LittleEndian32(b, 18));
  const std::int64_t height = static_cast<std::int32_t>(LittleEndian32(b, 22));
  size.Height = height < 0 ? -height : height;
  if (size.Width < 0) size.Width = -size.Width;
  return true;
}

bool ReadImageFileSize(const std::string& path, ImageSize& size) {
  if (path.empty()) return false;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::string bytes(kHeaderBytes, '\0');
  const std::size_t got = std::fread(&bytes[0], 1, bytes.size(), file);
  std::fclose(file);
  bytes.resize(got);
  return ParseImageHeader(bytes, size);
}

bool ImageTooLarge(const ImageSize& size) {
  return size.Width > kMaxImageSide || size.Height > kMaxImageSide || size.Width * size.Height > kMaxImagePixels;
}

std::string FormatImageSize(const ImageSize& size) {
  return std::to_string(size.Width) + "x" + std::to_string(size.Height);
}

}  // namespace kesto
