#include <fstream>
#include <string>
#include <vector>

#include "shell/host/host.h"

namespace standin {

COLORREF Screenshot::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
  return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
}

void RestackToMatchZOrder() {
  std::vector<HWND> bottomUp;
  for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    if (process == GetCurrentProcessId() && IsWindowVisible(w) && std::string(name) != "DesktopBackgroundClass")
      bottomUp.insert(bottomUp.begin(), w);
  }
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
  shot.width = GetSystemMetrics(SM_CXSCREEN);
  shot.height = GetSystemMetrics(SM_CYSCREEN);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = -shot.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  auto* p = static_cast<const std::uint32_t*>(bits);
  shot.pixels.assign(p, p + static_cast<std::size_t>(shot.width) * shot.height);
  for (auto& px : shot.pixels) px &= 0x00FFFFFF;
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return shot;
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
