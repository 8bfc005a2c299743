// Rebuilding boxes from their files, for !KestoReload and for boxes that
// rebuild themselves when their files are saved.
#pragma once

#include <cstdint>
#include <vector>

#include "box/box.h"

namespace kesto {

// Live, not asked to go and not being replaced: a box that can be rebuilt.
bool Reloadable(const TBox& box);

enum class ReloadCause : std::uint8_t {
  Bang,  // the user asked: a file that can't be read is reported in a message
  Save,  // a file was saved: what is wrong with it is said once in the log
  Rescale,  // it is to be drawn at another scale: as for a save
};

// Builds each box of these serials again from its file, where it stood, and
// only then takes the old one down (writing nothing into the file): the new
// box stands behind the old in the stacking order, shown or hidden as it
// was, until the old one goes. An edited position is taken from the file.
// A file that can't be read, or is plainly not a finished box file (empty,
// not text, cut short), leaves the old box as it stands. A box destroyed
// meanwhile is not built again; one made meanwhile is not touched.
void ReloadBoxes(const std::vector<std::uint32_t>& serials, ReloadCause cause);

}  // namespace kesto
