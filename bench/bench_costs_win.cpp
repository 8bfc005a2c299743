// One table of ratios, measured side by side in one run under Wine: Kesto.dll
// in the stand-in shell against the least bare Win32 code of our own that
// gives the same screen (the same windows, shapes, tooltips, images,
// stacking, visibility and paint). Kesto is driven from outside, through the
// shell's commands, as a user's theme drives it. Each job alternates Kesto
// and the bare code round by round; a row gives the medians of wall time and
// of the program's CPU time. Rows that compare Kesto with itself say so.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

#include "base/shell_api.h"
#include "shell/host/host.h"
#include "boxfile/resample.h"
#include "shell/standin.h"

namespace {

std::string Dir;
constexpr int kRounds = 5;

double WallSeconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

struct Cost {
  double Wall = 0;  // ms
  double Cpu = 0;   // ms
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// How many runs of a job make one sample: the process's CPU time ticks in
// steps of several milliseconds, so a sample lasts at least 200 ms.
int RunsPerSample(const std::function<void()>& job) {
  double start = WallSeconds();
  job();
  standin::PumpPending();
  const double once = WallSeconds() - start;
  return once >= 0.2 ? 1 : static_cast<int>(0.2 / std::max(once, 1e-4)) + 1;
}

// Both jobs, alternating, kRounds samples each; the medians per run.
std::pair<Cost, Cost> Compare(const std::function<void()>& kesto, const std::function<void()>& bare) {
  const int runs[2] = {RunsPerSample(kesto), RunsPerSample(bare)};
  std::vector<double> wall[2], cpu[2];
  for (int round = 0; round < kRounds; ++round) {
    for (int which = 0; which < 2; ++which) {
      const int slot = (which == 0) == (round % 2 == 0) ? 0 : 1;
      const std::function<void()>& job = slot == 0 ? kesto : bare;
      standin::PumpPending();
      double wallStart = WallSeconds(), cpuStart = CpuSeconds();
      for (int run = 0; run < runs[slot]; ++run) {
        job();
        standin::PumpPending();
      }
      wall[slot].push_back((WallSeconds() - wallStart) * 1000 / runs[slot]);
      cpu[slot].push_back((CpuSeconds() - cpuStart) * 1000 / runs[slot]);
    }
  }
  return {{Median(wall[0]), Median(cpu[0])}, {Median(wall[1]), Median(cpu[1])}};
}

// Every GDI object of the process: Wine finds a handle by its index alone
// when its upper half is zero (GetGuiResources answers 0 under Wine 8).
int LiveGdiObjects() {
  int count = 0;
  for (std::uintptr_t index = 1; index < 0x10000; ++index)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index))) ++count;
  return count;
}

// A 24-bit image; round ones have magenta outside a circle.
std::string WriteImage(const std::string& name, int width, int height, bool round, int tint = 90) {
  std::string path = Dir + "\\" + name;
  std::ofstream out(path, std::ios::binary);
  int rowBytes = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + rowBytes * height;
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  std::vector<char> row(static_cast<std::size_t>(rowBytes));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int dx = 2 * x - width, dy = 2 * y - height;
      bool outside = round && dx * dx + dy * dy > width * height;
      row[x * 3] = static_cast<char>(outside ? 255 : (x * 5) & 255);
      row[x * 3 + 1] = static_cast<char>(outside ? 0 : (y * 3) & 255);
      row[x * 3 + 2] = static_cast<char>(outside ? 255 : tint);
    }
    out.write(row.data(), rowBytes);
  }
  return path;
}

std::string WriteBox(const std::string& name, const std::string& lines) {
  std::string path = Dir + "\\" + name + ".box";
  std::ofstream(path, std::ios::binary) << "KestoName " << name << "\r\nKestoAlwaysOnTop\r\n" << lines;
  return path;
}

void Run(const std::string& command) { LSExecute(nullptr, command.c_str(), 0); }

// ---- The bare code: a window class that paints from a memory DC, as any
// shaped picture window must.

LRESULT CALLBACK BarePaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(window, &r);
    BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, r.right, r.bottom,
           reinterpret_cast<HDC>(GetWindowLongPtrA(window, GWLP_USERDATA)), 0, 0, SRCCOPY);
    return 1;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterBareClass() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = BarePaint;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "BarePicture";
  RegisterClassA(&wc);
}

