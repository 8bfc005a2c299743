// The picture of an alpha box: a box whose background image has an alpha
// channel. It is a layered window updated with UpdateLayeredWindow from a
// premultiplied picture, which draws no child windows: the picture holds the
// background, the labels and every shown button in its current state.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "base/bitmap_pixels.h"

namespace kesto {

struct TAlphaFrame {
  TDibPicture Picture;                 // what the window shows
  std::vector<std::uint32_t> Background;  // background and labels, premultiplied
  BYTE ConstantAlpha = 255;            // KestoAlphaTransparency, as the blend's constant alpha
};

}  // namespace kesto
