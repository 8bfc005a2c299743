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
  if (header->Encoding == TextEncoding::Ansi) {
    int line = 0;
    for (const std::string& raw : SplitBoxLines(body)) {
      ++line;
      bool high = false;
      for (unsigned char c : raw) high = high || c >= 0x80;
      if (high && IsValidUtf8(raw))
        Report(path, line, "mixed-encoding",
               "this line is UTF-8, but other lines of the file are not: Kesto reads the whole file in the ANSI "
               "code page, so each letter beyond ASCII here shows as two or three odd characters; save the file "
               "all in UTF-8");
    }
  }
  CheckLoadedBoxFile(path, *header, SplitBoxLines(DecodeText(body, header->Encoding, Windows1252())), options_,
                     diagnostics_);
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
