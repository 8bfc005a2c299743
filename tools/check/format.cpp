#include <cstdio>

#include "tools/check/checker.h"

namespace kestocheck {
namespace {

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 32) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

}  // namespace

std::string FormatText(const std::vector<Diagnostic>& diagnostics) {
  std::string out;
  for (const Diagnostic& d : diagnostics)
    // A finding about the whole file names no line.
    out += d.file + (d.line > 0 ? ":" + std::to_string(d.line) : std::string()) + ": " + d.severity + ": " +
           d.message + " [" + d.check + "]\n";
  return out;
}

std::string FormatJson(const std::vector<Diagnostic>& diagnostics) {
  std::string out = "[";
  for (std::size_t i = 0; i < diagnostics.size(); ++i) {
    const Diagnostic& d = diagnostics[i];
    out += (i ? ",\n " : "\n ") + std::string("{\"file\": ") + JsonString(d.file) +
           ", \"line\": " + std::to_string(d.line) + ", \"severity\": " + JsonString(d.severity) +
           ", \"check\": " + JsonString(d.check) + ", \"message\": " + JsonString(d.message) + "}";
  }
  return out + (diagnostics.empty() ? "]\n" : "\n]\n");
}

}  // namespace kestocheck
