// A picture's pixels as plain numbers: rows top-down, 0xAARRGGBB each.
#pragma once

#include <cstdint>
#include <vector>

namespace kesto {

struct TPixels {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Data;  // rows top-down, 0xAARRGGBB
};

}  // namespace kesto
