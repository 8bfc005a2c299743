#include "boxfile/save_check.h"

#include <cstdio>

namespace kesto {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// A control byte no editor writes into text (a tab is text, so is the end
// of a line, which the parsed lines no longer hold).
bool IsStrayControl(unsigned char c) { return (c < 0x20 && c != '\t' && c != '\f' && c != '\v') || c == 0x7F; }

}  // namespace

std::string UnfinishedSaveReason(const std::string& bytes, const TBoxHeader& parsed, bool wantsBackground) {
  const std::string body = bytes.substr(EncodingMark(parsed.Encoding).size());
  bool blank = true;
  for (char c : body) blank = blank && IsBlank(c);
  if (blank) return bytes.empty() ? "it is empty (0 bytes)" : "it holds nothing but blanks";
  int lineNumber = 0;
  bool anyKey = false, background = false;
  for (const TBoxEntry* entry = parsed.First.get(); entry; entry = entry->Next.get()) {
    ++lineNumber;
    for (unsigned char c : entry->Text) {
      if (!IsStrayControl(c)) continue;
      char code[8];
      std::snprintf(code, sizeof code, "0x%02X", c);
      return "it is not text (control byte " + std::string(code) + " on line " + std::to_string(lineNumber) + ")";
    }
    anyKey = anyKey || entry->Key.rfind("KESTO", 0) == 0 || entry->Key.rfind("*", 0) == 0;
    background = background || entry->Key == "KESTOBACKGROUND";
  }
  if (!anyKey) return "it holds no Kesto key and no content line";
  if (wantsBackground && !background) return "it has no KestoBackGround line any more (cut short?)";
  return {};
}

}  // namespace kesto
