#include "boxfile/text_helpers.h"

namespace kesto {
namespace {

constexpr std::size_t kRestLimit = 4096;

struct TokenSpan {
  std::size_t start = 0;  // zero-based
  std::size_t end = 0;
};

// The shared scan of GetToken and GetTokenRest. A zero byte, like the end of
// the text, is the end marker.
TokenSpan ScanToken(const std::string& line, std::uint8_t n) {
  const char* text = line.c_str();  // zero-terminated: text[size] is the end marker
  TokenSpan span;
  char closing = ' ';
  for (unsigned round = 0; round < n; ++round) {
    if (closing == '"' && text[span.end] != '\0') ++span.end;  // step over the closing quote
    closing = ' ';
    span.start = span.end;
    while (text[span.start] == ' ' || text[span.start] == '\t') ++span.start;
    if (text[span.start] == '"') {
      ++span.start;
      closing = '"';
    }
    span.end = span.start;
    while (text[span.end] != '\0' && text[span.end] != closing) ++span.end;
  }
  return span;
}

}  // namespace

std::string GetToken(const std::string& line, std::uint8_t n) {
  if (n == 0) return {};
  TokenSpan span = ScanToken(line, n);
  if (span.start >= span.end) return {};
  return line.substr(span.start, span.end - span.start);
}

std::string GetTokenRest(const std::string& line, std::uint8_t n) {
  if (n == 0) return {};
  TokenSpan span = ScanToken(line, n);
  if (span.start >= span.end) return {};
  return line.substr(span.start, kRestLimit);
}

std::int32_t PowerOf(std::int32_t base, std::uint32_t exponent) {
  std::uint32_t result = 1;
  for (std::uint32_t i = 0; i < exponent; ++i) result *= static_cast<std::uint32_t>(base);
  return static_cast<std::int32_t>(result);
}

std::int32_t ParseInt(const std::string& text) {
  // Walks from the last character with a running power of ten; the same
  // wrapping products as PowerOf(10, k), without its quadratic cost.
  std::uint32_t sum = 0;
  std::uint32_t power = 1;
  bool negative = false;
  for (auto it = text.rbegin(); it != text.rend(); ++it) {
    unsigned code = static_cast<unsigned char>(*it);
    if (code == '-') {
      negative = true;
    } else {
      sum += (code - 48u) * power;
    }
    power *= 10u;
  }
  if (negative) sum = 0u - sum;
  return static_cast<std::int32_t>(sum);
}

std::uint32_t ParseHex(const std::string& text) {
  std::string upper = UpperText(text);
  std::uint32_t sum = 0;
  std::uint32_t power = 1;
  for (auto it = upper.rbegin(); it != upper.rend() && power != 0; ++it) {
    char c = *it;
    std::uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint32_t>(c - 48);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<std::uint32_t>(c - 55);
    } else {
      break;
    }
    sum += digit * power;
    power *= 16u;  // wraps to 0 after eight digits: earlier digits no longer count
  }
  return sum;
}

std::string FormatInt(std::int32_t value) {
  if (value == 0) return "0";
  std::uint32_t magnitude =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  std::string digits;
  while (magnitude != 0) {
    digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
    magnitude /= 10;
  }
  if (value < 0) digits.insert(digits.begin(), '-');
  return digits;
}

std::string UpperText(const std::string& text) {
  std::string result = text;
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return result;
}

std::uint8_t LastCharPos(const std::string& text, char c) {
  for (std::size_t i = text.size(); i > 0; --i) {
    char here = text[i - 1];
    if (here >= 'a' && here <= 'z') here = static_cast<char>(here - 32);
    if (here == c) return static_cast<std::uint8_t>(i > 255 ? 255 : i);
  }
  return 0;
}

std::int32_t ParseGroupNumber(const std::string& token) {
  std::size_t hash = token.rfind('#');
  if (hash == std::string::npos) return 0;
  std::size_t first = hash + 1;
  if (first >= token.size()) return 0;
  std::size_t end = first + 1;
  while (end < token.size() && token[end] >= '0' && token[end] <= '9') ++end;
  return ParseInt(token.substr(first, end - first));
}

std::int32_t ScreenRelative(std::int32_t value, std::int32_t extent) {
  if (value >= 0) return value;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(extent) +
                                   static_cast<std::uint32_t>(value));
}

std::uint32_t MakeColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<std::uint32_t>(red) | (static_cast<std::uint32_t>(green) << 8) |
         (static_cast<std::uint32_t>(blue) << 16);
}

std::uint16_t HighWord(std::uint32_t value) { return static_cast<std::uint16_t>(value >> 16); }

bool HasFlag(std::uint8_t flags, std::uint8_t mask) { return (flags & mask) == mask; }

void SetFlag(std::uint8_t& flags, std::uint8_t mask, bool on) {
  flags = on ? static_cast<std::uint8_t>(flags | mask)
             : static_cast<std::uint8_t>(flags & static_cast<std::uint8_t>(~mask));
}

TextBuffer AllocTextBuffer(std::size_t size) { return TextBuffer(new char[size == 0 ? 1 : size]()); }

void FreeTextBuffer(TextBuffer& buffer) { buffer.reset(); }

TFourNumbers ReadFourNumbers(const std::string& value) {
  return {ParseInt(GetToken(value, 1)), ParseInt(GetToken(value, 2)), ParseInt(GetToken(value, 3)),
          ParseInt(GetToken(value, 4))};
}

}  // namespace kesto
