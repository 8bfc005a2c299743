#include "base/dpi.h"

namespace kesto {
namespace {

using SetContextFunction = void*(WINAPI*)(void*);
using DpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using HostingFunction = int(WINAPI*)(int);

// Awareness contexts as the system names them.
void* const kPerMonitorAwareV2 = reinterpret_cast<void*>(static_cast<INT_PTR>(-4));
void* const kPerMonitorAware = reinterpret_cast<void*>(static_cast<INT_PTR>(-3));
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
constexpr int kMixedHosting = 1;  // DPI_HOSTING_BEHAVIOR_MIXED

template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

SetContextFunction SetContext() {
  return Lookup<SetContextFunction>(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext");
}

unsigned SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<unsigned>(dpi) : 96u;
}

HostingFunction SetHosting() {
  return Lookup<HostingFunction>(GetModuleHandleW(L"user32.dll"), "SetThreadDpiHostingBehavior");
}

// What the shell's thread ran with when Kesto's outermost scope began: what a
// plug-in's code runs with. Kesto runs on the shell's one thread.
int ScopeDepth = 0;
void* ShellContext = nullptr;

}  // namespace

DpiAwareScope::DpiAwareScope(bool hostsOthers) {
  SetContextFunction set = SetContext();
  if (!set) return;
  previous_ = set(kPerMonitorAwareV2);
  if (!previous_) previous_ = set(kPerMonitorAware);
  if (!previous_) return;
  if (ScopeDepth++ == 0) ShellContext = previous_;
  if (HostingFunction hosting = hostsOthers ? SetHosting() : nullptr) previousHosting_ = hosting(kMixedHosting);
}

DpiAwareScope::~DpiAwareScope() {
  if (previousHosting_ >= 0) SetHosting()(previousHosting_);
  if (!previous_) return;
  SetContext()(previous_);
  if (--ScopeDepth == 0) ShellContext = nullptr;
}

ShellDpiScope::ShellDpiScope() {
  SetContextFunction set = SetContext();
  if (set && ShellContext) previous_ = set(ShellContext);
}

ShellDpiScope::~ShellDpiScope() {
  if (previous_) SetContext()(previous_);
}

DpiLibraryHold::DpiLibraryHold() {
  if (!GetModuleHandleW(L"shcore.dll")) held_.reset(LoadLibraryW(L"shcore.dll"));
}

unsigned MonitorDpi(HMONITOR monitor) {
  const DpiLibraryHold library;  // loaded for the question where the process has not loaded it
  const auto dpiFor = Lookup<DpiForMonitorFunction>(GetModuleHandleW(L"shcore.dll"), "GetDpiForMonitor");
  UINT x = 0, y = 0;
  if (monitor && dpiFor && SUCCEEDED(dpiFor(monitor, kEffectiveDpi, &x, &y)) && y > 0) return y;
  return SystemDpi();
}

unsigned DpiOfMonitorAt(const RECT& rect) { return MonitorDpi(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST)); }

}  // namespace kesto
