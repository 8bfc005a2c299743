#include "shell/variables.h"

#include "boxfile/text_helpers.h"

namespace standin {

std::string ExpandVariables(const std::string& text, const std::map<std::string, std::string>& variables,
                            std::size_t limit) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size() && out.size() < limit) {
    std::size_t close = text[i] == '$' ? text.find('$', i + 1) : std::string::npos;
    if (close != std::string::npos) {
      auto found = variables.find(kesto::UpperText(text.substr(i + 1, close - i - 1)));
      if (found != variables.end()) {
        out += found->second;
        i = close + 1;
        continue;
      }
    }
    out += text[i++];
  }
  return out.substr(0, limit);
}

}  // namespace standin
