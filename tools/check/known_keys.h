// The keys Kesto reads from a box file, and how each is read.
#pragma once

#include <map>
#include <string>

#include "boxfile/box_rules.h"
#include "boxfile/key_slips.h"

namespace kestocheck {

using kesto::KeyKind;
using kesto::kContentKeys;
using kesto::EditDistance;
using kesto::NearestKey;

// The module's own key table, by name.
const std::map<std::string, KeyKind>& KnownKeys();
// The bang commands a theme can name: Kesto's own and the shell's built-ins.
bool IsKnownBang(const std::string& name);
// The known bang nearest to a misspelt one, or empty when none is close.
std::string NearestBang(const std::string& name);

}  // namespace kestocheck
