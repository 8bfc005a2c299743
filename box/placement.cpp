#include "box/placement.h"

#include <algorithm>

namespace kesto {
namespace {

// An offset within a monitor of this extent that reads back to `offset`.
std::int32_t WrittenOffset(std::int32_t offset, std::int32_t extent) {
  if (extent <= 0) return offset;
  if (offset < 0) return offset - extent;  // read as counted from the far edge: the same pixel
  return offset % extent;                  // beyond the far edge: onto the monitor, as always
}

}  // namespace

TPlace PlaceInFile(TBoxHeader& file) {
  return {ReadBoxInt(file, "KestoMonitor", 1), ReadBoxInt(file, "KestoX", 0), ReadBoxInt(file, "KestoY", 0)};
}

POINT PulledInside(POINT position, int width, int height, const RECT& monitor) {
  position.x = std::min<LONG>(position.x, monitor.right - width);
  position.y = std::min<LONG>(position.y, monitor.bottom - height);
  position.x = std::max<LONG>(position.x, monitor.left);
  position.y = std::max<LONG>(position.y, monitor.top);
  return position;
}

POINT ScreenPosition(const TPlace& place, const MonitorSet& monitors, int width, int height, bool& rescued,
                     const TScale& scale) {
  rescued = !monitors.Has(place.Monitor);
  const RECT& monitor = monitors.MonitorOrPrimary(place.Monitor);
  POINT position{monitor.left + ScreenRelative(scale.ToDevice(place.X), monitor.right - monitor.left),
                 monitor.top + ScreenRelative(scale.ToDevice(place.Y), monitor.bottom - monitor.top)};
  return rescued ? PulledInside(position, width, height, monitor) : position;
}

TPlace PlaceOf(const RECT& rect, const MonitorSet& monitors, const TScale& scale) {
  TPlace place;
  place.Monitor = MonitorHoldingMost(monitors, rect);
  const RECT& monitor = monitors.Monitor(place.Monitor);
  place.X = scale.ToLogical(WrittenOffset(rect.left - monitor.left, monitor.right - monitor.left));
  place.Y = scale.ToLogical(WrittenOffset(rect.top - monitor.top, monitor.bottom - monitor.top));
  return place;
}

RECT SnapAreaOn(const TFourNumbers& area, const RECT& monitor, const TScale& scale) {
  const std::int32_t width = monitor.right - monitor.left, height = monitor.bottom - monitor.top;
  auto at = [&](std::int32_t value, std::int32_t extent) { return ScreenRelative(scale.ToDevice(value), extent); };
  return {monitor.left + at(area.Left, width), monitor.top + at(area.Top, height), monitor.left + at(area.Right, width),
          monitor.top + at(area.Bottom, height)};
}

bool OutsideEveryMonitor(const RECT& rect, const MonitorSet& monitors) {
  for (const RECT& monitor : monitors.Monitors) {
    RECT common{};
    if (IntersectRect(&common, &monitor, &rect)) return false;
  }
  return true;
}

}  // namespace kesto
