// Fixed text labels, drawn once into the box's picture.
#pragma once

#include "boxfile/box_file.h"
#include "content/content_host.h"

namespace kesto {
// Draws the *Text labels in the box's font and colour; returns the colour.
// With coverageOnly they are drawn in white, for a box that blends them into
// a picture with alpha by how much of each pixel the glyphs cover.
COLORREF DrawTexts(TBoxHeader& header, const TContentHost& host, bool coverageOnly = false);
}  // namespace kesto
