// Pixels with per-pixel alpha, as 0xAARRGGBB words whose colour is
// premultiplied by their alpha (what UpdateLayeredWindow takes), and the
// blends a box composes its picture with.
#pragma once

#include <algorithm>
#include <cstdint>

namespace kesto {

inline std::uint8_t AlphaOf(std::uint32_t pixel) { return static_cast<std::uint8_t>(pixel >> 24); }

// c * a / 255, rounded to the nearest.
inline std::uint32_t ScaleChannel(std::uint32_t c, std::uint32_t a) { return (c * a + 127) / 255; }

// Magenta is see-through in every image: within 0x10 of 255,0,255 on each
// channel, as regions are cut.
inline bool IsKeyColour(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return r >= 0xEF && g <= 0x10 && b >= 0xEF;
}

// A straight pixel (0xAARRGGBB) premultiplied; magenta becomes see-through.
inline std::uint32_t Premultiply(std::uint32_t straight) {
  const std::uint32_t a = straight >> 24, r = (straight >> 16) & 255, g = (straight >> 8) & 255, b = straight & 255;
  if (a == 0 || IsKeyColour(r, g, b)) return 0;
  return (a << 24) | (ScaleChannel(r, a) << 16) | (ScaleChannel(g, a) << 8) | ScaleChannel(b, a);
}

// Premultiplied source over premultiplied destination.
inline std::uint32_t Over(std::uint32_t source, std::uint32_t destination) {
  const std::uint32_t keep = 255 - AlphaOf(source);
  if (keep == 255) return destination;
  if (keep == 0) return source;
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t s = (source >> shift) & 255, d = (destination >> shift) & 255;
    out |= std::min<std::uint32_t>(255, s + ScaleChannel(d, keep)) << shift;
  }
  return out;
}

// Ink of an opaque colour (0x00RRGGBB) laid over a pixel where a glyph covers
// coverage/255 of it: the glyph's inside opaque, its edges blended.
inline std::uint32_t InkOver(std::uint32_t colour, std::uint32_t coverage, std::uint32_t destination) {
  if (coverage == 0) return destination;
  const std::uint32_t r = (colour >> 16) & 255, g = (colour >> 8) & 255, b = colour & 255;
  const std::uint32_t ink = (coverage << 24) | (ScaleChannel(r, coverage) << 16) |
                            (ScaleChannel(g, coverage) << 8) | ScaleChannel(b, coverage);
  return Over(ink, destination);
}

}  // namespace kesto
