#include "tools/preview/preview.h"

#include <algorithm>

#define STBI_WRITE_NO_STDIO_OVERRIDE
#include <stb/stb_image_write.h>

#include "shell/host/host.h"

namespace kestopreview {
namespace {

// Which pixels of a window the platform shows: its region, if it has one.
struct Shape {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  bool whole = true;
  explicit Shape(HWND window) { whole = GetWindowRgn(window, region) == ERROR; }
  ~Shape() { DeleteObject(region); }
  Shape(const Shape&) = delete;
  Shape& operator=(const Shape&) = delete;
  bool Has(int x, int y) const { return whole || PtInRegion(region, x, y); }
};

void EnterState(HWND shortcut, ShortcutState state) {
  // The shortcut's own handlers switch its prepared image; no release is
  // sent, so no command runs.
  if (state == ShortcutState::Hover) SendMessageA(shortcut, WM_MOUSEMOVE, 0, 0);
  if (state == ShortcutState::Pressed) SendMessageA(shortcut, WM_LBUTTONDOWN, MK_LBUTTON, 0);
}

void LeaveState(HWND shortcut, ShortcutState state) {
  if (state != ShortcutState::Normal) SendMessageA(shortcut, WM_MOUSELEAVE, 0, 0);
}

std::vector<HWND> ChildrenBottomUp(HWND parent, const char* className) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (standin::ClassNameOf(child) == className && IsWindowVisible(child)) children.insert(children.begin(), child);
  return children;
}

// A box shown by UpdateLayeredWindow: layered, without the attributes that
// SetLayeredWindowAttributes gives.
bool ComposedWithAlpha(HWND box) {
  BYTE alpha = 0;
  return (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_LAYERED) && !GetLayeredWindowAttributes(box, nullptr, &alpha, nullptr);
}

// Such a box draws its buttons into its own picture: each is put into the
// state, the picture read back with its alpha (premultiplied), and written
// straight.
Picture RenderAlphaBox(HWND box, ShortcutState state, Picture picture) {
  std::vector<HWND> shortcuts = ChildrenBottomUp(box, "KestoShortcut");
  for (HWND shortcut : shortcuts) EnterState(shortcut, state);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, dib);
  if (bits) std::fill_n(static_cast<std::uint32_t*>(bits), static_cast<std::size_t>(picture.width) * picture.height, 0u);
  SendMessageA(box, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  GdiFlush();
  for (int i = 0; bits && i < picture.width * picture.height; ++i) {
    const std::uint32_t p = static_cast<const std::uint32_t*>(bits)[i];
    const std::uint32_t a = p >> 24;
    std::uint8_t* out = &picture.rgba[static_cast<std::size_t>(i) * 4];
    if (a == 0) continue;
    for (int c = 0; c < 3; ++c) {
      const std::uint32_t premultiplied = (p >> (16 - 8 * c)) & 255;
      out[c] = static_cast<std::uint8_t>(std::min<std::uint32_t>(255, (premultiplied * 255 + a / 2) / a));
    }
    out[3] = static_cast<std::uint8_t>(a);
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(dib);
  for (HWND shortcut : shortcuts) LeaveState(shortcut, state);
  return picture;
}

}  // namespace

std::uint32_t Picture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
  return (static_cast<std::uint32_t>(p[3]) << 24) | (p[0] << 16) | (p[1] << 8) | p[2];
}

void Picture::Blend(int x, int y, COLORREF color, std::uint8_t alpha) {
  if (x < 0 || y < 0 || x >= width || y >= height || alpha == 0) return;
  std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
  const std::uint8_t source[3] = {GetRValue(color), GetGValue(color), GetBValue(color)};
  unsigned below = p[3] * (255u - alpha) / 255u;
  unsigned total = alpha + below;
  for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>((source[c] * alpha + p[c] * below) / total);
  p[3] = static_cast<std::uint8_t>(total);
}

