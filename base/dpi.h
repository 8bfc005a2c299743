// The scale of the monitors, read the same way whatever the shell process
// declares. Kesto's windows are made per-monitor DPI aware (version 2 where
// the system has it, else version 1; as the process is where neither
// exists), so the system never stretches them: a box draws itself sharp at
// its monitor's scale. The functions are looked up at run time, so Kesto
// still loads on systems without them.
#pragma once

#include <windows.h>

namespace kesto {

// Makes the calling thread per-monitor DPI aware for its life, and puts back
// what it was after. Kesto's entries and window creation run inside one, so
// every coordinate Kesto reads or sets is in device pixels of its monitor.
class DpiAwareScope {
 public:
  DpiAwareScope();
  ~DpiAwareScope();
  DpiAwareScope(const DpiAwareScope&) = delete;
  DpiAwareScope& operator=(const DpiAwareScope&) = delete;

 private:
  void* previous_ = nullptr;
  bool set_ = false;
};

// The DPI of the monitor (96 at 100 %); the system's DPI where the system
// cannot tell monitors apart.
unsigned MonitorDpi(HMONITOR monitor);
unsigned DpiOfMonitorAt(const RECT& rect);

}  // namespace kesto
