#include "boxfile/text_encoding.h"

#include <algorithm>
#include <iterator>

#include <vector>

namespace kesto {
namespace {

// Windows-1252's bytes 0x80 to 0x9F; the rest are Latin-1.
constexpr std::uint16_t kHigh1252[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The code points of UTF-8 text; an invalid byte reads as U+FFFD.
std::vector<std::uint32_t> CodePoints(const std::string& text) {
  std::vector<std::uint32_t> points;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    std::uint32_t c = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
    bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    const std::uint32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (valid && (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) valid = false;
    points.push_back(valid ? c : 0xFFFD);
    i += valid ? static_cast<std::size_t>(length) : 1;
  }
  return points;
}

std::string From1252(const std::string& ansi) {
  std::string out;
  for (unsigned char b : ansi) AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kHigh1252[b - 0x80] : b);
  return out;
}

std::string To1252(const std::string& utf8) {
  std::string out;
  for (std::uint32_t c : CodePoints(utf8)) {
    char byte = '?';
    if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
      byte = static_cast<char>(c);
    } else {
      for (int k = 0; k < 32; ++k)
        if (kHigh1252[k] == c && c != 0xFFFD) byte = static_cast<char>(0x80 + k);
    }
    out += byte;
  }
  return out;
}

// The simple upper case of the Basic Multilingual Plane, as ranges of
// letters a fixed distance from their upper case (beyond it, names keep
// their letters as they are).
struct CaseRange {
  std::uint32_t First, Last;
  std::int32_t Distance;
  std::uint32_t Step;
};
constexpr CaseRange kCaseRanges[] = {
#include "boxfile/unicode_upper.inc"
};

std::uint32_t UpperOf(std::uint32_t c) {
  const auto* end = std::end(kCaseRanges);
  const auto* range = std::upper_bound(std::begin(kCaseRanges), end, c,
                                       [](std::uint32_t value, const CaseRange& r) { return value < r.First; });
  if (range == std::begin(kCaseRanges)) return c;
  --range;
  if (c > range->Last || (range->Step > 1 && (c - range->First) % range->Step != 0)) return c;
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(c) + range->Distance);
}

}  // namespace

const AnsiCodePage& Windows1252() {
  static const AnsiCodePage page{From1252, To1252};
  return page;
}

bool IsValidUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    std::string one;
    int length = (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) return false;
    if (CodePoints(text.substr(i, static_cast<std::size_t>(length)))[0] == 0xFFFD) return false;
    i += static_cast<std::size_t>(length);
  }
  return true;
}

TextEncoding DetectEncoding(const std::string& bytes) {
  if (bytes.compare(0, 2, "\xFF\xFE") == 0) return TextEncoding::Utf16Le;
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return TextEncoding::Utf8WithMark;
  bool high = false;
  for (unsigned char b : bytes) high = high || b >= 0x80;
  return high && IsValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Ansi;
}

std::string EncodingMark(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8WithMark:
      return "\xEF\xBB\xBF";
    case TextEncoding::Utf16Le:
      return "\xFF\xFE";
    default:
      return "";
  }
}

std::string Utf16LeToUtf8(const std::string& bytes) {
  std::string out;
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                      (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  };
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  if (bytes.size() % 2) AppendUtf8(out, 0xFFFD);
  return out;
}

std::string Utf8ToUtf16Le(const std::string& text) {
  std::string out;
  auto put = [&](std::uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  for (std::uint32_t c : CodePoints(text)) {
    if (c >= 0x10000) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

std::string DecodeText(const std::string& bytes, TextEncoding encoding, const AnsiCodePage& ansi) {
  switch (encoding) {
    case TextEncoding::Ansi:
      return ansi.ToUtf8(bytes);
    case TextEncoding::Utf16Le:
      return Utf16LeToUtf8(bytes);
    default:
      return bytes;
  }
}

std::string EncodeText(const std::string& text, TextEncoding encoding, const AnsiCodePage& ansi) {
  switch (encoding) {
    case TextEncoding::Ansi:
      return ansi.FromUtf8(text);
    case TextEncoding::Utf16Le:
      return Utf8ToUtf16Le(text);
    default:
      return text;
  }
}

std::string QuoteControls(const std::string& utf8) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
    if (byte < 0x20 || byte == 0x7F) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080..U+009F, the C1 controls
      out += "\\u00";
      out += kHex[next >> 4];
      out += kHex[next & 15];
      ++i;
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

std::size_t Utf8FitLength(const std::string& text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  std::size_t fit = limit;
  // Back to the first byte of the character that does not fit whole.
  while (fit > 0 && (static_cast<unsigned char>(text[fit]) & 0xC0) == 0x80) --fit;
  return fit;
}

std::string UpperUnicode(const std::string& text) {
  bool ascii = true;
  for (unsigned char b : text) ascii = ascii && b < 0x80;
  std::string out;
  if (ascii) {
    for (char c : text) out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    return out;
  }
  for (std::uint32_t c : CodePoints(text)) AppendUtf8(out, UpperOf(c));
  return out;
}

}  // namespace kesto
