#include "tools/check/checker.h"

#include <algorithm>

#include "boxfile/box_file.h"
#include "boxfile/safe_save.h"
#include "boxfile/text_helpers.h"
#include "shell/variables.h"
#include "tools/check/box_file_check.h"
#include "tools/check/files.h"
#include "tools/check/known_keys.h"

namespace kestocheck {

using namespace kesto;

void Checker::Report(const std::string& file, int line, const std::string& check, const std::string& message,
                     const std::string& severity) {
  diagnostics_.push_back({DisplayPath(file), line, severity, check, message});
}

namespace {

bool HasHighBytes(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// UTF-16 without its mark: text whose every other byte is zero, in the
// first bytes (ASCII keys in either byte order).
const char* LooksLikeUtf16WithoutMark(const std::string& bytes) {
  const std::size_t n = std::min<std::size_t>(bytes.size(), 512) & ~std::size_t{1};
  if (n < 8) return nullptr;
  std::size_t evenZeros = 0, oddZeros = 0;
  for (std::size_t i = 0; i < n; i += 2) {
    evenZeros += bytes[i] == '\0';
    oddZeros += bytes[i + 1] == '\0';
  }
  const std::size_t pairs = n / 2;
  if (oddZeros * 10 >= pairs * 9 && evenZeros * 10 < pairs) return "UTF-16 LE without its byte-order mark";
  if (evenZeros * 10 >= pairs * 9 && oddZeros * 10 < pairs) return "UTF-16 BE (big-endian), which Kesto does not read";
  return nullptr;
}

}  // namespace

// A file that is not all UTF-8 is read in the ANSI code page: the finding
// stands where the bytes that are not UTF-8 are, and names the UTF-8 lines
// whose letters then show as two or three odd characters.
void Checker::ReportMixedEncoding(const std::string& path, const std::vector<std::string>& lines) {
  std::vector<int> utf8Lines;
  int stray = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!HasHighBytes(lines[i])) continue;
    if (IsValidUtf8(lines[i])) {
      utf8Lines.push_back(static_cast<int>(i + 1));
    } else if (!stray) {
      stray = static_cast<int>(i + 1);
    }
  }
  if (utf8Lines.empty() || !stray) return;
  std::string named;
  for (std::size_t i = 0; i < utf8Lines.size() && i < 3; ++i) named += (i ? ", " : "") + std::to_string(utf8Lines[i]);
  if (utf8Lines.size() > 3) named += " and " + std::to_string(utf8Lines.size() - 3) + " more";
  Report(path, stray, "mixed-encoding",
         "this line is not UTF-8, but line" + std::string(utf8Lines.size() > 1 ? "s " : " ") + named +
             (utf8Lines.size() > 1 ? " are" : " is") +
             ": Kesto reads the whole file in the ANSI code page, so each letter beyond ASCII there shows as two or "
             "three odd characters; save the file all in UTF-8");
}

void Checker::Finish() {
  for (const GroupUse& use : groups_.used) {
    if (groups_.defined.count(use.group)) continue;
    diagnostics_.push_back({use.file, use.line, "warning", "unknown-group",
                            use.bang + " " + std::to_string(use.group) + " changes nothing: no button of the " +
                                "checked files belongs to group " + std::to_string(use.group) +
                                " (a button joins a group by the #" + std::to_string(use.group) +
                                " before its command)"});
  }
  groups_.used.clear();
}

bool Checker::CheckBoxFile(const std::string& path) {
  // Read once: the store parses the same bytes the line numbers come from.
  std::string bytes;
  const std::string found = ExistingPath(path);
  if (!ReadFileBytes(found.empty() ? LocalPath(path) : found, bytes)) {
    Report(path, 0, "unreadable", "cannot read the box file", "error");
    return false;
  }
  BoxFile header = ParseBoxFile(path, bytes, CheckerExpansion);
  std::size_t first = diagnostics_.size();
  // Kesto decodes the file once, by its mark or its bytes: the lines are
  // checked as text. In a file that is not all UTF-8, lines that are UTF-8
  // read as the ANSI code page, like the rest.
  const std::string body = bytes.substr(EncodingMark(header->Encoding).size());
  if (const char* looks = LooksLikeUtf16WithoutMark(body); looks && header->Encoding != TextEncoding::Utf16Le) {
    Report(path, 0, "unreadable-encoding",
           std::string("the file looks like ") + looks +
               ": Kesto reads it as one line of the ANSI code page and finds no key in it; save it as UTF-8, or "
               "as UTF-16 LE with its byte-order mark");
    CloseBoxFile(header, false);
    return true;
  }
  if (header->Encoding == TextEncoding::Ansi) ReportMixedEncoding(path, SplitBoxLines(body));
  CheckLoadedBoxFile(path, *header, SplitBoxLines(DecodeText(body, header->Encoding, Windows1252())), options_,
                     diagnostics_, groups_);
  CloseBoxFile(header, false);
  std::stable_sort(diagnostics_.begin() + static_cast<long>(first), diagnostics_.end(),
                   [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
  return true;
}

bool Checker::CheckConfig(const std::string& path) {
  std::string bytes;
  if (!ReadFileBytes(LocalPath(path), bytes)) {
    Report(path, 0, "unreadable", "cannot read the configuration", "error");
    return false;
  }
  // The configuration's own variable lines count, as the shell reads them;
  // names given with --var come first.
  std::vector<std::string> lines = SplitBoxLines(bytes);
  for (const std::string& text : lines) {
    standin::ConfigSetting setting = standin::SplitConfigLine(text);
    if (setting.Key.empty() || setting.Key[0] == ';' || setting.Key[0] == '*') continue;
    AddVariable(setting.Key, setting.Value);
    if (UpperText(setting.Key) == "LSIMAGEFOLDER" && options_.imageDir.empty())
      options_.imageDir = CheckerExpansion(standin::ShellFirstToken(setting.Value));
  }
  bool ok = true;
  int line = 0;
  for (const std::string& text : lines) {
    ++line;
    standin::ConfigSetting setting = standin::SplitConfigLine(text);
    if (UpperText(setting.Key) != "*KESTOCREATE") {
      if (!setting.Key.empty() && setting.Key[0] == '*' && EditDistance(setting.Key, "*KestoCreate") <= 2)
        Report(path, line, "create-misspelt", Quote(setting.Key) + " is not '*KestoCreate': no box is made from "
                                              "this line");
      continue;
    }
    // Kesto gets the line expanded, without its comment.
    std::string boxPath = GetToken(setting.Key + " " + CheckerExpansion(setting.Value), 2);
    std::string found = FileExists(boxPath) ? boxPath : JoinPath(options_.shellDir, boxPath);
    if (!FileExists(found)) {
      Report(path, line, "unreadable", "Kesto cannot load the box file " + Quote(DisplayPath(boxPath)), "error");
      ok = false;
      continue;
    }
    ok = CheckBoxFile(found) && ok;
  }
  return ok;
}

}  // namespace kestocheck
