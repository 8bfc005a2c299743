// The checker stands in for the shell's variable expansion, as the stand-in
// shell does: $name$ becomes the value given with --var or by a configuration.
#include <map>
#include <string>

#include "boxfile/box_file.h"
#include "boxfile/text_helpers.h"
#include "tools/check/checker.h"

namespace kesto {
std::map<std::string, std::string>& CheckerVariables() {
  static std::map<std::string, std::string> variables;
  return variables;
}

std::string ExpandVars(const std::string& text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size() && out.size() < 4095) {
    std::size_t close = text[i] == '$' ? text.find('$', i + 1) : std::string::npos;
    if (close != std::string::npos) {
      auto found = CheckerVariables().find(UpperText(text.substr(i + 1, close - i - 1)));
      if (found != CheckerVariables().end()) {
        out += found->second;
        i = close + 1;
        continue;
      }
    }
    out += text[i++];
  }
  return out.substr(0, 4095);
}
}  // namespace kesto

namespace kestocheck {

using namespace kesto;

void SetVariables(const std::map<std::string, std::string>& variables) {
  CheckerVariables().clear();
  for (const auto& [name, value] : variables) CheckerVariables()[UpperText(name)] = value;
}

}  // namespace kestocheck
