// Text and value helpers: the one tokenizer and the number rules every other
// part of Kesto uses. They keep no state and accept any text; malformed input
// yields a value by fixed rules, and those rules are part of the box file format.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kesto {

// The n-th token (from 1) of a line: a run ending at a space, or a quoted text.
std::string GetToken(const std::string& line, std::uint8_t n);
// From the start of the n-th token to the end of the line, at most 4096 characters.
std::string GetTokenRest(const std::string& line, std::uint8_t n);

// Decimal text to a wrapping 32-bit integer; every character counts by its
// distance from '0', a '-' anywhere negates ("+5" is -45, "12px" is 1912).
std::int32_t ParseInt(const std::string& text);
// Value of the run of hexadecimal digits at the end of the text.
std::uint32_t ParseHex(const std::string& text);
std::string FormatInt(std::int32_t value);
std::int32_t PowerOf(std::int32_t base, std::uint32_t exponent);

// Folds a-z onto A-Z and nothing else.
std::string UpperText(const std::string& text);
// Position (from 1) of the last character whose upper-cased form equals c; 0 if none.
std::uint8_t LastCharPos(const std::string& text, char c);
// Number after the last '#': the character after it plus the digits that follow.
std::int32_t ParseGroupNumber(const std::string& token);

// Left, top, right, bottom from the first four tokens; a missing one reads as 0.
struct TFourNumbers {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};
TFourNumbers ReadFourNumbers(const std::string& value);

// A negative value counts from the far edge: extent + value.
std::int32_t ScreenRelative(std::int32_t value, std::int32_t extent);
std::uint32_t MakeColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
std::uint16_t HighWord(std::uint32_t value);

bool HasFlag(std::uint8_t flags, std::uint8_t mask);
void SetFlag(std::uint8_t& flags, std::uint8_t mask, bool on);

// Scratch buffers that the shell or Win32 fill with a zero-terminated text.
struct TextBufferDeleter {
  void operator()(char* buffer) const { delete[] buffer; }
};
using TextBuffer = std::unique_ptr<char[], TextBufferDeleter>;
TextBuffer AllocTextBuffer(std::size_t size);
void FreeTextBuffer(TextBuffer& buffer);

// Characters of code 0 to 32 count as blanks everywhere in the format.
inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace kesto
