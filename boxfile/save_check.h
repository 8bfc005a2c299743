// Whether a box file just saved is one an editor has finished writing: an
// empty file, bytes that are not text, or a file cut short before its
// background line are the middle of a save (or a mistake), not a new box.
#pragma once

#include <string>

#include "boxfile/box_file.h"

namespace kesto {

// Why these contents are not a box to build, or "" when they are. A file
// whose box had a background line must still have one.
std::string UnfinishedSaveReason(const std::string& bytes, const TBoxHeader& parsed, bool wantsBackground);

}  // namespace kesto
