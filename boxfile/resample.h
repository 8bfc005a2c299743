// Images drawn at another size than they were made at: a tent filter that
// reads as bilinear when enlarging and averages every covered pixel when
// shrinking, on colour premultiplied by alpha so that see-through pixels
// never darken or tint their neighbours.
#pragma once

#include <cstdint>
#include <vector>

namespace kesto {

struct TStraightImage {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;  // rows top-down, 0xAARRGGBB, colour not premultiplied
};

// The image at width x height. With alpha, its alpha is filtered with its
// colour. Without (keyed), every pixel is opaque but magenta, which is
// see-through: a pixel comes out exactly magenta where the source pixel
// under its centre is, and otherwise from its other neighbours only, so
// the key survives exactly and leaves no magenta fringe.
TStraightImage Resample(const TStraightImage& source, int width, int height, bool alpha);

}  // namespace kesto
