// Any text through every helper: no crash, and FormatInt round-trips.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "boxfile/text_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  for (std::uint8_t n = 0; n < 6; ++n) {
    std::string token = kesto::GetToken(text, n);
    std::string rest = kesto::GetTokenRest(text, n);
    if (token.size() > text.size() || rest.size() > 4096) std::abort();
  }
  kesto::ParseHex(text);
  kesto::ParseGroupNumber(text);
  kesto::LastCharPos(text, 'H');
  std::int32_t value = kesto::ParseInt(text);
  if (kesto::ParseInt(kesto::FormatInt(value)) != value) std::abort();
  return 0;
}
