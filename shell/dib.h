// The one bitmap layout the stand-in reads and writes pixels in: 32 bits a
// pixel, rows top-down, 0x00RRGGBB each; the module's own.
#pragma once

#include <windows.h>

#include "base/bitmap_pixels.h"

namespace standin {

using kesto::TopDown32BitInfo;

}  // namespace standin