struct BareImage {
  HBITMAP Bitmap = nullptr;
  HDC DC = nullptr;
  HRGN Shape = nullptr;
  int Width = 0, Height = 0;
};

BareImage LoadBare(const std::string& path, HDC screen) {
  BareImage image;
  image.Bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  BITMAP info{};
  GetObjectA(image.Bitmap, sizeof info, &info);
  image.Width = info.bmWidth;
  image.Height = info.bmHeight;
  image.Shape = BitmapToRegion(image.Bitmap, 0xFF00FF, 0x101010, 0, 0);
  image.DC = CreateCompatibleDC(screen);
  SelectObject(image.DC, image.Bitmap);
  return image;
}

// The image at twice its size, by the same filter a box at 200 % draws with:
// the least code that gives the same screen.
void DoubleBare(BareImage& image, HDC screen) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.Width;
  info.bmiHeader.biHeight = -image.Height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  kesto::TPixels source{image.Width, image.Height,
                        std::vector<std::uint32_t>(static_cast<std::size_t>(image.Width) * image.Height)};
  GetDIBits(screen, image.Bitmap, 0, static_cast<UINT>(image.Height), source.Data.data(), &info, DIB_RGB_COLORS);
  for (std::uint32_t& pixel : source.Data) pixel |= 0xFF000000u;
  const kesto::TPixels doubled = kesto::Resample(source, image.Width * 2, image.Height * 2, false);
  info.bmiHeader.biWidth = doubled.Width;
  info.bmiHeader.biHeight = -doubled.Height;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::memcpy(bits, doubled.Data.data(), doubled.Data.size() * 4);
  SelectObject(image.DC, bitmap);
  DeleteObject(image.Bitmap);
  DeleteObject(image.Shape);
  image.Bitmap = bitmap;
  image.Width = doubled.Width;
  image.Height = doubled.Height;
  image.Shape = BitmapToRegion(image.Bitmap, 0xFF00FF, 0x101010, 0, 0);
}

void FreeBare(BareImage& image) {
  DeleteDC(image.DC);
  DeleteObject(image.Shape);
  DeleteObject(image.Bitmap);
}

void SetShape(HWND window, HRGN shape) {
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(copy, shape, nullptr, RGN_COPY);
  SetWindowRgn(window, copy, TRUE);
}

// A shaped, topmost, shown and painted box with buttons (each shaped, with a
// tooltip), its distinct images loaded once.
HWND MakeBareTooltip() {
  return CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
}

