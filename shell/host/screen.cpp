#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "shell/dib.h"
#include "shell/host/host.h"

namespace standin {

COLORREF Screenshot::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
  return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
}

Canvas::Canvas(int w, int h) : width(std::max(w, 1)), height(std::max(h, 1)) {
  BITMAPINFO info = standin::TopDown32BitInfo(width, height);
  HDC screen = GetDC(nullptr);
  dc = CreateCompatibleDC(screen);
  void* memory = nullptr;
  bitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
  ReleaseDC(nullptr, screen);
  bits_ = static_cast<std::uint32_t*>(memory);
  previous_ = SelectObject(dc, bitmap_);
}

Canvas::~Canvas() {
  SelectObject(dc, previous_);
  DeleteObject(bitmap_);
  DeleteDC(dc);
}

const std::uint32_t* Canvas::Bits() const {
  GdiFlush();
  return bits_;
}

COLORREF Canvas::At(int x, int y) const {
  std::uint32_t p = Bits()[static_cast<std::size_t>(y) * width + x];
  return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
}

std::vector<HWND> OwnTopLevelWindows() {
  std::vector<HWND> windows;
  for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process == GetCurrentProcessId()) windows.push_back(w);
  }
  return windows;
}

std::string ClassNameOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

void RestackToMatchZOrder() {
  std::vector<HWND> bottomUp;
  // Not a layered window: Wine maps one again without what it showed and
  // where it takes clicks, which the real shell never does; it keeps its
  // place in X's stack as it is.
  for (HWND w : OwnTopLevelWindows())
    if (IsWindowVisible(w) && ClassNameOf(w) != "DesktopBackgroundClass" &&
        !(GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_LAYERED))
      bottomUp.insert(bottomUp.begin(), w);
  // A window mapped again goes on top of the X stack: mapping the windows
  // above the desktop again, from the bottom up, gives X the Win32 order.
  for (HWND w : bottomUp) {
    ShowWindow(w, SW_HIDE);
    ShowWindow(w, SW_SHOW);
    Pump(20);
  }
  Pump(100);
}

Screenshot CaptureScreen() {
  Screenshot shot;
  const SIZE display = DisplaySize();
  shot.width = display.cx;
  shot.height = display.cy;
  Canvas canvas(shot.width, shot.height);
  HDC screen = GetDC(nullptr);
  BitBlt(canvas.dc, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY);
  ReleaseDC(nullptr, screen);
  const std::uint32_t* p = canvas.Bits();
  shot.pixels.assign(p, p + static_cast<std::size_t>(shot.width) * shot.height);
  for (auto& px : shot.pixels) px &= 0x00FFFFFF;
  return shot;
}

bool SavePngFile(const Screenshot& shot, const std::string& path) {
  std::vector<unsigned char> rgb(static_cast<std::size_t>(shot.width) * shot.height * 3);
  for (std::size_t i = 0; i < shot.pixels.size(); ++i) {
    rgb[i * 3] = static_cast<unsigned char>(shot.pixels[i] >> 16);
    rgb[i * 3 + 1] = static_cast<unsigned char>(shot.pixels[i] >> 8);
    rgb[i * 3 + 2] = static_cast<unsigned char>(shot.pixels[i]);
  }
  return stbi_write_png(path.c_str(), shot.width, shot.height, 3, rgb.data(), shot.width * 3) != 0;
}

bool SaveScreenshot(const Screenshot& shot, const std::string& path) {
  bool png = path.size() >= 4 && (path.compare(path.size() - 4, 4, ".png") == 0 ||
                                  path.compare(path.size() - 4, 4, ".PNG") == 0);
  return png ? SavePngFile(shot, path) : SaveBitmapFile(shot, path);
}

bool SaveBitmapFile(const Screenshot& shot, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  if (!out) return false;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = shot.width;
  info.biHeight = -shot.height;
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  DWORD imageBytes = static_cast<DWORD>(shot.pixels.size() * 4);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + imageBytes;
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(reinterpret_cast<const char*>(shot.pixels.data()), imageBytes);
  return static_cast<bool>(out);
}

}  // namespace standin
