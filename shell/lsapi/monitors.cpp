// A monitor layout played inside the stand-in shell's process. Xvfb shows one
// screen; with STANDIN_MONITORS (or StandInSetMonitors) set, the monitor
// functions of user32 that the shell's modules import answer with the layout
// instead: each module's own import of them is pointed here. The system's
// own libraries keep asking the real screen.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "shell/standin.h"

namespace {

struct Layout {
  bool Active = false;
  std::vector<RECT> Monitors;  // the first is the primary, as listed
  std::vector<unsigned> Devices;  // each one's device number: \\.\DISPLAYn, which stays with it
  std::vector<unsigned> Dpis;     // each one's DPI; 0 where the layout gives none (the system's)
};

Layout& TheLayout() {
  static Layout layout;
  return layout;
}

// "1024x768+0+0,1280x1024-1280+0": width x height, then the left and top
// edges; "#n" after one names its device (\\.\DISPLAYn), as a monitor keeps
// its device name when another is unplugged. Without it, its place in the
// list. "@dpi" after one gives its scale (192 for 200 %), as Windows gives
// each monitor its own.
bool ParseLayout(const std::string& text, std::vector<RECT>& monitors, std::vector<unsigned>& devices,
                 std::vector<unsigned>& dpis) {
  monitors.clear();
  devices.clear();
  dpis.clear();
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t comma = text.find(',', begin);
    std::string part = text.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin);
    begin = comma == std::string::npos ? text.size() : comma + 1;
    long width = 0, height = 0, left = 0, top = 0;
    unsigned device = static_cast<unsigned>(monitors.size() + 1);
    char xSign = '+', ySign = '+';
    unsigned dpi = 0;
    const std::size_t hash = part.find('#'), at = part.find('@');
    if (hash != std::string::npos && (std::sscanf(part.c_str() + hash + 1, "%u", &device) != 1 || device == 0))
      return false;
    if (at != std::string::npos && (std::sscanf(part.c_str() + at + 1, "%u", &dpi) != 1 || dpi < 48 || dpi > 960))
      return false;
    part.resize(std::min(hash, at) == std::string::npos ? part.size() : std::min(hash, at));
    dpis.push_back(dpi);
    if (std::sscanf(part.c_str(), "%ldx%ld%c%ld%c%ld", &width, &height, &xSign, &left, &ySign, &top) != 6 ||
        width <= 0 || height <= 0 || (xSign != '+' && xSign != '-') || (ySign != '+' && ySign != '-'))
      return false;
    devices.push_back(device);
    if (xSign == '-') left = -left;
    if (ySign == '-') top = -top;
    monitors.push_back({left, top, left + width, top + height});
  }
  return !monitors.empty();
}

constexpr std::uintptr_t kHandleBase = 0x4D4F0000;  // fake monitor handles: base + index + 1

HMONITOR HandleOf(std::size_t index) { return reinterpret_cast<HMONITOR>(kHandleBase + index + 1); }

long long DistanceSquared(const RECT& r, LONG x, LONG y) {
  long long dx = x < r.left ? r.left - x : x >= r.right ? x - r.right + 1 : 0;
  long long dy = y < r.top ? r.top - y : y >= r.bottom ? y - r.bottom + 1 : 0;
  return dx * dx + dy * dy;
}

HMONITOR Fallback(DWORD flags, std::size_t nearest) {
  if (flags == MONITOR_DEFAULTTONULL) return nullptr;
  return HandleOf(flags == MONITOR_DEFAULTTOPRIMARY ? 0 : nearest);
}

// The system's own function of that name, for when no layout is played.
template <class Fn>
Fn Real(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

HMONITOR WINAPI FakeMonitorFromPoint(POINT point, DWORD flags) {
  if (!TheLayout().Active) return Real<decltype(&MonitorFromPoint)>("MonitorFromPoint")(point, flags);
  const auto& monitors = TheLayout().Monitors;
  std::size_t nearest = 0;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    if (PtInRect(&monitors[i], point)) return HandleOf(i);
    if (DistanceSquared(monitors[i], point.x, point.y) < DistanceSquared(monitors[nearest], point.x, point.y))
      nearest = i;
  }
  return Fallback(flags, nearest);
}

HMONITOR WINAPI FakeMonitorFromRect(LPCRECT rect, DWORD flags) {
  if (!TheLayout().Active) return Real<decltype(&MonitorFromRect)>("MonitorFromRect")(rect, flags);
  const auto& monitors = TheLayout().Monitors;
  long long bestArea = 0;
  std::size_t best = 0;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    RECT common{};
    if (!IntersectRect(&common, &monitors[i], rect)) continue;
    long long area = static_cast<long long>(common.right - common.left) * (common.bottom - common.top);
    if (area > bestArea) {
      bestArea = area;
      best = i;
    }
  }
  if (bestArea > 0) return HandleOf(best);
  // None shares a pixel: the one nearest to the rectangle's centre.
  POINT centre{(rect->left + rect->right) / 2, (rect->top + rect->bottom) / 2};
  std::size_t nearest = 0;
  for (std::size_t i = 0; i < monitors.size(); ++i)
    if (DistanceSquared(monitors[i], centre.x, centre.y) < DistanceSquared(monitors[nearest], centre.x, centre.y))
      nearest = i;
  return Fallback(flags, nearest);
}

