// kesto-check [--format=json] [--shell-dir DIR] [--image-dir DIR] [--var NAME=VALUE]...
//             [--scale 1.5] [--config shell.rc]... [file.box]...
// Exit status: 0 clean, 1 warnings, 2 when a file cannot be read.
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "boxfile/text_helpers.h"
#include "tools/check/checker.h"

int main(int argc, char** argv) {
  kestocheck::Options options;
  bool json = false;
  std::vector<std::pair<bool, std::string>> inputs;  // (is configuration, path)
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](const char* name) -> std::string {
      std::string prefix = std::string(name) + "=";
      if (arg.compare(0, prefix.size(), prefix) == 0) return arg.substr(prefix.size());
      if (arg == name && i + 1 < argc) return argv[++i];
      return {};
    };
    if (arg == "--format=json") {
      json = true;
    } else if (arg == "--help" || arg == "-h") {
      std::puts("usage: kesto-check [--format=json] [--shell-dir DIR] [--image-dir DIR] [--var NAME=VALUE]...\n"
                "                   [--scale 1.5] [--config shell.rc]... [file.box]...");
      return 0;
    } else if (arg.rfind("--shell-dir", 0) == 0) {
      options.shellDir = value("--shell-dir");
    } else if (arg.rfind("--image-dir", 0) == 0) {
      options.imageDir = value("--image-dir");
    } else if (arg.rfind("--scale", 0) == 0) {
      // The largest scale the theme is shown at (1.5 for 150 %): images drawn only for 100 % get a hint.
      const double scale = std::atof(value("--scale").c_str());
      if (scale < 0.1 || scale > 10) {
        std::fputs("kesto-check: --scale takes a scale such as 1.5 or 2\n", stderr);
        return 2;
      }
      options.scalePercent = static_cast<int>(std::lround(scale * 100));
    } else if (arg.rfind("--var", 0) == 0) {
      std::string pair = value("--var");
      std::size_t eq = pair.find('=');
      if (eq != std::string::npos) options.variables[kesto::UpperText(pair.substr(0, eq))] = pair.substr(eq + 1);
    } else if (arg.rfind("--config", 0) == 0) {
      inputs.emplace_back(true, value("--config"));
    } else {
      inputs.emplace_back(false, arg);
    }
  }
  if (inputs.empty()) {
    std::fputs("kesto-check: no box file or configuration given (see --help)\n", stderr);
    return 2;
  }
  kestocheck::SetVariables(options.variables);
  kestocheck::Checker checker(options);
  bool readable = true;
  for (const auto& [isConfig, path] : inputs)
    readable = (isConfig ? checker.CheckConfig(path) : checker.CheckBoxFile(path)) && readable;
  checker.Finish();
  const auto& found = checker.Diagnostics();
  std::fputs((json ? kestocheck::FormatJson(found) : kestocheck::FormatText(found)).c_str(), stdout);
  if (!readable) return 2;
  return found.empty() ? 0 : 1;
}
