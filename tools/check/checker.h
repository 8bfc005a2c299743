// kesto-check: reads box files with Kesto's own store and helpers and reports
// every place where Kesto will do something the author likely did not mean.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kestocheck {

struct Diagnostic {
  std::string file;
  int line = 0;  // 1-based; 0 for the file as a whole
  std::string severity;  // "warning" or "error"
  std::string check;
  std::string message;
};

// The shortcut groups the checked files define, and the group commands that
// name one: groups span boxes, so a command is judged once every file is read.
struct GroupUse {
  std::string file;
  int line = 0;
  std::string bang;
  std::int32_t group = 0;
};
struct Groups {
  std::set<std::int32_t> defined;
  std::vector<GroupUse> used;
};

struct Options {
  std::string shellDir;   // the shell's folder: second try for box files and plug-ins
  std::string imageDir;   // where the shell looks for images given by bare names
  std::map<std::string, std::string> variables;  // $name$ values (names upper-cased)
  int scalePercent = 100;  // the largest scale the theme is drawn at (--scale): art for it is looked for
};

class Checker {
 public:
  explicit Checker(Options options) : options_(std::move(options)) {}
  // Checks one box file. Returns false when it cannot be read.
  bool CheckBoxFile(const std::string& path);
  // Checks a shell configuration and every box file its *KestoCreate lines name.
  bool CheckConfig(const std::string& path);
  // What can be judged only once every file is read: group commands that
  // name a group no button of the checked files belongs to.
  void Finish();
  const std::vector<Diagnostic>& Diagnostics() const { return diagnostics_; }

 private:
  void ReportMixedEncoding(const std::string& path, const std::vector<std::string>& lines);
  void Report(const std::string& file, int line, const std::string& check, const std::string& message,
              const std::string& severity = "warning");
  Options options_;
  std::vector<Diagnostic> diagnostics_;
  Groups groups_;
};

// A text as the messages show it: between single quotes.
inline std::string Quote(const std::string& text) { return "'" + text + "'"; }

// The expansion the checker uses in place of the shell's.
void SetVariables(const std::map<std::string, std::string>& variables);
std::string CheckerExpansion(const std::string& text);
// The variables the checker expands with (names upper-cased).
const std::map<std::string, std::string>& CheckerVariableTable();
// A variable as a configuration line defines it; an earlier definition wins.
void AddVariable(const std::string& name, const std::string& value);

std::string FormatText(const std::vector<Diagnostic>& diagnostics);
std::string FormatJson(const std::vector<Diagnostic>& diagnostics);

}  // namespace kestocheck
