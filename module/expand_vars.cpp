#include "boxfile/box_file.h"
#include "boxfile/text_helpers.h"
#include "module/shell_api.h"

namespace kesto {

std::string ExpandVars(const std::string& text) {
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
