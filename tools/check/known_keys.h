// The keys Kesto reads from a box file, and how each is read.
#pragma once

#include <map>
#include <string>

namespace kestocheck {

enum class KeyKind { Integer, Text, Presence, FourNumbers, Colour, Image };

const std::map<std::string, KeyKind>& KnownKeys();
extern const char* const kContentKeys[4];
// The known key nearest to a misspelt one, or empty when none is close.
std::string NearestKey(const std::string& key);

}  // namespace kestocheck
