#include "shell/lsapi/images.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

#include "base/wide_text.h"
#include "boxfile/safe_save.h"
#include "boxfile/text_helpers.h"
#include "shell/dib.h"

namespace standin {
namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

bool StartsWithNoCase(const std::string& text, const std::string& start) {
  return kesto::UpperText(text.substr(0, start.size())) == kesto::UpperText(start);
}

bool EndsWithNoCase(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && kesto::UpperText(text.substr(text.size() - end.size())) == kesto::UpperText(end);
}

SIZE SizeOf(HBITMAP bitmap) {
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  return {info.bmWidth, info.bmHeight};
}

// The real shell decodes a PNG into memory of its own; one whose pixels need
// more than it can allocate (12000x12000 does) throws std::bad_alloc out of
// LoadLSImage, and the shell's process ends. So does the stand-in's.
constexpr long long kShellDecodeLimit = 256LL << 20;

HBITMAP LoadPng(const std::string& path) {
  int width = 0, height = 0, channels = 0;
  // Read by its Unicode name, as the shell reads it.
  std::string bytes;
  if (!kesto::ReadFileBytes(path, bytes)) return nullptr;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const int size = static_cast<int>(bytes.size());
  if (stbi_info_from_memory(data, size, &width, &height, &channels) && 4LL * width * height > kShellDecodeLimit) {
    std::fprintf(stderr, "terminate called after throwing an instance of 'std::bad_alloc'\n");
    std::fflush(stderr);
    std::abort();
  }
  unsigned char* pixels = stbi_load_from_memory(data, size, &width, &height, &channels, 4);
  if (!pixels) return nullptr;
  // As the shell's own decoder makes it: a bottom-up 32-bit DIB section.
  BITMAPINFO info = standin::TopDown32BitInfo(width, height);
  info.bmiHeader.biHeight = height;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    auto* out = static_cast<unsigned char*>(bits);
    for (int y = 0; y < height; ++y) {
      const unsigned char* from = pixels + static_cast<std::size_t>(y) * width * 4;
      unsigned char* to = out + static_cast<std::size_t>(height - 1 - y) * width * 4;
      for (int x = 0; x < width; ++x) {  // RGBA to BGRA, alpha left straight
        to[x * 4 + 0] = from[x * 4 + 2];
        to[x * 4 + 1] = from[x * 4 + 1];
        to[x * 4 + 2] = from[x * 4 + 0];
        to[x * 4 + 3] = from[x * 4 + 3];
      }
    }
  }
  stbi_image_free(pixels);
  return bitmap;
}

HBITMAP LoadFile(const std::string& path) {
  if (EndsWithNoCase(path, ".png")) return LoadPng(path);
  return static_cast<HBITMAP>(
      LoadImageW(nullptr, kesto::Wide(path).c_str(), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR | LR_LOADFROMFILE));
}

std::string InFolder(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

// An icon drawn over magenta, as the shell turns icons into images.
HBITMAP BitmapFromIcon(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, info.hbmColor);
  HBRUSH brush = CreateSolidBrush(kMagenta);
  DrawIconEx(dc, 0, 0, icon, 0, 0, 0, brush, DI_NORMAL);
  DeleteObject(brush);
  DeleteObject(info.hbmMask);
  SelectObject(dc, old);
  DeleteDC(dc);
  return info.hbmColor;
}

HBITMAP LoadIconImage(const std::string& name, const std::string& imageFolder, const Expander& expand) {
  std::string location = name.size() > 9 ? expand(name.substr(9)) : std::string();
  int index = 0;
  std::size_t comma = location.rfind(',');
  if (comma != std::string::npos) {
    index = std::atoi(location.c_str() + comma + 1);
    location.erase(comma);
  }
  bool relative = location.size() < 2 || (location[1] != ':' && location[0] != '\\');
  if (relative) location = InFolder(imageFolder, location);
  HICON icon = ExtractIconA(GetModuleHandleA(nullptr), location.c_str(), static_cast<UINT>(index));
  if (!icon || icon == reinterpret_cast<HICON>(1)) return nullptr;
  HBITMAP bitmap = BitmapFromIcon(icon);
  DestroyIcon(icon);
  return bitmap;
}

// The first image drawn over the second, magenta see-through, on a picture
// as large as the larger of the two, the second one centred.
HBITMAP Merge(HBITMAP first, HBITMAP second) {
  SIZE a = SizeOf(first), b = SizeOf(second);
  SIZE result{std::max(a.cx, b.cx), std::max(a.cy, b.cy)};
  HDC firstDC = CreateCompatibleDC(nullptr), secondDC = CreateCompatibleDC(nullptr);
  HGDIOBJ oldFirst = SelectObject(firstDC, first), oldSecond = SelectObject(secondDC, second);
  HDC resultDC = CreateCompatibleDC(secondDC);
  HBITMAP merged = CreateCompatibleBitmap(secondDC, result.cx, result.cy);
  HGDIOBJ oldResult = SelectObject(resultDC, merged);
  RECT all{0, 0, result.cx, result.cy};
  HBRUSH brush = CreateSolidBrush(kMagenta);
  FillRect(resultDC, &all, brush);
  DeleteObject(brush);
  BitBlt(resultDC, (result.cx - b.cx) / 2, (result.cy - b.cy) / 2, b.cx, b.cy, secondDC, 0, 0, SRCCOPY);
  for (int y = 0; y < a.cy; ++y)
    for (int x = 0; x < a.cx; ++x) {
      COLORREF color = GetPixel(firstDC, x, y);
      if (color != kMagenta) SetPixelV(resultDC, x, y, color);
    }
  SelectObject(resultDC, oldResult);
  DeleteDC(resultDC);
  SelectObject(firstDC, oldFirst);
  SelectObject(secondDC, oldSecond);
  DeleteDC(firstDC);
  DeleteDC(secondDC);
  DeleteObject(first);
  DeleteObject(second);
  return merged;
}

}  // namespace

HBITMAP LoadShellImage(const std::string& name, const std::string& imageFolder, const Expander& expand) {
  if (name.empty() || kesto::UpperText(name) == ".NONE") return nullptr;
  std::size_t bar = name.find('|');
  if (bar != std::string::npos) {
    HBITMAP first = LoadShellImage(name.substr(0, bar), imageFolder, expand);
    HBITMAP second = LoadShellImage(name.substr(bar + 1), imageFolder, expand);
    if (!second) return first;
    if (!first) {
      DeleteObject(second);
      return nullptr;
    }
    return Merge(first, second);
  }
  if (StartsWithNoCase(name, ".extract")) return LoadIconImage(name, imageFolder, expand);
  std::string expanded = expand(name);
  HBITMAP bitmap = LoadFile(InFolder(imageFolder, expanded));
  if (!bitmap) bitmap = LoadFile(expanded);
  return bitmap;
}

}  // namespace standin
