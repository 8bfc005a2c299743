// Fixed text labels, drawn once into the box's picture.
#pragma once

namespace kesto {
struct TBox;
void DrawTexts(TBox& box);
}  // namespace kesto
