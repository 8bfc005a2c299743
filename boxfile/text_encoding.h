// The encodings a box file may be saved in, told apart once when it is read:
// a UTF-16 LE mark, a UTF-8 mark, UTF-8 without one (valid, with bytes above
// 127), or else the ANSI code page. Inside Kesto all text is UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace kesto {

enum class TextEncoding : std::uint8_t { Ansi, Utf8, Utf8WithMark, Utf16Le };

// Conversions between the ANSI code page and UTF-8. The module hands in the
// system's; tools and tests get Windows-1252 by default.
struct AnsiCodePage {
  std::string (*ToUtf8)(const std::string& ansi);
  std::string (*FromUtf8)(const std::string& utf8);
};
const AnsiCodePage& Windows1252();

TextEncoding DetectEncoding(const std::string& bytes);
bool IsValidUtf8(const std::string& text);
// The byte-order mark a file of this encoding begins with ("" for none).
std::string EncodingMark(TextEncoding encoding);

// UTF-16 LE bytes to UTF-8 (an unpaired surrogate becomes U+FFFD), and back.
std::string Utf16LeToUtf8(const std::string& bytes);
std::string Utf8ToUtf16Le(const std::string& text);

// Text of the file's encoding (without its mark) to UTF-8, and back.
std::string DecodeText(const std::string& bytes, TextEncoding encoding, const AnsiCodePage& ansi);
std::string EncodeText(const std::string& text, TextEncoding encoding, const AnsiCodePage& ansi);

// How much of a text fits in `limit` units without splitting a character:
// never between the bytes of a UTF-8 sequence, nor between the halves of a
// UTF-16 surrogate pair (Unit is any 16-bit unit type).
std::size_t Utf8FitLength(const std::string& text, std::size_t limit);
template <class Unit>
std::size_t Utf16FitLength(const Unit* text, std::size_t length, std::size_t limit) {
  if (length <= limit) return length;
  std::size_t fit = limit;
  const auto last = static_cast<std::uint32_t>(fit > 0 ? text[fit - 1] : 0);
  if (last >= 0xD800 && last <= 0xDBFF) --fit;  // a high surrogate whose partner does not fit
  return fit;
}

// The text with its control characters written out (\x1b, \u009b): a log
// line shown on a terminal can carry no escape sequence of a box file's.
std::string QuoteControls(const std::string& utf8);

// Simple upper case of every letter of the Basic Multilingual Plane that has
// one (as Windows' ordinal compare without case sees them), for names that
// compare without regard to case.
std::string UpperUnicode(const std::string& text);

}  // namespace kesto
