// The shell's variable expansion, as the box file store is given it.
#pragma once

#include <string>

namespace kesto {

// The text with the shell's variables expanded, within the shell's buffer.
std::string ShellExpansion(const std::string& text);

}  // namespace kesto
