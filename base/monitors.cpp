#include "base/monitors.h"

#include <algorithm>
#include <new>

#include "base/module_state.h"
#include "base/wide_text.h"

namespace kesto {
namespace {

struct Found {
  RECT Rect;
  bool Primary;
  std::string Device;  // who it is: its device name, or its rectangle when it has none
};

// The device of each number given in this run ([0] is monitor 1).
struct KnownMonitors {
  unsigned Run = 0;
  std::vector<std::string> Devices;
};
KnownMonitors Known;

struct Collection {
  std::vector<Found> Monitors;
  bool Failed = false;
};

// Called by the system: nothing may be thrown through it.
BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) noexcept {
  auto& collection = *reinterpret_cast<Collection*>(data);
  MONITORINFOEXW info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  try {
    const RECT& r = info.rcMonitor;
    std::string device = Utf8(info.szDevice);
    if (device.empty())
      device = "@" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
               std::to_string(r.bottom);
    collection.Monitors.push_back({r, (info.dwFlags & MONITORINFOF_PRIMARY) != 0, device});
  } catch (...) {
    collection.Failed = true;
    return FALSE;
  }
  return TRUE;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT RectOf(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor && GetMonitorInfoA(monitor, &info)) return info.rcMonitor;
  return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace

int MonitorSet::NumberOf(const RECT& monitor) const {
  for (int number = 1; number <= Count(); ++number)
    if (Has(number) && SameRect(Monitor(number), monitor)) return number;
  return Primary;
}

std::string MonitorSet::Describe() const {
  std::string text;
  for (int number = 1; number <= Count(); ++number) {
    if (!Has(number)) continue;
    const RECT& r = Monitor(number);
    if (!text.empty()) text += ", ";
    text += std::to_string(number) + " (" + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
            " at " + std::to_string(r.left) + "," + std::to_string(r.top) + ")";
  }
  return text;
}

MonitorSet CurrentMonitors() {
  Collection collection;
  EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&collection));
  if (collection.Failed) throw std::bad_alloc();
  std::vector<Found> found = std::move(collection.Monitors);
  // The primary sits at the origin, its size as the screen metrics give it.
  const RECT primaryRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  auto primary = std::find_if(found.begin(), found.end(), [](const Found& m) { return m.Primary; });
  if (primary == found.end()) {
    found.insert(found.begin(), {primaryRect, true, "@primary"});
  } else {
    primary->Rect = primaryRect;
    std::rotate(found.begin(), primary, primary + 1);
  }
  std::sort(found.begin() + 1, found.end(), [](const Found& a, const Found& b) {
    return a.Rect.left != b.Rect.left ? a.Rect.left < b.Rect.left : a.Rect.top < b.Rect.top;
  });
  // Two monitors that give one name (a mirror, a driver's quirk) are told apart by their order.
  for (std::size_t i = 1; i < found.size(); ++i) {
    int same = 1;
    for (std::size_t j = 0; j < i; ++j) same += found[j].Device == found[i].Device;
    if (same > 1) found[i].Device += "#" + std::to_string(same);
  }
  // A new run numbers the monitors afresh, by their places.
  if (Known.Run != RunNumber) {
    Known.Run = RunNumber;
    Known.Devices.clear();
  }
  std::vector<int> numbers(found.size(), 0);
  std::vector<bool> claimed(Known.Devices.size(), false);
  for (std::size_t i = 0; i < found.size(); ++i) {
    for (std::size_t n = 0; n < Known.Devices.size() && !numbers[i]; ++n) {
      if (claimed[n] || Known.Devices[n] != found[i].Device) continue;
      claimed[n] = true;
      numbers[i] = static_cast<int>(n + 1);
    }
  }
  // Monitors not seen before in this run: the next numbers, in place order.
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (numbers[i]) continue;
    Known.Devices.push_back(found[i].Device);
    claimed.push_back(true);
    numbers[i] = static_cast<int>(Known.Devices.size());
  }
  MonitorSet set;
  set.Monitors.assign(Known.Devices.size(), RECT{0, 0, 0, 0});
  set.Present.assign(Known.Devices.size(), false);
  for (std::size_t i = 0; i < found.size(); ++i) {
    set.Monitors[static_cast<std::size_t>(numbers[i] - 1)] = found[i].Rect;
    set.Present[static_cast<std::size_t>(numbers[i] - 1)] = true;
  }
  set.Primary = numbers[0];
  return set;
}

RECT MonitorAt(POINT point) { return RectOf(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST)); }

int MonitorHoldingMost(const MonitorSet& monitors, const RECT& rect) {
  return monitors.NumberOf(RectOf(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST)));
}

}  // namespace kesto
