#include "shell/lsapi/modules.h"

#include <windows.h>

#include <vector>

#include "base/shell_api.h"
#include "boxfile/text_helpers.h"
#include "shell/standin.h"

// The monitor layout named by STANDIN_MONITORS, played from the first start on.
void StandInMonitorsFromEnvironment();

namespace standin {
namespace {

struct Module {
  std::string Path;              // as configured; what the module commands name
  HMODULE Library = nullptr;     // none for code linked into the host
  StandInInitFn Init = nullptr;
  StandInQuitFn Quit = nullptr;
  bool BuiltIn = false;
};

std::vector<Module>& Configured() {
  static std::vector<Module> modules;
  return modules;
}

std::vector<Module>& Running() {
  static std::vector<Module> modules;
  return modules;
}

std::string Log(const std::string& what, const std::string& path) { return "module:" + what + ":" + path; }

HINSTANCE InstanceOf(const Module& module) {
  return module.Library ? module.Library : GetModuleHandleA(nullptr);
}

bool Start(Module module) {
  if (!module.BuiltIn) {
    module.Library = LoadLibraryA(module.Path.c_str());
    StandInApplyMonitors(module.Library);
    module.Init = reinterpret_cast<StandInInitFn>(
        reinterpret_cast<void*>(GetProcAddress(module.Library, "initModuleEx")));
    module.Quit = reinterpret_cast<StandInQuitFn>(
        reinterpret_cast<void*>(GetProcAddress(module.Library, "quitModule")));
    if (!module.Library || !module.Init || !module.Quit) {
      if (module.Library) FreeLibrary(module.Library);
      StandInLog(Log("cannot-load", module.Path).c_str());
      return false;
    }
  }
  StandInLog(Log("init", module.Path).c_str());
  module.Init(GetLitestepWnd(), InstanceOf(module), module.Path.c_str());
  // Only a module whose start has returned is a running module.
  Running().push_back(module);
  return true;
}

// As the real shell does: quitModule, then the library goes, both inside the
// caller's call.
void Stop(Module module) {
  StandInLog(Log("quit", module.Path).c_str());
  module.Quit(InstanceOf(module));
  if (module.Library) FreeLibrary(module.Library);
}

bool Take(const std::string& path, Module& taken) {
  std::vector<Module>& running = Running();
  for (auto it = running.begin(); it != running.end(); ++it) {
    if (kesto::UpperText(it->Path) == kesto::UpperText(path)) {
      taken = *it;
      running.erase(it);
      return true;
    }
  }
  return false;
}

const Module* FindConfigured(const std::string& path) {
  for (const Module& module : Configured())
    if (kesto::UpperText(module.Path) == kesto::UpperText(path)) return &module;
  return nullptr;
}

}  // namespace

bool RunModuleCommand(const std::string& name, const std::string& args) {
  std::string path = kesto::GetToken(args, 1);
  if (name == "!UNLOADMODULE") {
    Module module;
    if (Take(path, module)) Stop(module);
    return true;
  }
  if (name == "!RELOADMODULE") {
    Module module;
    bool wasRunning = Take(path, module);
    if (wasRunning) Stop(module);
    if (const Module* configured = FindConfigured(path)) {
      Start(*configured);
    } else if (wasRunning) {
      Start(module);
    }
    return true;
  }
  if (name == "!RECYCLE") {
    PostMessageA(GetLitestepWnd(), STANDIN_LM_RECYCLE, 0, 0);
    return true;
  }
  if (name == "!QUIT") {
    PostMessageA(GetLitestepWnd(), STANDIN_WM_QUITSHELL, 0, 0);
    return true;
  }
  return false;
}

}  // namespace standin

extern "C" {

void StandInConfigureModule(const char* path) {
  standin::Module module;
  module.Path = path ? path : "";
  standin::Configured().push_back(module);
}

void StandInConfigureBuiltInModule(const char* name, StandInInitFn init, StandInQuitFn quit) {
  standin::Module module;
  module.Path = name ? name : "";
  module.Init = init;
  module.Quit = quit;
  module.BuiltIn = true;
  standin::Configured().push_back(module);
}

void StandInForgetModules(void) { standin::Configured().clear(); }

BOOL StandInStartModules(void) {
  static const bool layoutRead = (StandInMonitorsFromEnvironment(), true);
  (void)layoutRead;
  bool all = true;
  // A copy: a start may run commands that change the configured list.
  std::vector<standin::Module> modules = standin::Configured();
  for (const standin::Module& module : modules) all = standin::Start(module) && all;
  return all;
}

void StandInQuitModules(void) {
  std::vector<standin::Module>& running = standin::Running();
  while (!running.empty()) {
    standin::Module module = running.back();
    running.pop_back();
    standin::Stop(module);
  }
}

int StandInRunningModules(void) { return static_cast<int>(standin::Running().size()); }

void StandInRecycle(void) {
  StandInLog("recycle");
  StandInQuitModules();
  StandInReloadConfig();
  StandInStartModules();
}

}  // extern "C"
