// The stand-in shell's variable syntax: $name$ is replaced by the value of a
// defined variable; an unknown $name$ stays as written.
#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace standin {

// Variable names in the table are upper-cased; names in the text match
// without regard to a-z case. At most limit characters come out.
std::string ExpandVariables(const std::string& text, const std::map<std::string, std::string>& variables,
                            std::size_t limit);

}  // namespace standin
