// The rules of the box file format that the module and the author tools
// share: the key table with its defaults, the sentinels that mean "absent",
// and the test and arithmetic of tiled backgrounds. Written once, here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "boxfile/text_helpers.h"

namespace kesto {

// Defaults that no real value is expected to equal: a value equal to its
// sentinel counts as absent.
inline constexpr const char* kNoSnapArea = "nOpE";
inline constexpr const char* kNoAlpha = "NoPE";

enum class KeyKind { Integer, Text, Presence, FourNumbers, Colour, Image };

struct TBoxKey {
  const char* Name;
  KeyKind Kind;
  const char* Default;  // as the module reads the key; empty for presence keys
};

// Every single key of a box file, in the order a box reads them.
const std::vector<TBoxKey>& BoxKeys();
// The key of this name, letter case ignored; none when it is not a box key.
const TBoxKey* FindBoxKey(const std::string& name);
// The default of a box key, as the module reads it.
std::string BoxKeyDefault(const std::string& name);
// The repeated content lines.
extern const char* const kContentKeys[4];
// Whether a value read for this key counts as if the key were absent.
bool IsSentinelValue(const std::string& key, const std::string& value);

// The centre tile of a tiled background: the image less its borders, with
// the format's 32-bit wrapping arithmetic.
struct TTile {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};
TTile CentreTile(std::int32_t imageWidth, std::int32_t imageHeight, const TFourNumbers& borders);
// Whether the borders value asks for tiling at all: a rule on its characters.
bool AsksForTiling(const std::string& offsets);
// Whether a background is tiled: asked for, and a centre tile of at least
// one pixel each way is left; otherwise it is shown plain.
bool TilesBackground(const std::string& offsets, std::int32_t imageWidth, std::int32_t imageHeight);

}  // namespace kesto
