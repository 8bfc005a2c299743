// Where a box stands, kept as its file means it (a monitor, and offsets in it
// that count from its far edges when negative, in logical pixels), and turned
// into screen pixels at the box's scale in one place, which a change of the
// monitors can call again.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/monitors.h"
#include "boxfile/box_file.h"
#include "boxfile/scale.h"
#include "boxfile/text_helpers.h"

namespace kesto {

struct TPlace {
  int Monitor = 1;
  std::int32_t X = 0;
  std::int32_t Y = 0;

  bool operator==(const TPlace& other) const { return Monitor == other.Monitor && X == other.X && Y == other.Y; }
  bool operator!=(const TPlace& other) const { return !(*this == other); }
};

// The place a box file gives: its KestoMonitor, KestoX and KestoY as written.
TPlace PlaceInFile(TBoxHeader& file);
// The screen position of a place for a box of this size. A place on a
// monitor that is not there is shown on monitor 1 at the same offsets, pulled
// wholly inside it; rescued then says so.
POINT ScreenPosition(const TPlace& place, const MonitorSet& monitors, int width, int height, bool& rescued,
                     const TScale& scale = {});
// The place that reads back to where this rectangle stands: on the monitor
// that holds most of it; a box partly left of or above that monitor gets the
// negative offset that reads back to the same pixel, one beyond its far edge
// the remainder of the monitor's size.
TPlace PlaceOf(const RECT& rect, const MonitorSet& monitors, const TScale& scale = {});
// A snap area's four numbers on a monitor: negative values count from its far edges.
RECT SnapAreaOn(const TFourNumbers& area, const RECT& monitor, const TScale& scale = {});
// Whether the rectangle shows on no monitor at all.
bool OutsideEveryMonitor(const RECT& rect, const MonitorSet& monitors);
// The position that puts a box of this size wholly inside the monitor (its
// top-left corner kept inside when the box is larger).
POINT PulledInside(POINT position, int width, int height, const RECT& monitor);

}  // namespace kesto
