// The scale of the monitors, read the same way whatever the shell process
// declares. Kesto's windows are made per-monitor DPI aware (version 2 where
// the system has it, else version 1; as the process is where neither
// exists), so the system never stretches them: a box draws itself sharp at
// its monitor's scale. The functions are looked up at run time, so Kesto
// still loads on systems without them.
#pragma once

#include <windows.h>

#include "base/owned.h"

namespace kesto {

// Makes the calling thread per-monitor DPI aware for its life, and puts back
// what it was after. Kesto's entries and window creation run inside one, so
// every coordinate Kesto reads or sets is in device pixels of its monitor.
class DpiAwareScope {
 public:
  // With hostsOthers, windows made meanwhile may hold children of another
  // awareness (a box that hosts plug-ins), where the system allows it.
  explicit DpiAwareScope(bool hostsOthers = false);
  ~DpiAwareScope();
  DpiAwareScope(const DpiAwareScope&) = delete;
  DpiAwareScope& operator=(const DpiAwareScope&) = delete;

 private:
  void* previous_ = nullptr;  // the thread's context before; none when it was not changed
  int previousHosting_ = -1;  // the thread's hosting behaviour before, where it was changed
};

// A plug-in's code runs as the shell's own does: the calling thread gets back
// the awareness it had when Kesto's outermost scope began, for the scope's
// life (a plug-in written for the shell expects the shell's coordinates;
// where the system offers mixed hosting, one that is not aware is scaled by
// the system inside a sharp box).
class ShellDpiScope {
 public:
  ShellDpiScope();
  ~ShellDpiScope();
  ShellDpiScope(const ShellDpiScope&) = delete;
  ShellDpiScope& operator=(const ShellDpiScope&) = delete;

 private:
  void* previous_ = nullptr;  // the thread's context before; none when it was not changed
};

// Keeps the system's library that knows each monitor's DPI loaded for its
// life, so that a run of questions (every box, after a move) loads it once.
class DpiLibraryHold {
 public:
  DpiLibraryHold();

 private:
  OwnedLibrary held_;  // only where the process had not loaded it
};

// The DPI of the monitor (96 at 100 %); the system's DPI where the system
// cannot tell monitors apart.
unsigned MonitorDpi(HMONITOR monitor);
unsigned DpiOfMonitorAt(const RECT& rect);

}  // namespace kesto
