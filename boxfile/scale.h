// How a box's numbers (logical pixels: pixels at 96 DPI and 100 %) become
// the device pixels it is drawn in: the monitor's DPI over 96, times the
// box's zoom. At 96 DPI and zoom 100 every number is kept as it is.
#pragma once

#include <cstdint>
#include <string>

namespace kesto {

constexpr unsigned kLogicalDpi = 96;

struct TScale {
  std::int64_t Device = 1;   // so many device pixels
  std::int64_t Logical = 1;  // for so many logical ones

  bool Identity() const { return Device == Logical; }
  double Factor() const { return static_cast<double>(Device) / static_cast<double>(Logical); }
  // A logical number in device pixels, rounded to the nearest (halves away from 0).
  std::int32_t ToDevice(std::int32_t logical) const;
  // A device number in logical pixels, rounded the same way: what position memory writes.
  std::int32_t ToLogical(std::int32_t device) const;
  bool operator==(const TScale& other) const {
    return Device * other.Logical == other.Device * Logical;
  }
  bool operator!=(const TScale& other) const { return !(*this == other); }
};

// The scale of a box on a monitor of this DPI at this zoom (percent); with
// DPI scaling off, the monitor's DPI counts as 96.
TScale ScaleFor(unsigned dpi, std::int32_t zoomPercent, bool dpiScaling);

// The zoom a KestoZoom value asks for: a percent from 10 to 1000; anything
// else (empty, not a number, out of range) is 100.
std::int32_t ZoomFromText(const char* text, bool& valid);

// The name of an image's form drawn for a higher scale, beside it:
// "art\\mail.png" with "@2x" is "art\\mail@2x.png"; a name without extension
// gets the suffix at its end.
std::string ScaledArtName(const std::string& name, const char* suffix);

}  // namespace kesto