HMONITOR WINAPI FakeMonitorFromWindow(HWND window, DWORD flags) {
  if (!TheLayout().Active) return Real<decltype(&MonitorFromWindow)>("MonitorFromWindow")(window, flags);
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return Fallback(flags, 0);
  return FakeMonitorFromRect(&rect, flags);
}

bool IndexOf(HMONITOR monitor, std::size_t& index) {
  auto value = reinterpret_cast<std::uintptr_t>(monitor);
  if (value <= kHandleBase || value > kHandleBase + TheLayout().Monitors.size()) return false;
  index = value - kHandleBase - 1;
  return true;
}

BOOL WINAPI FakeGetMonitorInfoA(HMONITOR monitor, LPMONITORINFO info) {
  if (!TheLayout().Active) return Real<decltype(&GetMonitorInfoA)>("GetMonitorInfoA")(monitor, info);
  std::size_t index = 0;
  if (!info || !IndexOf(monitor, index) || info->cbSize < sizeof(MONITORINFO)) return FALSE;
  info->rcMonitor = TheLayout().Monitors[index];
  info->rcWork = info->rcMonitor;
  info->dwFlags = index == 0 ? MONITORINFOF_PRIMARY : 0;
  if (info->cbSize >= sizeof(MONITORINFOEXA)) {
    auto* ex = reinterpret_cast<MONITORINFOEXA*>(info);
    std::snprintf(ex->szDevice, sizeof ex->szDevice, "\\\\.\\DISPLAY%u", TheLayout().Devices[index]);
  }
  return TRUE;
}

BOOL WINAPI FakeGetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info) {
  if (!TheLayout().Active) return Real<decltype(&GetMonitorInfoW)>("GetMonitorInfoW")(monitor, info);
  if (info && info->cbSize >= sizeof(MONITORINFOEXW)) {
    MONITORINFO plain{};
    plain.cbSize = sizeof plain;
    if (!FakeGetMonitorInfoA(monitor, &plain)) return FALSE;
    std::memcpy(info, &plain, sizeof plain);
    info->cbSize = sizeof(MONITORINFOEXW);
    std::size_t index = 0;
    IndexOf(monitor, index);
    std::swprintf(reinterpret_cast<MONITORINFOEXW*>(info)->szDevice, CCHDEVICENAME, L"\\\\.\\DISPLAY%u",
                  TheLayout().Devices[index]);
    return TRUE;
  }
  return FakeGetMonitorInfoA(monitor, info);
}

BOOL WINAPI FakeEnumDisplayMonitors(HDC dc, LPCRECT clip, MONITORENUMPROC visit, LPARAM data) {
  if (!TheLayout().Active)
    return Real<decltype(&EnumDisplayMonitors)>("EnumDisplayMonitors")(dc, clip, visit, data);
  const auto monitors = TheLayout().Monitors;  // a copy: the callback may change the layout
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    RECT shown = monitors[i];
    if (clip && !IntersectRect(&shown, &monitors[i], clip)) continue;
    if (!visit(HandleOf(i), nullptr, &shown, data)) break;
  }
  return TRUE;
}

int WINAPI FakeGetSystemMetrics(int index) {
  if (!TheLayout().Active) return Real<decltype(&GetSystemMetrics)>("GetSystemMetrics")(index);
  const auto& monitors = TheLayout().Monitors;
  RECT all = monitors[0];
  for (const RECT& m : monitors) UnionRect(&all, &all, &m);
  switch (index) {
    case SM_CXSCREEN:
      return monitors[0].right - monitors[0].left;
    case SM_CYSCREEN:
      return monitors[0].bottom - monitors[0].top;
    case SM_XVIRTUALSCREEN:
      return all.left;
    case SM_YVIRTUALSCREEN:
      return all.top;
    case SM_CXVIRTUALSCREEN:
      return all.right - all.left;
    case SM_CYVIRTUALSCREEN:
      return all.bottom - all.top;
    case SM_CMONITORS:
      return static_cast<int>(monitors.size());
    default:
      return Real<decltype(&GetSystemMetrics)>("GetSystemMetrics")(index);
  }
}

// The DPI of a monitor of the layout (shcore's GetDpiForMonitor, as a module
// finds it at run time).
HRESULT WINAPI FakeGetDpiForMonitor(HMONITOR monitor, int type, UINT* x, UINT* y) {
  std::size_t index = 0;
  if (!x || !y || !IndexOf(monitor, index)) return E_INVALIDARG;
  unsigned dpi = TheLayout().Dpis[index];
  if (dpi == 0) {
    HDC screen = GetDC(nullptr);
    dpi = static_cast<unsigned>(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
  }
  (void)type;
  *x = *y = dpi;
  return S_OK;
}

FARPROC WINAPI FakeGetProcAddress(HMODULE module, LPCSTR name) {
  const bool byName = reinterpret_cast<std::uintptr_t>(name) > 0xFFFF;
  if (TheLayout().Active && byName && std::strcmp(name, "GetDpiForMonitor") == 0)
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(FakeGetDpiForMonitor));
  return GetProcAddress(module, name);
}

