// The checks of one loaded box file.
#pragma once

#include <string>
#include <vector>

#include "boxfile/box_file.h"
#include "tools/check/checker.h"

namespace kestocheck {

// Runs every check on a loaded box file; raw holds its lines as written.
void CheckLoadedBoxFile(const std::string& path, kesto::TBoxHeader& header, std::vector<std::string> raw,
                        const Options& options, std::vector<Diagnostic>& out, Groups& groups);

}  // namespace kestocheck
