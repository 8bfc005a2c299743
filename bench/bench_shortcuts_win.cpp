// Time to build and tear down boxes with many shortcuts, per shortcut: it
// should stay flat as the count grows. Runs in the stand-in shell under Wine.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "box/box.h"
#include "module/lifecycle.h"
#include "base/module_state.h"
#include "base/shell_api.h"
#include "shell/host/host.h"
#include "shell/standin.h"

namespace {

double Seconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void WriteImage(const std::string& path) {
  // 16 by 16, 24-bit, a magenta corner.
  std::ofstream out(path, std::ios::binary);
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = 16;
  info.biHeight = 16;
  info.biPlanes = 1;
  info.biBitCount = 24;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + 16 * 48;
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  for (int i = 0; i < 256; ++i) {
    bool corner = (i % 16) < 4 && (i / 16) < 4;
    const char pixel[3] = {static_cast<char>(corner ? 255 : 40), 0, static_cast<char>(corner ? 255 : 200)};
    out.write(pixel, 3);
  }
}

}  // namespace

int main() {
  kesto::FindSetLayeredWindowAttributes();
  LoadLibraryA("comctl32.dll");
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  std::string dir = std::string(folder) + "kesto-bench";
  CreateDirectoryA(dir.c_str(), nullptr);
  std::string image = dir + "\\b.bmp";
  WriteImage(image);
  std::string config = dir + "\\shell.rc";
  std::ofstream(config) << "; empty\r\n";
  StandInLoadConfig(config.c_str());
  standin::Host host;
  initModuleEx(host.MainWindow(), GetModuleHandleA(nullptr), "");

  std::printf("shortcuts   create us/shortcut   destroy us/shortcut\n");
  for (int count : {100, 1000, 5000}) {
    std::string box = dir + "\\bench.box";
    {
      std::ofstream out(box, std::ios::binary);
      out << "KestoName Bench\r\nKestoWidth 800\r\nKestoHeight 600\r\n";
      for (int i = 0; i < count; ++i)
        out << "*Shortcut tip" << i << " " << (i * 7) % 780 << " " << (i * 13) % 580 << " " << image << " "
            << image << " " << image << " #" << i % 5 << " !none\r\n";
    }
    double start = Seconds();
    LSExecute(nullptr, ("!KestoCreate " + box).c_str(), 0);
    double created = Seconds();
    LSExecute(nullptr, "!KestoDestroy Bench", 0);
    double destroyed = Seconds();
    standin::PumpPending();
    std::printf("%9d %20.1f %21.1f\n", count, (created - start) * 1e6 / count,
                (destroyed - created) * 1e6 / count);
  }
  quitModule(GetModuleHandleA(nullptr));
  return 0;
}