// One tool per button, over its whole client area.
void AddBareTool(HWND tooltip, HWND button) {
  TOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.hwnd = button;
  tool.lpszText = const_cast<char*>("t");
  GetClientRect(button, &tool.rect);
  SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

struct BareBox {
  HWND Window = nullptr;
  HWND Tooltip = nullptr;
  BareImage Background;
  std::vector<BareImage> Images;
  std::vector<HWND> Buttons;

  void Create(const std::string& background, const std::vector<std::string>& files, int count, int scale = 1) {
    HDC screen = GetDC(nullptr);
    Background = LoadBare(background, screen);
    for (const std::string& file : files) Images.push_back(LoadBare(file, screen));
    if (scale == 2) {
      DoubleBare(Background, screen);
      for (BareImage& image : Images) DoubleBare(image, screen);
    }
    ReleaseDC(nullptr, screen);
    Window = CreateWindowExA(WS_EX_TOOLWINDOW, "BarePicture", "bare", WS_POPUP, 0, 0, Background.Width,
                             Background.Height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Background.DC));
    SetWindowPos(Window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    SetShape(Window, Background.Shape);
    if (count > 0) Tooltip = MakeBareTooltip();
    for (int i = 0; i < count; ++i) {
      const BareImage& image = Images[static_cast<std::size_t>(i) % Images.size()];
      HWND button = CreateWindowExA(0, "BarePicture", nullptr, WS_CHILD, 0, 0, 0, 0, Window, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
      SetWindowLongPtrA(button, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(image.DC));
      SetShape(button, image.Shape);
      SetWindowPos(button, HWND_BOTTOM, (i * 7) % 780 * scale, (i * 13) % 580 * scale, image.Width, image.Height,
                   SWP_SHOWWINDOW);
      AddBareTool(Tooltip, button);
      Buttons.push_back(button);
    }
    SetWindowPos(Window, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(Window);
  }

  void Destroy() {
    ShowWindow(Window, SW_HIDE);
    DestroyWindow(Window);  // the buttons go with it
    for (HWND button : Buttons) {
      TOOLINFOA tool{};
      tool.cbSize = TTTOOLINFOA_V1_SIZE;
      tool.hwnd = button;
      SendMessageA(Tooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    if (Tooltip) DestroyWindow(Tooltip);
    for (BareImage& image : Images) FreeBare(image);
    FreeBare(Background);
    *this = BareBox();
  }
};

// ---- The bare code of a box with per-pixel alpha: the shell's PNG read and
// premultiplied, a layered window shown with UpdateLayeredWindow and shaped
// by its visible pixels (so clicks pass through the rest), one button blended
// into the picture, a child window for its input and a tooltip.
std::string WriteAlphaPng(const std::string& name, int width, int height, int tint) {
  std::vector<unsigned char> rgba;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      int dx = 2 * x - width, dy = 2 * y - height;
      const bool inside = dx * dx + dy * dy <= width * height;
      rgba.insert(rgba.end(), {static_cast<unsigned char>(tint), static_cast<unsigned char>(y & 255),
                               static_cast<unsigned char>(x & 255), static_cast<unsigned char>(inside ? 200 : 0)});
    }
  std::string path = Dir + "\\" + name;
  stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4);
  return path;
}

std::uint32_t OverPixel(std::uint32_t s, std::uint32_t d) {
  const std::uint32_t keep = 255 - (s >> 24);
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8)
    out |= std::min<std::uint32_t>(255, ((s >> shift) & 255) + ((((d >> shift) & 255) * keep + 127) / 255)) << shift;
  return out;
}

struct BareAlphaImage {
  int Width = 0, Height = 0;
  std::vector<std::uint32_t> Pixels;  // premultiplied, top-down
};

BareAlphaImage LoadAlphaBare(const std::string& path) {
  BareAlphaImage image;
  HBITMAP bitmap = LoadLSImage(path.c_str(), nullptr);
  DIBSECTION section{};
  GetObjectA(bitmap, sizeof section, &section);
  image.Width = section.dsBm.bmWidth;
  image.Height = section.dsBm.bmHeight;
  image.Pixels.resize(static_cast<std::size_t>(image.Width) * image.Height);
  const auto* bits = static_cast<const std::uint32_t*>(section.dsBm.bmBits);
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x) {
      const std::uint32_t p = bits[static_cast<std::size_t>(image.Height - 1 - y) * image.Width + x];
      const std::uint32_t a = p >> 24;
      auto scale = [&](int shift) { return ((((p >> shift) & 255) * a + 127) / 255) << shift; };
      image.Pixels[static_cast<std::size_t>(y) * image.Width + x] = a ? (a << 24) | scale(16) | scale(8) | scale(0) : 0;
    }
  DeleteObject(bitmap);
  return image;
}

struct BareAlphaBox {
  HWND Window = nullptr, Button = nullptr, Tooltip = nullptr;
  BareAlphaImage Back, Normal, Hover;
  HBITMAP Frame = nullptr;
  HDC FrameDC = nullptr;
  HGDIOBJ Previous = nullptr;
  std::uint32_t* Bits = nullptr;

  void Create(const std::string& background, const std::string& normal, const std::string& hover) {
    Back = LoadAlphaBare(background);
    Normal = LoadAlphaBare(normal);
    Hover = LoadAlphaBare(hover);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, Back.Width, -Back.Height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    Frame = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    Bits = static_cast<std::uint32_t*>(bits);
    FrameDC = CreateCompatibleDC(nullptr);
    Previous = SelectObject(FrameDC, Frame);
    Window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_LAYERED, "BarePicture", "bare", WS_POPUP, 0, 0, Back.Width,
                             Back.Height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowPos(Window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    Button = CreateWindowExA(0, "BarePicture", nullptr, WS_CHILD | WS_VISIBLE, 10, 10, Normal.Width, Normal.Height,
                             Window, nullptr, GetModuleHandleA(nullptr), nullptr);
    Tooltip = MakeBareTooltip();
    AddBareTool(Tooltip, Button);
    Show(Normal);
    SetWindowPos(Window, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void Show(const BareAlphaImage& button) {
    GdiFlush();
    std::copy(Back.Pixels.begin(), Back.Pixels.end(), Bits);
    for (int y = 0; y < button.Height; ++y)
      for (int x = 0; x < button.Width; ++x) {
        std::uint32_t& to = Bits[static_cast<std::size_t>(y + 10) * Back.Width + x + 10];
        to = OverPixel(button.Pixels[static_cast<std::size_t>(y) * button.Width + x], to);
      }
    POINT origin{0, 0};
    SIZE size{Back.Width, Back.Height};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(Window, nullptr, nullptr, &size, FrameDC, &origin, 0, &blend, ULW_ALPHA);
    std::vector<RECT> rects;
    for (int y = 0; y < Back.Height; ++y)
      for (int x = 0; x < Back.Width;) {
        while (x < Back.Width && !(Bits[static_cast<std::size_t>(y) * Back.Width + x] >> 24)) ++x;
        const int start = x;
        while (x < Back.Width && (Bits[static_cast<std::size_t>(y) * Back.Width + x] >> 24)) ++x;
        if (x > start) rects.push_back({start, y, x, y + 1});
      }
    std::vector<char> data(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    auto* region = reinterpret_cast<RGNDATA*>(data.data());
    region->rdh = {sizeof(RGNDATAHEADER), RDH_RECTANGLES, static_cast<DWORD>(rects.size()), 0, {0, 0, Back.Width, Back.Height}};
    std::copy(rects.begin(), rects.end(), reinterpret_cast<RECT*>(region->Buffer));
    SetShape(Window, ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), region));
  }

  void Destroy() {
    ShowWindow(Window, SW_HIDE);
    DestroyWindow(Window);
    DestroyWindow(Tooltip);
    SelectObject(FrameDC, Previous);
    DeleteDC(FrameDC);
    DeleteObject(Frame);
    *this = BareAlphaBox();
  }
};

std::string Buttons(int count, const std::string& background, const std::vector<std::string>& images,
                    const std::string& hover = "") {
  std::string lines = "KestoBackGround " + background + "\r\n";
  for (int i = 0; i < count; ++i) {
    const std::string& image = images[static_cast<std::size_t>(i) % images.size()];
    lines += "*Shortcut t " + std::to_string((i * 7) % 780) + " " + std::to_string((i * 13) % 580) + " " + image +
             " " + (hover.empty() ? image : hover) + " " + image + " !none\r\n";
  }
  return lines;
}

HWND KestoBoxWindow(const std::string& title) { return FindWindowA("KestoClass", title.c_str()); }

void Repaint(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Row(const std::string& job, const Cost& kesto, const Cost& other) {
  std::printf("%-46s %9.2f %9.2f %6.2f %9.2f %9.2f %6.2f\n", job.c_str(), kesto.Wall, other.Wall,
              kesto.Wall / other.Wall, kesto.Cpu, other.Cpu, other.Cpu > 0 ? kesto.Cpu / other.Cpu : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  Dir = std::string(folder) + "kesto-bench";
  CreateDirectoryA(Dir.c_str(), nullptr);
  std::string config = Dir + "\\shell.rc";
  std::ofstream(config) << "; the benchmark's shell\r\n";
  StandInLoadConfig(config.c_str());
  standin::Host host;
  InitCommonControls();
  RegisterBareClass();
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string module = argc > 1 ? argv[1] : std::string(self).substr(0, std::string(self).rfind('\\')) + "\\Kesto.dll";
  StandInConfigureModule(module.c_str());
  if (!StandInStartModules()) {
    std::fprintf(stderr, "cannot load %s\n", module.c_str());
    return 2;
  }

  std::printf("%-46s %9s %9s %6s %9s %9s %6s\n", "job (medians of 5 alternating rounds)", "Kesto ms", "bare ms",
              "wall", "Kesto cpu", "bare cpu", "cpu");

  // A plain shaped box, created and destroyed.
  for (auto [width, height] : {std::pair{100, 100}, {400, 300}, {1024, 768}}) {
    std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::string image = WriteImage("plain" + size + ".bmp", width, height, true);
    std::string plain = WriteBox("Plain", "KestoBackGround " + image + "\r\n");
    auto [kesto, bare] = Compare([&] { Run("!KestoCreate " + plain); Run("!KestoDestroy Plain"); },
                                 [&] { BareBox box; box.Create(image, {}, 0); box.Destroy(); });
    Row("plain box " + size, kesto, bare);
  }

  // The same at 200 % (KestoZoom 200, as a 200 % monitor draws it): against
  // bare code that doubles the images by the same filter.
  {
    std::string image = WriteImage("plain400x300.bmp", 400, 300, true);
    std::string plain = WriteBox("Plain", "KestoZoom 200\r\nKestoBackGround " + image + "\r\n");
    auto [kesto, bare] = Compare([&] { Run("!KestoCreate " + plain); Run("!KestoDestroy Plain"); },
                                 [&] { BareBox box; box.Create(image, {}, 0, 2); box.Destroy(); });
    Row("plain box 400x300 at 200 %", kesto, bare);
    std::string background = WriteImage("bg200.bmp", 800, 600, false);
    std::string round = WriteImage("round200.bmp", 16, 16, true);
    std::string launcher = WriteBox("Launcher", "KestoZoom 200\r\n" + Buttons(100, background, {round}));
    auto [k, b] = Compare([&] { Run("!KestoCreate " + launcher); Run("!KestoDestroy Launcher"); },
                          [&] { BareBox box; box.Create(background, {round}, 100, 2); box.Destroy(); });
    Row("launcher of 100 shortcuts at 200 %", k, b);
  }

  // Tiling, Kesto against Kesto: a tiled box against a plain box of its size.
  for (int tile : {1, 8, 128}) {
    std::string plainImage = WriteImage("plain400.bmp", 400, 300, false);
    std::string plain = WriteBox("Plain", "KestoBackGround " + plainImage + "\r\n");
    std::string image = WriteImage("tile" + std::to_string(tile) + ".bmp", tile + 2, tile + 2, false);
    std::string tiled = WriteBox("Tiled", "KestoBackGround " + image +
                                              "\r\nKestoWidth 400\r\nKestoHeight 300\r\nKestoBackgroundOffs 1 1 1 1\r\n");
    auto [kesto, other] = Compare([&] { Run("!KestoCreate " + tiled); Run("!KestoDestroy Tiled"); },
                                  [&] { Run("!KestoCreate " + plain); Run("!KestoDestroy Plain"); });
    Row("Kesto vs Kesto: tiled 400x300, " + std::to_string(tile) + " px tile / plain", kesto, other);
  }

  // Shortcuts, created and destroyed, per shortcut: all sharing one image,
  // and each with an image of its own.
  std::string background = WriteImage("bg.bmp", 800, 600, false);
  std::string round = WriteImage("round.bmp", 16, 16, true);
  std::string hover = WriteImage("round-hover.bmp", 16, 16, true, 200);
  std::vector<std::string> own;
  for (int i = 0; i < 3000; ++i) own.push_back(WriteImage("own" + std::to_string(i) + ".bmp", 16, 16, true, i % 256));
  for (bool shared : {true, false}) {
    for (int count : {10, 100, 1000, 3000}) {
      std::vector<std::string> files = shared ? std::vector<std::string>{round}
                                              : std::vector<std::string>(own.begin(), own.begin() + count);
      std::string box = WriteBox("Many", Buttons(count, background, files));
      auto [kesto, bare] = Compare([&] { Run("!KestoCreate " + box); Run("!KestoDestroy Many"); },
                                   [&] { BareBox b; b.Create(background, files, count); b.Destroy(); });
      Cost k{kesto.Wall / count, kesto.Cpu / count}, o{bare.Wall / count, bare.Cpu / count};
      Row(std::string("per shortcut, ") + std::to_string(count) + (shared ? " sharing an image" : " of their own"), k,
          o);
    }
  }

  // A painted box of 100 buttons: a full repaint, and a hover change there and back.
  {
    std::string box = WriteBox("Painted", Buttons(100, background, {round}, hover));
    Run("!KestoCreate " + box);
    HWND kestoWindow = KestoBoxWindow("Painted");
    HWND kestoButton = GetWindow(kestoWindow, GW_CHILD);
    BareBox bare;
    bare.Create(background, {round}, 100);
    HDC screen = GetDC(nullptr);
    BareImage bareHover = LoadBare(hover, screen);
    ReleaseDC(nullptr, screen);
    auto [kRepaint, bRepaint] = Compare([&] { Repaint(kestoWindow); }, [&] { Repaint(bare.Window); });
    Row("full repaint, 100 buttons", kRepaint, bRepaint);
    HWND bareButton = bare.Buttons.front();
    const BareImage& normal = bare.Images.front();
    auto bareState = [&](const BareImage& image) {
      MSG relayed{bareButton, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4), 0, {}};
      SendMessageA(bare.Tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
      TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, bareButton, 0};
      TrackMouseEvent(&track);
      SetWindowLongPtrA(bareButton, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(image.DC));
      SetShape(bareButton, image.Shape);
      InvalidateRect(bareButton, nullptr, TRUE);
      UpdateWindow(bareButton);
    };
    auto [kHover, bHover] = Compare(
        [&] {
          SendMessageA(kestoButton, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
          UpdateWindow(kestoButton);
          SendMessageA(kestoButton, WM_MOUSELEAVE, 0, 0);
          UpdateWindow(kestoButton);
        },
        [&] {
          bareState(bareHover);
          bareState(normal);
        });
    Row("hover change there and back, 100 buttons", kHover, bHover);
    FreeBare(bareHover);
    bare.Destroy();
    Run("!KestoDestroy Painted");
  }

  // A box with per-pixel alpha and one alpha button: made and ended, and a
  // hover change there and back (each one composition and one update).
  {
    std::string back = WriteAlphaPng("alpha-back.png", 200, 150, 40);
    std::string normalPng = WriteAlphaPng("alpha-button.png", 40, 40, 200);
    std::string hoverPng = WriteAlphaPng("alpha-hover.png", 40, 40, 250);
    std::string box = WriteBox("Alpha", "KestoBackGround " + back + "\r\n*Shortcut t 10 10 " + normalPng + " " + hoverPng +
                                            " " + normalPng + " !x\r\n");
    auto [kesto, other] = Compare([&] { Run("!KestoCreate " + box); Run("!KestoDestroy Alpha"); },
                                  [&] { BareAlphaBox bare; bare.Create(back, normalPng, hoverPng); bare.Destroy(); });
    Row("alpha box 200x150 with an alpha button", kesto, other);
    Run("!KestoCreate " + box);
    HWND kestoButton = GetWindow(KestoBoxWindow("Alpha"), GW_CHILD);
    BareAlphaBox bare;
    bare.Create(back, normalPng, hoverPng);
    auto [kHover, bHover] = Compare(
        [&] {
          SendMessageA(kestoButton, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
          SendMessageA(kestoButton, WM_MOUSELEAVE, 0, 0);
        },
        [&] {
          MSG relayed{bare.Button, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4), 0, {}};
          SendMessageA(bare.Tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
          TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, bare.Button, 0};
          TrackMouseEvent(&track);
          bare.Show(bare.Hover);
          bare.Show(bare.Normal);
        });
    Row("alpha box: hover change there and back", kHover, bHover);
    bare.Destroy();
    Run("!KestoDestroy Alpha");
  }

  // GDI objects a shortcut holds, counted in the process's handle table.
  for (bool shared : {true, false}) {
    std::vector<std::string> files = shared ? std::vector<std::string>{round}
                                            : std::vector<std::string>(own.begin(), own.begin() + 100);
    std::string box = WriteBox("Objects", Buttons(100, background, files));
    standin::PumpPending();
    int before = LiveGdiObjects();
    Run("!KestoCreate " + box);
    standin::PumpPending();
    double kesto = (LiveGdiObjects() - before) / 100.0;
    Run("!KestoDestroy Objects");
    standin::PumpPending();
    before = LiveGdiObjects();
    BareBox bare;
    bare.Create(background, files, 100);
    standin::PumpPending();
    double other = (LiveGdiObjects() - before) / 100.0;
    bare.Destroy();
    std::printf("%-46s %9.2f %9.2f %6.2f   (objects per shortcut, the box's own included)\n",
                (std::string("GDI objects, 100 ") + (shared ? "sharing an image" : "of their own")).c_str(), kesto,
                other, kesto / other);
  }
  StandInQuitModules();
  return 0;
}
