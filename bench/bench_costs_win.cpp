// One table of ratios, measured side by side in one run under Wine: Kesto.dll
// in the stand-in shell against bare Win32 code of our own that makes only
// the calls each job needs. Kesto is driven from outside, through the shell's
// commands, as a user's theme drives it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "base/shell_api.h"
#include "shell/host/host.h"
#include "shell/standin.h"

namespace {

std::string Dir;

double Seconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The median of a few runs, in milliseconds.
double Milliseconds(const std::function<void()>& job, int runs = 5) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    double start = Seconds();
    job();
    times.push_back((Seconds() - start) * 1000);
    standin::PumpPending();
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// A 24-bit image; round ones have magenta outside a circle.
std::string WriteImage(const std::string& name, int width, int height, bool round) {
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
      row[x * 3 + 2] = static_cast<char>(outside ? 255 : 90);
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

HBITMAP Load(const std::string& path) {
  return static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

// A plain shaped box the bare way: window, image, shape, picture DC.
void BarePlainBox(const std::string& image, int width, int height) {
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "Static", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                                nullptr, nullptr);
  HBITMAP bitmap = Load(image);
  SetWindowRgn(window, BitmapToRegion(bitmap, 0xFF00FF, 0x101010, 0, 0), FALSE);
  HDC screen = GetDC(window);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(window, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  DestroyWindow(window);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
}

// Shaped buttons on a box, the bare way: three images loaded once, then per
// button a child window, a copy of its shape and its place.
void BareButtons(const std::string& image, int count) {
  HWND box = CreateWindowExA(WS_EX_TOOLWINDOW, "Static", "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                             nullptr, nullptr, nullptr);
  HBITMAP bitmaps[3];
  HRGN shapes[3];
  for (int i = 0; i < 3; ++i) {
    bitmaps[i] = Load(image);
    shapes[i] = BitmapToRegion(bitmaps[i], 0xFF00FF, 0x101010, 0, 0);
  }
  for (int i = 0; i < count; ++i) {
    HWND button = CreateWindowExA(0, "Static", nullptr, WS_CHILD, 0, 0, 0, 0, box, nullptr, nullptr, nullptr);
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(copy, shapes[0], nullptr, RGN_COPY);
    SetWindowRgn(button, copy, TRUE);
    SetWindowPos(button, HWND_BOTTOM, (i * 7) % 780, (i * 13) % 580, 16, 16, SWP_SHOWWINDOW);
  }
  DestroyWindow(box);
  for (int i = 0; i < 3; ++i) {
    DeleteObject(shapes[i]);
    DeleteObject(bitmaps[i]);
  }
}

std::string Buttons(int count, const std::vector<std::string>& images) {
  std::string lines = "KestoWidth 800\r\nKestoHeight 600\r\nKestoBackGround " + images[0] + "\r\n";
  for (int i = 0; i < count; ++i) {
    const std::string& image = images[static_cast<std::size_t>(i) % images.size()];
    lines += "*Shortcut t " + std::to_string((i * 7) % 780) + " " + std::to_string((i * 13) % 580) + " " +
             image + " " + image + " " + image + " !none\r\n";
  }
  return lines;
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
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string module = argc > 1 ? argv[1] : std::string(self).substr(0, std::string(self).rfind('\\')) + "\\Kesto.dll";
  StandInConfigureModule(module.c_str());
  if (!StandInStartModules()) {
    std::fprintf(stderr, "cannot load %s\n", module.c_str());
    return 2;
  }

  std::printf("%-44s %10s %10s %8s\n", "job", "Kesto ms", "vs ms", "ratio");
  auto row = [](const std::string& job, double kesto, double other) {
    std::printf("%-44s %10.2f %10.2f %8.2f\n", job.c_str(), kesto, other, kesto / other);
  };

  // A tiled box against a plain box of the same size, for each tile size.
  for (auto [width, height] : {std::pair{100, 100}, {400, 300}, {1024, 768}}) {
    std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::string plainImage = WriteImage("plain" + size + ".bmp", width, height, false);
    std::string plain = WriteBox("Plain", "KestoBackGround " + plainImage + "\r\n");
    double plainMs = Milliseconds([&] { Run("!KestoCreate " + plain); Run("!KestoDestroy Plain"); });
    row("plain box " + size + " / bare plain box", plainMs,
        Milliseconds([&] { BarePlainBox(plainImage, width, height); }));
    for (int tile : {1, 2, 8, 32, 128}) {
      std::string image = WriteImage("tile" + std::to_string(tile) + ".bmp", tile + 2, tile + 2, false);
      std::string tiled = WriteBox("Tiled", "KestoBackGround " + image + "\r\nKestoWidth " + std::to_string(width) +
                                                "\r\nKestoHeight " + std::to_string(height) +
                                                "\r\nKestoBackgroundOffs 1 1 1 1\r\n");
      double tiledMs = Milliseconds([&] { Run("!KestoCreate " + tiled); Run("!KestoDestroy Tiled"); });
      row("tiled box " + size + ", " + std::to_string(tile) + " px tile / plain box", tiledMs, plainMs);
    }
  }

  // Teardown of a visible box of shaped buttons against its creation.
  std::string round = WriteImage("round.bmp", 16, 16, true);
  for (int count : {10, 100, 300}) {
    std::string box = WriteBox("Buttons", Buttons(count, {round}));
    std::vector<double> create, destroy;
    for (int i = 0; i < 3; ++i) {
      double start = Seconds();
      Run("!KestoCreate " + box);
      standin::PumpPending();
      double made = Seconds();
      Run("!KestoDestroy Buttons");
      destroy.push_back(Seconds() - made);
      create.push_back(made - start);
      standin::PumpPending();
    }
    std::sort(create.begin(), create.end());
    std::sort(destroy.begin(), destroy.end());
    row("destroy / create, " + std::to_string(count) + " round buttons", destroy[1] * 1000, create[1] * 1000);
  }

  // Creating shortcuts against bare code that makes the same windows.
  for (int count : {10, 100, 1000}) {
    std::string box = WriteBox("Many", Buttons(count, {round}));
    double kesto = Milliseconds([&] { Run("!KestoCreate " + box); Run("!KestoDestroy Many"); }, 3);
    double bare = Milliseconds([&] { BareButtons(round, count); }, 3);
    row("create+destroy per shortcut, " + std::to_string(count) + " / bare", kesto / count, bare / count);
  }

  // GDI objects a shortcut holds: three images' bitmap, DC and region for
  // each distinct file, and its window's own copy of a shape.
  std::vector<std::string> own;
  for (int i = 0; i < 100; ++i) own.push_back(WriteImage("own" + std::to_string(i) + ".bmp", 16, 16, true));
  for (auto [label, files] : {std::pair<const char*, std::vector<std::string>>{"3 shared files", {round, round, round}},
                              {"a file each", own}}) {
    int before = StandInCounter("LoadLSImage");
    std::string box = WriteBox("Objects", Buttons(100, files));
    Run("!KestoCreate " + box);
    int loads = StandInCounter("LoadLSImage") - before - 1;  // less the background
    Run("!KestoDestroy Objects");
    double perShortcut = (3.0 * loads + 100) / 100;
    std::printf("%-44s %10.2f %10.2f %8s\n", (std::string("GDI objects per shortcut, ") + label).c_str(),
                perShortcut, 10.0, "");
  }
  StandInQuitModules();
  return 0;
}
