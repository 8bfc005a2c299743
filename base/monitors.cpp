#include "base/monitors.h"

#include <algorithm>
#include <new>

namespace kesto {
namespace {

struct Found {
  RECT Rect;
  bool Primary;
};

struct Collection {
  std::vector<Found> Monitors;
  bool Failed = false;
};

// Called by the system: nothing may be thrown through it.
BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) noexcept {
  auto& collection = *reinterpret_cast<Collection*>(data);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoA(monitor, &info)) return TRUE;
  try {
    collection.Monitors.push_back({info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
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
    if (SameRect(Monitor(number), monitor)) return number;
  return 1;
}

std::string MonitorSet::Describe() const {
  std::string text;
  for (int number = 1; number <= Count(); ++number) {
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
  const std::vector<Found>& found = collection.Monitors;
  MonitorSet set;
  // The primary sits at the origin, its size as the screen metrics give it.
  set.Monitors.push_back({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
  std::vector<RECT> others;
  for (const Found& monitor : found)
    if (!monitor.Primary) others.push_back(monitor.Rect);
  std::sort(others.begin(), others.end(), [](const RECT& a, const RECT& b) {
    return a.left != b.left ? a.left < b.left : a.top < b.top;
  });
  set.Monitors.insert(set.Monitors.end(), others.begin(), others.end());
  return set;
}

RECT MonitorAt(POINT point) { return RectOf(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST)); }

int MonitorHoldingMost(const MonitorSet& monitors, const RECT& rect) {
  return monitors.NumberOf(RectOf(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST)));
}

}  // namespace kesto
