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
// The bang commands a theme can name: Kesto's own and the shell's built-ins.
bool IsKnownBang(const std::string& name);
// The known bang nearest to a misspelt one, or empty when none is close.
std::string NearestBang(const std::string& name);
// How many single-character edits turn one text into the other, a-z case ignored.
int EditDistance(const std::string& a, const std::string& b);

}  // namespace kestocheck
