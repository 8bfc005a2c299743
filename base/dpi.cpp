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
  set_ = previous_ != nullptr;
  if (set_ && ScopeDepth++ == 0) ShellContext = previous_;
  if (HostingFunction hosting = hostsOthers && set_ ? SetHosting() : nullptr) previousHosting_ = hosting(kMixedHosting);
}

DpiAwareScope::~DpiAwareScope() {
  if (previousHosting_ >= 0) SetHosting()(previousHosting_);
  if (!set_) return;
  SetContext()(previous_);
  if (--ScopeDepth == 0) ShellContext = nullptr;
}

ShellDpiScope::ShellDpiScope() {
  SetContextFunction set = SetContext();
  if (!set) return;
  if (!ShellContext) return;
  previous_ = set(ShellContext);
  set_ = previous_ != nullptr;
}

ShellDpiScope::~ShellDpiScope() {
  if (set_) SetContext()(previous_);
}

unsigned MonitorDpi(HMONITOR monitor) {
  // The library that knows each monitor's DPI: used where the process has it
  // loaded, else loaded for the question and let go after.
  HMODULE loaded = GetModuleHandleW(L"shcore.dll");
  HMODULE held = loaded ? nullptr : LoadLibraryW(L"shcore.dll");
  const DpiForMonitorFunction dpiFor = Lookup<DpiForMonitorFunction>(loaded ? loaded : held, "GetDpiForMonitor");
  UINT x = 0, y = 0;
  const bool known = monitor && dpiFor && SUCCEEDED(dpiFor(monitor, kEffectiveDpi, &x, &y)) && y > 0;
  if (held) FreeLibrary(held);
  return known ? y : SystemDpi();
}

unsigned DpiOfMonitorAt(const RECT& rect) { return MonitorDpi(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST)); }

}  // namespace kesto
