// kesto-host: plays the shell for Kesto. Loads the module, calls
// initModuleEx, runs a message loop and takes commands from a script file or
// standard input, then calls quitModule and frees the library.
//
//   kesto-host <Kesto.dll> <shell configuration> [script]
//
// Script verbs, one per line ('#' starts a comment line):
//   pump <ms>              dispatch messages for a while
//   bang <command text>    run a command as the shell would (LSExecute); the
//                          module commands !UnloadModule, !ReloadModule,
//                          !Recycle and !Quit work on the module named above
//   move <x> <y>           move the mouse
//   down | up | rdown | rup   press or release the left or right button
//   click <x> <y>          move, then press and release the left button
//   screenshot <file>      write the screen, as PNG for a .png name, else BMP
//   revid <n>              send LM_GETREVID to the registered windows, print replies
//   windows                list the process's top-level windows, top first
//   log                    print the stand-in shell's log
//   monitors <layout>      play this monitor layout from now on (the primary first,
//                          WIDTHxHEIGHT+LEFT+TOP each, joined by commas) and send
//                          WM_DISPLAYCHANGE to every window, as Windows does
//   serve                  run the message loop until "!Quit" (bangs may come
//                          from other processes, as "litestep.exe !Bang" sends them)
//   quit                   stop
#include <ole2.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "base/shell_api.h"
#include "shell/host/host.h"
#include "shell/standin.h"

namespace {

bool RunVerb(const std::string& line) {
  std::istringstream words(line);
  std::string verb;
  words >> verb;
  if (verb.empty() || verb[0] == '#') return true;
  if (verb == "quit") return false;
  if (verb == "serve") {
    // The shell's own loop, until a "!Quit" ends it.
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    return false;
  }
  int x = 0, y = 0;
  if (verb == "pump") {
    words >> x;
    standin::Pump(x);
  } else if (verb == "bang") {
    std::string rest;
    std::getline(words >> std::ws, rest);
    LSExecute(nullptr, rest.c_str(), 0);
    standin::PumpPending();
  } else if (verb == "monitors") {
    // A new monitor layout, told to every window as Windows tells it.
    std::string layout;
    words >> layout;
    if (!StandInSetMonitors(layout.c_str())) std::fprintf(stderr, "kesto-host: cannot read the layout %s\n", layout.c_str());
    standin::PumpPending();
  } else if (verb == "move") {
    words >> x >> y;
    standin::MoveMouse(x, y);
    standin::Pump(50);
  } else if (verb == "down" || verb == "up" || verb == "rdown" || verb == "rup") {
    standin::MouseButton(verb[0] != 'r', verb == "down" || verb == "rdown");
    standin::Pump(50);
  } else if (verb == "click") {
    words >> x >> y;
    standin::MoveMouse(x, y);
    standin::Pump(50);
    standin::MouseButton(true, true);
    standin::Pump(50);
    standin::MouseButton(true, false);
    standin::Pump(50);
  } else if (verb == "screenshot") {
    std::string path;
    words >> path;
    standin::RestackToMatchZOrder();
    bool ok = standin::SaveScreenshot(standin::CaptureScreen(), path);
    std::cout << (ok ? "screenshot " : "screenshot failed ") << path << std::endl;
  } else if (verb == "revid") {
    words >> x;
    for (const auto& [window, messages] : standin::Host::Registrations()) {
      char reply[256] = {};
      LRESULT length = SendMessageA(window, kesto::LM_GETREVID, static_cast<WPARAM>(x),
                                    reinterpret_cast<LPARAM>(reply));
      std::cout << "revid " << x << ": \"" << reply << "\" (" << length << ")" << std::endl;
    }
  } else if (verb == "windows") {
    for (HWND w : standin::OwnTopLevelWindows()) {
      char title[64] = {};
      GetWindowTextA(w, title, sizeof title);
      std::cout << "window " << standin::ClassNameOf(w) << " \"" << title << "\" visible=" << (IsWindowVisible(w) ? 1 : 0)
                << (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST ? " topmost" : "") << std::endl;
    }
  } else if (verb == "log") {
    for (const std::string& entry : standin::LogEntries()) std::cout << entry << std::endl;
  } else {
    std::cerr << "unknown verb: " << verb << std::endl;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: kesto-host <Kesto.dll> <shell configuration> [script]" << std::endl;
    return 2;
  }
  if (!StandInLoadConfig(argv[2])) {
    std::cerr << "cannot read configuration " << argv[2] << std::endl;
    return 2;
  }
  // As the real shell does at its start: its thread is a COM apartment.
  OleInitialize(nullptr);
  standin::Host host;
  StandInConfigureModule(argv[1]);
  if (!StandInStartModules()) {
    std::cerr << "cannot load module " << argv[1] << std::endl;
    return 2;
  }
  std::cout << "module started" << std::endl;
  standin::Pump(200);

  std::ifstream scriptFile;
  if (argc > 3) scriptFile.open(argv[3]);
  std::istream& script = argc > 3 ? static_cast<std::istream&>(scriptFile) : std::cin;
  std::string line;
  while (std::getline(script, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!RunVerb(line)) break;
  }
  StandInQuitModules();
  std::cout << "modules ended" << std::endl;
  standin::PumpPending();
  return 0;
}
