#include "tools/check/known_keys.h"

#include <algorithm>
#include <vector>

#include "boxfile/text_helpers.h"

namespace kestocheck {

using kesto::UpperText;

const std::map<std::string, KeyKind>& KnownKeys() {
  static const std::map<std::string, KeyKind> keys = [] {
    std::map<std::string, KeyKind> table;
    for (const kesto::TBoxKey& key : kesto::BoxKeys()) table[key.Name] = key.Kind;
    return table;
  }();
  return keys;
}

namespace {

const char* const kBangs[] = {
    // Kesto's own.
    "!KestoCreate", "!KestoDestroy", "!KestoHide", "!KestoShow", "!KestoToggle", "!KestoResetPos",
    "!KestoGroupShow", "!KestoGroupHide", "!KestoGroupToggle", "!KestoMoveBox", "!KestoReload", "!KestoFocus",
    "!KestoZoom",
    // The shell's built-ins.
    "!About", "!Alert", "!CascadeWindows", "!Confirm", "!Execute", "!HideModules", "!Logoff", "!MinimizeWindows",
    "!None", "!Popup", "!Quit", "!Recycle", "!Refresh", "!Reload", "!ReloadModule", "!RestoreWindows", "!Run",
    "!ShowModules", "!Shutdown", "!SwitchUser", "!TileWindowsH", "!TileWindowsV", "!ToggleModules",
    "!UnloadModule"};

}  // namespace

bool IsKnownBang(const std::string& name) {
  for (const char* bang : kBangs)
    if (UpperText(bang) == UpperText(name)) return true;
  return false;
}

std::string NearestBang(const std::string& name) {
  std::string best;
  // Close means a slip of a key or two, not a different short word.
  int bestDistance = std::min(3, static_cast<int>(name.size()) / 3);
  for (const char* bang : kBangs) {
    int d = EditDistance(name, bang);
    if (d < bestDistance) {
      bestDistance = d;
      best = bang;
    }
  }
  return best;
}

}  // namespace kestocheck
