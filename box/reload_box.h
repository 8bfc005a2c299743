// Rebuilding boxes from their files, for !KestoReload and for boxes that
// rebuild themselves when their files are saved.
#pragma once

#include <cstdint>
#include <vector>

#include "box/box.h"

namespace kesto {

// Live and not asked to go: a box that can be rebuilt.
bool Reloadable(const TBox& box);

// Destroys the boxes of these serials (each position written back as at any
// teardown, when the box remembers it) and builds them again from their
// files where they stood, unless the file's position values changed since
// the box was built: an edited position is taken from the file. A box
// destroyed meanwhile is not built again; one made meanwhile is not touched.
void ReloadBoxes(const std::vector<std::uint32_t>& serials);

}  // namespace kesto
