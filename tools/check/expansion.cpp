// The checker stands in for the shell's variable expansion, as the stand-in
// shell does: $name$ becomes the value given with --var or by a configuration.
#include <map>
#include <string>

#include "boxfile/box_file.h"
#include "boxfile/text_helpers.h"
#include "shell/variables.h"
#include "tools/check/checker.h"

namespace kesto {
std::map<std::string, std::string>& CheckerVariables() {
  static std::map<std::string, std::string> variables;
  return variables;
}

}  // namespace kesto

namespace kestocheck {

const std::map<std::string, std::string>& CheckerVariableTable() { return kesto::CheckerVariables(); }

std::string CheckerExpansion(const std::string& text) {
  return standin::ExpandVariables(text, kesto::CheckerVariables(), 4095);
}

using namespace kesto;

void AddVariable(const std::string& name, const std::string& value) {
  CheckerVariables().emplace(UpperText(name), value);
}

void SetVariables(const std::map<std::string, std::string>& variables) {
  CheckerVariables().clear();
  for (const auto& [name, value] : variables) CheckerVariables()[UpperText(name)] = value;
}

}  // namespace kestocheck
