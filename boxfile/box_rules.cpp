#include "boxfile/box_rules.h"

#include "boxfile/box_file.h"

namespace kesto {
namespace {

// Border arithmetic wraps at 32 bits like every other number of the format.
std::int32_t Wrap(long long value) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value & 0xFFFFFFFFll)); }

}  // namespace

const std::vector<TBoxKey>& BoxKeys() {
  static const std::vector<TBoxKey> keys = {
      {"KestoUnique", KeyKind::Presence, ""},
      {"KestoName", KeyKind::Text, "Kesto"},
      {"KestoPopupAtMousePos", KeyKind::Presence, ""},
      {"KestoX", KeyKind::Integer, "0"},
      {"KestoY", KeyKind::Integer, "0"},
      {"KestoMonitor", KeyKind::Integer, "1"},
      {"KestoSnapArea", KeyKind::FourNumbers, kNoSnapArea},
      {"KestoBackGround", KeyKind::Image, "Kesto.bmp"},
      {"KestoHeight", KeyKind::Integer, "0"},
      {"KestoWidth", KeyKind::Integer, "0"},
      {"KestoDragRect", KeyKind::FourNumbers, "0 0 0 0"},
      {"KestoOnLeftClick", KeyKind::Text, "!none"},
      {"KestoOnRightClick", KeyKind::Text, "!popup"},
      {"KestoAlwaysOnTop", KeyKind::Presence, ""},
      {"KestoAlphaTransparency", KeyKind::Integer, kNoAlpha},
      {"KestoStartHidden", KeyKind::Presence, ""},
      {"KestoNotSticky", KeyKind::Presence, ""},
      {"KestoBackgroundOffs", KeyKind::FourNumbers, "0 0 0 0"},
      {"KestoRememberPosition", KeyKind::Presence, ""},
      {"KestoAutoReload", KeyKind::Presence, ""},
      {"KestoKeyboard", KeyKind::Presence, ""},
      {"KestoZoom", KeyKind::Integer, "100"},
      {"KestoDpiScaling", KeyKind::Text, "on"},
      {"KestoFont", KeyKind::Text, "Ms sans serif"},
      {"KestoFontColor", KeyKind::Colour, "FFFFFF"},
      {"KestoFontSize", KeyKind::Integer, "14"},
  };
  return keys;
}

const char* const kContentKeys[4] = {"*Shortcut", "*Text", "*Module", "*WharfModule"};

const TBoxKey* FindBoxKey(const std::string& name) {
  // Every key line of every box is looked up as the box is built: the
  // table's names are upper-cased once.
  static const std::vector<std::string> upperNames = [] {
    std::vector<std::string> names;
    for (const TBoxKey& key : BoxKeys()) names.push_back(UpperText(key.Name));
    return names;
  }();
  const std::string upper = UpperText(name);
  for (std::size_t i = 0; i < upperNames.size(); ++i)
    if (upperNames[i] == upper) return &BoxKeys()[i];
  return nullptr;
}

std::string BoxKeyDefault(const std::string& name) {
  const TBoxKey* key = FindBoxKey(name);
  return key ? key->Default : "";
}

bool IsSentinelValue(const std::string& key, const std::string& value) {
  if (value == kAbsent) return true;
  std::string upper = UpperText(key);
  return (upper == "KESTOSNAPAREA" && value == kNoSnapArea) || (upper == "KESTOALPHATRANSPARENCY" && value == kNoAlpha);
}

TTile CentreTile(std::int32_t imageWidth, std::int32_t imageHeight, const TFourNumbers& b) {
  return {Wrap(static_cast<long long>(imageWidth) - Wrap(static_cast<long long>(b.Right) + b.Left)),
          Wrap(static_cast<long long>(imageHeight) - Wrap(static_cast<long long>(b.Bottom) + b.Top))};
}

bool AsksForTiling(const std::string& offsets) { return offsets != "0 0 0 0" && offsets.size() >= 7; }

bool TilesBackground(const std::string& offsets, std::int32_t imageWidth, std::int32_t imageHeight) {
  if (!AsksForTiling(offsets)) return false;
  TTile tile = CentreTile(imageWidth, imageHeight, ReadFourNumbers(offsets));
  return tile.Width > 0 && tile.Height > 0;
}

}  // namespace kesto