struct Replacement {
  const char* Library;
  const char* Name;
  void* Fake;
};

const Replacement kReplacements[] = {
    {"user32.dll", "MonitorFromPoint", reinterpret_cast<void*>(FakeMonitorFromPoint)},
    {"user32.dll", "MonitorFromRect", reinterpret_cast<void*>(FakeMonitorFromRect)},
    {"user32.dll", "MonitorFromWindow", reinterpret_cast<void*>(FakeMonitorFromWindow)},
    {"user32.dll", "GetMonitorInfoA", reinterpret_cast<void*>(FakeGetMonitorInfoA)},
    {"user32.dll", "GetMonitorInfoW", reinterpret_cast<void*>(FakeGetMonitorInfoW)},
    {"user32.dll", "EnumDisplayMonitors", reinterpret_cast<void*>(FakeEnumDisplayMonitors)},
    {"user32.dll", "GetSystemMetrics", reinterpret_cast<void*>(FakeGetSystemMetrics)},
    {"kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(FakeGetProcAddress)},
};

// Points the module's imports of the monitor functions at the layout's.
void Redirect(HMODULE module) {
  auto* base = reinterpret_cast<unsigned char*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return;
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!imports.VirtualAddress) return;
  for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name; ++entry) {
    const char* library = reinterpret_cast<const char*>(base + entry->Name);
    if ((lstrcmpiA(library, "user32.dll") != 0 && lstrcmpiA(library, "kernel32.dll") != 0) ||
        !entry->OriginalFirstThunk)
      continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
    auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++addresses) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const char* name = reinterpret_cast<const char*>(
          reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name);
      for (const Replacement& replacement : kReplacements) {
        if (std::strcmp(name, replacement.Name) != 0 || lstrcmpiA(library, replacement.Library) != 0) continue;
        DWORD old = 0;
        VirtualProtect(&addresses->u1.Function, sizeof(void*), PAGE_READWRITE, &old);
        addresses->u1.Function = reinterpret_cast<DWORD_PTR>(replacement.Fake);
        VirtualProtect(&addresses->u1.Function, sizeof(void*), old, &old);
      }
    }
  }
}

// The modules of the shell's process that are not the system's: the shell
// program and what it loaded from beside itself or elsewhere.
void RedirectEveryModule() {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  // Not this library itself: its answers come from the real functions.
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&RedirectEveryModule), &self);
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  MODULEENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
    const std::string path = entry.szExePath;
    auto under = [&](const char* folder) { return _strnicmp(path.c_str(), folder, std::strlen(folder)) == 0; };
    if (under(system) || under(windows) || entry.hModule == self) continue;
    Redirect(entry.hModule);
  }
  CloseHandle(snapshot);
}

BOOL CALLBACK TellOfDisplayChange(HWND window, LPARAM) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  const int width = FakeGetSystemMetrics(SM_CXSCREEN), height = FakeGetSystemMetrics(SM_CYSCREEN);
  if (process == GetCurrentProcessId()) SendMessageA(window, WM_DISPLAYCHANGE, 24, MAKELPARAM(width, height));
  return TRUE;
}

}  // namespace

extern "C" {

BOOL StandInSetMonitors(const char* layout) {
  static bool redirected = false;
  std::vector<RECT> monitors;
  std::vector<unsigned> devices, dpis;
  const bool none = !layout || !layout[0];
  if (!none && !ParseLayout(layout, monitors, devices, dpis)) return FALSE;
  const bool wasActive = TheLayout().Active;
  TheLayout().Monitors = monitors;
  TheLayout().Devices = devices;
  TheLayout().Dpis = dpis;
  TheLayout().Active = !none;
  if (!none) RedirectEveryModule();
  redirected = redirected || !none;
  // As Windows does when monitors change: every top-level window is told.
  if (redirected && (wasActive || !none)) EnumWindows(TellOfDisplayChange, 0);
  return TRUE;
}

void StandInApplyMonitors(HMODULE module) {
  if (TheLayout().Active && module) Redirect(module);
}

}  // extern "C"

// The layout the stand-in starts with, from the environment.
void StandInMonitorsFromEnvironment() {
  char layout[512] = {};
  if (!GetEnvironmentVariableA("STANDIN_MONITORS", layout, sizeof layout) || !layout[0]) return;
  std::vector<RECT> monitors;
  std::vector<unsigned> devices, dpis;
  if (!ParseLayout(layout, monitors, devices, dpis)) return;
  TheLayout().Monitors = monitors;
  TheLayout().Devices = devices;
  TheLayout().Dpis = dpis;
  TheLayout().Active = true;
  RedirectEveryModule();
}