std::vector<HWND> BoxWindows(bool hiddenToo) {
  std::vector<HWND> boxes;
  auto consider = [&](HWND w) {
    if (standin::ClassNameOf(w) == "KestoClass" && (hiddenToo || IsWindowVisible(w))) boxes.insert(boxes.begin(), w);
  };
  for (HWND top : standin::OwnTopLevelWindows()) {
    consider(top);
    // Boxes that are not on top live inside the shell's desktop window.
    if (standin::ClassNameOf(top) == "DesktopBackgroundClass")
      for (HWND child = GetWindow(top, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) consider(child);
  }
  return boxes;
}

std::string SizeProblem(HWND box) {
  RECT rect{};
  GetWindowRect(box, &rect);
  long long width = static_cast<long long>(rect.right) - rect.left;
  long long height = static_cast<long long>(rect.bottom) - rect.top;
  if (width <= kLargestSide && height <= kLargestSide) return {};
  return "the box is " + std::to_string(width) + " x " + std::to_string(height) +
         " pixels; a preview draws at most " + std::to_string(kLargestSide) + " on a side";
}

void RemoveBoxWindows() {
  for (HWND box : BoxWindows(true)) DestroyWindow(box);
}

void ShowHidden() {
  for (HWND box : BoxWindows(true)) {
    ShowWindow(box, SW_SHOWNA);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      if (standin::ClassNameOf(child) == "KestoShortcut") ShowWindow(child, SW_SHOWNA);
  }
}

Picture RenderBox(HWND box, ShortcutState state) {
  RECT rect{};
  GetWindowRect(box, &rect);
  Picture picture;
  picture.width = rect.right - rect.left;
  picture.height = rect.bottom - rect.top;
  picture.rgba.assign(static_cast<std::size_t>(std::max(picture.width, 0)) * std::max(picture.height, 0) * 4, 0);
  if (picture.rgba.empty()) return picture;
  if (ComposedWithAlpha(box)) return RenderAlphaBox(box, state, std::move(picture));

  standin::Canvas canvas(picture.width, picture.height);
  SendMessageA(box, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc), 0);
  for (HWND shortcut : ChildrenBottomUp(box, "KestoShortcut")) {
    RECT r{};
    GetWindowRect(shortcut, &r);
    standin::Canvas image(r.right - r.left, r.bottom - r.top);
    EnterState(shortcut, state);
    SendMessageA(shortcut, WM_ERASEBKGND, reinterpret_cast<WPARAM>(image.dc), 0);
    Shape shape(shortcut);
    for (int y = 0; y < image.height && r.right > r.left; ++y)
      for (int x = 0; x < image.width; ++x)
        if (shape.Has(x, y)) SetPixelV(canvas.dc, r.left - rect.left + x, r.top - rect.top + y, image.At(x, y));
    LeaveState(shortcut, state);
  }

  COLORREF key = 0;
  BYTE alpha = 255;
  DWORD flags = 0;
  bool layered = (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_LAYERED) &&
                 GetLayeredWindowAttributes(box, &key, &alpha, &flags);
  Shape shape(box);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      COLORREF color = canvas.At(x, y);
      if (!shape.Has(x, y)) continue;
      if (layered && (flags & LWA_COLORKEY) && color == key) continue;
      picture.Blend(x, y, color, layered && (flags & LWA_ALPHA) ? alpha : 255);
    }
  }
  return picture;
}

Picture RenderScreen(ShortcutState state) {
  // The whole desktop: every monitor, from the top-left corner of the
  // left-most and top-most one (the screen itself where there is one).
  Picture screen;
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  screen.width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  screen.height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  screen.rgba.assign(static_cast<std::size_t>(screen.width) * screen.height * 4, 0);
  for (HWND box : BoxWindows()) {
    if (!SizeProblem(box).empty()) continue;  // reported by the caller
    RECT rect{};
    GetWindowRect(box, &rect);
    Picture picture = RenderBox(box, state);
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        std::uint32_t p = picture.At(x, y);
        screen.Blend(rect.left - left + x, rect.top - top + y, RGB((p >> 16) & 255, (p >> 8) & 255, p & 255),
                     static_cast<std::uint8_t>(p >> 24));
      }
    }
  }
  return screen;
}

bool WritePng(const Picture& picture, const std::string& path) {
  if (picture.width <= 0 || picture.height <= 0) return false;
  return stbi_write_png(path.c_str(), picture.width, picture.height, 4, picture.rgba.data(), picture.width * 4) != 0;
}

}  // namespace kestopreview
