// The monitors of the desktop, numbered as box files name them. When a run
// of Kesto first looks, monitor 1 is the primary and the others follow in
// order of their left edge, then their top edge, so the numbers stay the same
// whatever order the system lists them in. From then on, for the whole run, a
// monitor keeps its number by its device name: unplugging one leaves the
// others' numbers as they were, and it takes its own number again when it
// comes back; a monitor never seen before gets the next free number.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kesto {

struct MonitorSet {
  std::vector<RECT> Monitors;  // [0] is monitor 1; one that is not there now has an empty rectangle
  std::vector<bool> Present;
  int Primary = 1;  // the number of the primary monitor: where a box whose monitor is gone is shown

  int Count() const { return static_cast<int>(Monitors.size()); }
  bool Has(int number) const { return number >= 1 && number <= Count() && Present[static_cast<std::size_t>(number - 1)]; }
  const RECT& Monitor(int number) const { return Monitors[static_cast<std::size_t>(number - 1)]; }
  // Monitor `number`, or the primary where that one is not there.
  const RECT& MonitorOrPrimary(int number) const { return Monitor(Has(number) ? number : Primary); }
  // The number of the monitor whose rectangle this is; the primary's when none is.
  int NumberOf(const RECT& monitor) const;
  // "1 (1024x768 at 0,0), 2 (1280x1024 at -1280,0)"; monitors not there are left out.
  std::string Describe() const;
};

// As the system reports them now; the primary's size comes from the screen metrics.
MonitorSet CurrentMonitors();
// The rectangle of the monitor under the point, or the nearest one.
RECT MonitorAt(POINT point);
// The number of the monitor that holds most of the rectangle (the nearest
// when none holds any of it).
int MonitorHoldingMost(const MonitorSet& monitors, const RECT& rect);

}  // namespace kesto
