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
    "!KestoGroupShow", "!KestoGroupHide", "!KestoGroupToggle", "!KestoMoveBox", "!KestoReload",
    // The shell's built-ins.
    "!About", "!Alert", "!CascadeWindows", "!Confirm", "!Execute", "!HideModules", "!Logoff", "!MinimizeWindows",
    "!None", "!Popup", "!Quit", "!Recycle", "!Refresh", "!Reload", "!ReloadModule", "!RestoreWindows", "!Run",
    "!ShowModules", "!Shutdown", "!SwitchUser", "!TileWindowsH", "!TileWindowsV", "!ToggleModules",
    "!UnloadModule"};

int Distance(const std::string& a, const std::string& b) {
  std::vector<int> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<int>(j);
  for (std::size_t i = 1; i <= a.size(); ++i) {
    int diagonal = row[0];
    row[0] = static_cast<int>(i);
    for (std::size_t j = 1; j <= b.size(); ++j) {
      int above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

int EditDistance(const std::string& a, const std::string& b) { return Distance(UpperText(a), UpperText(b)); }

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

std::string NearestKey(const std::string& key) {
  std::string best;
  int bestDistance = 4;
  std::string upper = UpperText(key);
  for (const auto& entry : KnownKeys()) {
    int d = Distance(upper, UpperText(entry.first));
    if (d < bestDistance) {
      bestDistance = d;
      best = entry.first;
    }
  }
  for (const char* content : kContentKeys) {
    int d = Distance(upper, UpperText(content));
    if (d < bestDistance) {
      bestDistance = d;
      best = content;
    }
  }
  return best;
}

}  // namespace kestocheck
