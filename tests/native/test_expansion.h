// Expansion used by the portable tests in place of the shell's: identity unless
// a test installs its own.
#pragma once

#include <functional>
#include <string>

namespace kesto::test_support {
void SetExpansion(std::function<std::string(const std::string&)> expand);
}
