// The keys Kesto reads from a box file, and how each is read.
#pragma once

#include <map>
#include <string>

#include "boxfile/box_rules.h"

namespace kestocheck {

using kesto::KeyKind;
using kesto::kContentKeys;

// The module's own key table, by name.
const std::map<std::string, KeyKind>& KnownKeys();
// The known key nearest to a misspelt one, or empty when none is close.
std::string NearestKey(const std::string& key);

}  // namespace kestocheck
