// Images drawn at another size than they were made at: a tent filter that
// reads as bilinear when enlarging and averages every covered pixel when
// shrinking, on colour premultiplied by alpha so that see-through pixels
// never darken or tint their neighbours.
#pragma once

#include "boxfile/pixels.h"

namespace kesto {

// The image (its colour not premultiplied) at width x height. With alpha, its alpha is filtered with its
// colour. Without (keyed), every pixel is opaque but magenta, which is
// see-through: a pixel comes out exactly magenta where the source pixel
// under its centre is, and otherwise from its other neighbours only, so
// the key survives exactly and leaves no magenta fringe.
TPixels Resample(const TPixels& source, int width, int height, bool alpha);

}  // namespace kesto
