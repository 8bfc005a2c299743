// kesto-preview: runs Kesto in the stand-in shell and writes what its boxes
// paint to a PNG file, see-through pixels transparent.
//
//   kesto-preview file.box -o file.png [--state normal|hover|pressed] [--var NAME=VALUE]...
//                 [--module Kesto.dll] [--show-hidden]
//   kesto-preview --config shell.rc -o desktop.png [--state ...] [--monitors 1024x768+0+0,1280x1024-1280+0]
//   either form also takes --scale 1.5: the boxes as a monitor at that scale shows them
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "base/shell_api.h"
#include "base/wide_text.h"
#include "shell/host/host.h"
#include "shell/standin.h"
#include "tools/preview/preview.h"

namespace {

std::string Folder(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

int Usage() {
  std::fputs("usage: kesto-preview file.box -o out.png [--state normal|hover|pressed] [--var NAME=VALUE]...\n"
             "                     [--module Kesto.dll] [--show-hidden]\n"
             "       kesto-preview --config shell.rc -o out.png [--state ...] [--monitors LAYOUT]\n"
             "         LAYOUT: the monitors, the primary first, each WIDTHxHEIGHT+LEFT+TOP, joined by commas;\n"
             "         the picture is then the whole desktop of that layout\n"
             "       either form: --scale 1.5 draws the boxes as a monitor at 150 % shows them\n", stderr);
  return 2;
}

}  // namespace

// The arguments as UTF-8, from the wide command line: a path in any script.
std::vector<std::string> Arguments() {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; wide && i < count; ++i) arguments.push_back(kesto::Utf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

int main(int, char**) {
  const std::vector<std::string> argv = Arguments();
  const int argc = static_cast<int>(argv.size());
  std::string box, config, output, module, variables, monitors;
  double scale = 0;
  bool showHidden = false;
  kestopreview::ShortcutState state = kestopreview::ShortcutState::Normal;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[static_cast<std::size_t>(i)];
    std::string next = i + 1 < argc ? argv[static_cast<std::size_t>(i) + 1] : "";
    if (arg == "-o") {
      output = next, ++i;
    } else if (arg == "--config") {
      config = next, ++i;
    } else if (arg == "--var") {
      std::size_t eq = next.find('=');
      if (eq == std::string::npos) return Usage();
      variables += next.substr(0, eq) + " " + next.substr(eq + 1) + "\r\n", ++i;
    } else if (arg == "--monitors") {
      monitors = next, ++i;
    } else if (arg == "--scale") {
      scale = std::atof(next.c_str()), ++i;
      if (scale < 0.5 || scale > 5) return Usage();
    } else if (arg == "--show-hidden") {
      showHidden = true;
    } else if (arg == "--module") {
      module = next, ++i;
    } else if (arg == "--state") {
      ++i;
      if (next == "hover") state = kestopreview::ShortcutState::Hover;
      else if (next == "pressed") state = kestopreview::ShortcutState::Pressed;
      else if (next != "normal") return Usage();
    } else if (!arg.empty() && arg[0] != '-') {
      box = arg;
    } else {
      return Usage();
    }
  }
  if (output.empty() || box.empty() == config.empty()) return Usage();

  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (module.empty()) module = Folder(self) + "\\Kesto.dll";
  if (!box.empty()) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    config = std::string(temp) + "kesto-preview.rc";
    std::ofstream(config, std::ios::binary) << variables << "*KestoCreate \"" << box << "\"\r\n";
  }
  if (!StandInLoadConfig(config.c_str())) {
    std::fprintf(stderr, "kesto-preview: cannot read %s\n", config.c_str());
    return 2;
  }

  if (scale > 0) {
    // Each monitor (or the screen itself) at that DPI, as the system gives a monitor its scale.
    const std::string dpi = "@" + std::to_string(std::lround(96 * scale));
    if (monitors.empty())
      monitors = std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" + std::to_string(GetSystemMetrics(SM_CYSCREEN)) +
                 "+0+0";
    std::string withDpi;
    for (std::size_t begin = 0; begin <= monitors.size();) {
      const std::size_t comma = std::min(monitors.find(',', begin), monitors.size());
      withDpi += (withDpi.empty() ? "" : ",") + monitors.substr(begin, comma - begin) + dpi;
      begin = comma + 1;
    }
    monitors = withDpi;
  }
  if (!monitors.empty() && !StandInSetMonitors(monitors.c_str())) {
    std::fprintf(stderr, "kesto-preview: cannot read the monitor layout %s\n", monitors.c_str());
    return 2;
  }
  standin::Host host;
  HMODULE kesto = LoadLibraryW(kesto::Wide(module).c_str());
  StandInApplyMonitors(kesto);
  auto init = reinterpret_cast<int (*)(HWND, HINSTANCE, const char*)>(
      reinterpret_cast<void*>(GetProcAddress(kesto, "initModuleEx")));
  auto quit = reinterpret_cast<void (*)(HINSTANCE)>(reinterpret_cast<void*>(GetProcAddress(kesto, "quitModule")));
  if (!kesto || !init || !quit) {
    std::fprintf(stderr, "kesto-preview: cannot load %s\n", module.c_str());
    return 2;
  }
  init(host.MainWindow(), kesto, module.c_str());
  standin::Pump(200);
  for (const std::string& shown : standin::MessageBoxesShown()) std::fprintf(stderr, "kesto: %s\n", shown.c_str());
  // What Kesto logged as failed or guessed, by file and line.
  for (const std::string& entry : standin::LogEntries()) {
    if (entry.rfind("lslog:1:", 0) == 0 || entry.rfind("lslog:2:", 0) == 0)
      std::fprintf(stderr, "kesto: %s\n", entry.substr(8).c_str());
  }
  if (showHidden) kestopreview::ShowHidden();

  int status = 0;
  if (!box.empty()) {
    std::vector<HWND> boxes = kestopreview::BoxWindows();
    if (boxes.empty()) {
      std::fprintf(stderr, "kesto-preview: no box is shown from %s%s\n", box.c_str(),
                   showHidden ? "" : " (one that starts hidden shows with --show-hidden)");
      status = 2;
    } else if (std::string problem = kestopreview::SizeProblem(boxes.back()); !problem.empty()) {
      std::fprintf(stderr, "kesto-preview: %s: %s\n", box.c_str(), problem.c_str());
      status = 2;
    } else if (!kestopreview::WritePng(kestopreview::RenderBox(boxes.back(), state), output)) {
      status = 2;
    }
  } else if (!kestopreview::WritePng(kestopreview::RenderScreen(state), output)) {
    status = 2;
  }
  if (status == 0) std::printf("kesto-preview: wrote %s\n", output.c_str());
  kestopreview::RemoveBoxWindows();
  quit(kesto);
  FreeLibrary(kesto);
  return status;
}
