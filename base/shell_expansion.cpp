#include "base/shell_expansion.h"

#include "base/shell_text.h"

namespace kesto {

std::string ShellExpansion(const std::string& text) { return ShellExpand(text); }

}  // namespace kesto
