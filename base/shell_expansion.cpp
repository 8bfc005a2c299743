#include "base/shell_expansion.h"

#include "base/shell_api.h"
#include "boxfile/text_helpers.h"

namespace kesto {

std::string ShellExpansion(const std::string& text) {
  // The shell writes at most its 4096-byte buffer; the source is clipped to
  // fit it too, so no expansion can be asked to hold more than the buffer.
  TextBuffer expanded = AllocTextBuffer(kShellTextSize);
  std::string source = text.substr(0, kShellTextSize - 1);
  VarExpansion(expanded.get(), source.c_str());
  expanded[kShellTextSize - 1] = '\0';
  std::string result(expanded.get());
  FreeTextBuffer(expanded);
  return result;
}

}  // namespace kesto
