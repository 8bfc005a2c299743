#include "boxfile/resample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>

#include "boxfile/premultiplied.h"

namespace kesto {
namespace {

using Channels = std::array<double, 4>;  // premultiplied b, g, r and a, 0..255

// For each pixel of an axis of `to` pixels, the source pixels of an axis of
// `from` it is made of, and their weights (summing to 1).
struct Taps {
  std::vector<int> First;
  std::vector<std::vector<double>> Weights;
};

Taps TapsFor(int from, int to) {
  Taps taps;
  taps.First.resize(static_cast<std::size_t>(to));
  taps.Weights.resize(static_cast<std::size_t>(to));
  const double ratio = static_cast<double>(from) / to;
  const double radius = std::max(1.0, ratio);
  for (int i = 0; i < to; ++i) {
    const double centre = (i + 0.5) * ratio - 0.5;
    const int first = std::max(0, static_cast<int>(std::floor(centre - radius)) + 1);
    const int last = std::min(from - 1, static_cast<int>(std::ceil(centre + radius)) - 1);
    std::vector<double>& weights = taps.Weights[static_cast<std::size_t>(i)];
    double sum = 0;
    for (int x = first; x <= last; ++x) {
      const double w = std::max(0.0, 1.0 - std::fabs(x - centre) / radius);
      weights.push_back(w);
      sum += w;
    }
    if (weights.empty() || sum <= 0) {  // a point between samples at the very edge
      const int nearest = std::clamp(static_cast<int>(std::lround(centre)), 0, from - 1);
      taps.First[static_cast<std::size_t>(i)] = nearest;
      weights.assign(1, 1.0);
      continue;
    }
    for (double& w : weights) w /= sum;
    taps.First[static_cast<std::size_t>(i)] = first;
  }
  return taps;
}

Channels Spread(std::uint32_t straight, bool alpha) {
  const std::uint32_t r = (straight >> 16) & 255, g = (straight >> 8) & 255, b = straight & 255;
  const std::uint32_t a = alpha ? straight >> 24 : (IsKeyColour(r, g, b) ? 0u : 255u);
  const double scale = a / 255.0;
  return {b * scale, g * scale, r * scale, static_cast<double>(a)};
}

std::uint8_t Byte(double value) { return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

std::uint32_t Gather(const Channels& c, bool alpha) {
  if (c[3] <= 0.0) return alpha ? 0u : 0xFFFF00FFu;
  const double unscale = 255.0 / c[3];
  const std::uint32_t a = alpha ? Byte(c[3]) : 255u;
  return (a << 24) | (static_cast<std::uint32_t>(Byte(c[2] * unscale)) << 16) |
         (static_cast<std::uint32_t>(Byte(c[1] * unscale)) << 8) | Byte(c[0] * unscale);
}

}  // namespace

TPixels Resample(const TPixels& source, int width, int height, bool alpha) {
  TPixels out;
  if (width <= 0 || height <= 0 || source.Width <= 0 || source.Height <= 0 ||
      source.Data.size() != static_cast<std::size_t>(source.Width) * source.Height)
    return out;
  out.Width = width;
  out.Height = height;
  if (width == source.Width && height == source.Height) {
    out.Data = source.Data;
    return out;
  }
  const Taps across = TapsFor(source.Width, width);
  const Taps down = TapsFor(source.Height, height);
  // One source row at the new width.
  auto filterRow = [&](int y) {
    std::vector<Channels> filtered(static_cast<std::size_t>(width));
    const std::uint32_t* row = &source.Data[static_cast<std::size_t>(y) * source.Width];
    for (int x = 0; x < width; ++x) {
      Channels sum{};
      const std::vector<double>& weights = across.Weights[static_cast<std::size_t>(x)];
      const int first = across.First[static_cast<std::size_t>(x)];
      for (std::size_t k = 0; k < weights.size(); ++k) {
        const Channels c = Spread(row[first + static_cast<int>(k)], alpha);
        for (int i = 0; i < 4; ++i) sum[static_cast<std::size_t>(i)] += c[static_cast<std::size_t>(i)] * weights[k];
      }
      filtered[static_cast<std::size_t>(x)] = sum;
    }
    return filtered;
  };
  // The source pixel under a pixel's centre, in whole numbers: the same on
  // every processor, so the key's edge never moves by a pixel.
  auto under = [](int at, int from, int to) {
    return std::min(from - 1, static_cast<int>((2LL * at + 1) * from / (2LL * to)));
  };
  out.Data.resize(static_cast<std::size_t>(width) * height);
  // Only the source rows the current output row reads are kept, each filtered
  // once: memory stays a few rows, whatever the image's size.
  std::deque<std::vector<Channels>> rows;
  int rowsFirst = 0;
  for (int y = 0; y < height; ++y) {
    const std::vector<double>& weights = down.Weights[static_cast<std::size_t>(y)];
    const int first = down.First[static_cast<std::size_t>(y)];
    if (rowsFirst > first) rows.clear();  // never: the rows read only move down
    while (!rows.empty() && rowsFirst < first) {
      rows.pop_front();
      ++rowsFirst;
    }
    if (rows.empty()) rowsFirst = first;
    while (rowsFirst + static_cast<int>(rows.size()) < first + static_cast<int>(weights.size()))
      rows.push_back(filterRow(rowsFirst + static_cast<int>(rows.size())));
    const int underY = under(y, source.Height, height);
    for (int x = 0; x < width; ++x) {
      std::uint32_t& pixel = out.Data[static_cast<std::size_t>(y) * width + x];
      if (!alpha) {
        // The key is decided by the source pixel under the centre alone.
        const int underX = under(x, source.Width, width);
        const std::uint32_t centre = source.Data[static_cast<std::size_t>(underY) * source.Width + underX];
        if (IsKeyColour((centre >> 16) & 255, (centre >> 8) & 255, centre & 255)) {
          pixel = 0xFFFF00FFu;
          continue;
        }
      }
      Channels sum{};
      for (std::size_t k = 0; k < weights.size(); ++k) {
        const Channels& c = rows[static_cast<std::size_t>(first - rowsFirst) + k][static_cast<std::size_t>(x)];
        for (int i = 0; i < 4; ++i) sum[static_cast<std::size_t>(i)] += c[static_cast<std::size_t>(i)] * weights[k];
      }
      pixel = Gather(sum, alpha);
      // An opaque blend of near-magenta colours must not turn see-through.
      if (!alpha && IsKeyColour((pixel >> 16) & 255, (pixel >> 8) & 255, pixel & 255)) pixel = (pixel & 0xFFFF00FFu) | 0x1100u;
    }
  }
  return out;
}

}  // namespace kesto
