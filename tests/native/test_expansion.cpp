#include "tests/native/test_expansion.h"

#include "boxfile/box_file.h"

namespace kesto {
namespace {
std::function<std::string(const std::string&)>& Expansion() {
  static std::function<std::string(const std::string&)> expand;
  return expand;
}
}  // namespace

void test_support::SetExpansion(std::function<std::string(const std::string&)> expand) {
  Expansion() = std::move(expand);
}

std::string ExpandVars(const std::string& text) {
  return Expansion() ? Expansion()(text) : text;
}
}  // namespace kesto
