#include "shell/variables.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "boxfile/text_helpers.h"

namespace standin {
namespace {

class Arithmetic {
 public:
  Arithmetic(const std::string& text, const std::map<std::string, std::string>& variables)
      : text_(text), variables_(variables) {}

  bool Evaluate(double& value, std::string& description) {
    bool ok = Sum(value);
    Skip();
    if (ok && pos_ < text_.size()) ok = Fail("unexpected '" + std::string(1, text_[pos_]) + "'");
    if (!ok) description = error_;
    return ok;
  }

 private:
  void Skip() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool Fail(const std::string& why) {
    if (error_.empty()) error_ = "Error: " + why;
    return false;
  }
  bool Sum(double& value) {
    if (!Product(value)) return false;
    for (;;) {
      Skip();
      if (pos_ >= text_.size() || (text_[pos_] != '+' && text_[pos_] != '-')) return true;
      char op = text_[pos_++];
      double right = 0;
      if (!Product(right)) return false;
      value = op == '+' ? value + right : value - right;
    }
  }
  bool Product(double& value) {
    if (!Unary(value)) return false;
    for (;;) {
      Skip();
      if (pos_ >= text_.size() || (text_[pos_] != '*' && text_[pos_] != '/')) return true;
      char op = text_[pos_++];
      double right = 0;
      if (!Unary(right)) return false;
      if (op == '/' && right == 0) return Fail("division by zero");
      value = op == '*' ? value * right : value / right;
    }
  }
  bool Unary(double& value) {
    Skip();
    if (pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+')) {
      char op = text_[pos_++];
      if (!Unary(value)) return false;
      if (op == '-') value = -value;
      return true;
    }
    return Primary(value);
  }
  bool Primary(double& value) {
    Skip();
    if (pos_ >= text_.size()) return Fail("unexpected end of expression");
    char c = text_[pos_];
    if (c == '(') {
      ++pos_;
      if (!Sum(value)) return false;
      Skip();
      if (pos_ >= text_.size() || text_[pos_] != ')') return Fail("')' expected");
      ++pos_;
      return true;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
      std::size_t end = pos_;
      while (end < text_.size() && (std::isdigit(static_cast<unsigned char>(text_[end])) || text_[end] == '.')) ++end;
      value = std::atof(text_.substr(pos_, end - pos_).c_str());
      pos_ = end;
      return true;
    }
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      std::size_t end = pos_;
      while (end < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[end])) || text_[end] == '_')) ++end;
      std::string name = text_.substr(pos_, end - pos_);
      pos_ = end;
      auto found = variables_.find(kesto::UpperText(name));
      char* rest = nullptr;
      if (found != variables_.end()) {
        value = std::strtod(found->second.c_str(), &rest);
        if (rest != found->second.c_str() && *rest == '\0') return true;
      }
      return Fail("Variable " + name + " is not defined.");
    }
    return Fail("unexpected '" + std::string(1, c) + "'");
  }

  const std::string& text_;
  const std::map<std::string, std::string>& variables_;
  std::size_t pos_ = 0;
  std::string error_;
};

std::string FormatNumber(double value) {
  char text[64];
  if (std::floor(value) == value && std::fabs(value) < 1e15) {
    std::snprintf(text, sizeof text, "%.0f", value);
  } else {
    std::snprintf(text, sizeof text, "%g", value);
  }
  return text;
}

// The process's environment as it is now (the C runtime's copy may be older).
bool Environment(const std::string& name, std::string& value) {
#ifdef _WIN32
  char buffer[4096];
  DWORD length = GetEnvironmentVariableA(name.c_str(), buffer, sizeof buffer);
  if (length == 0 || length >= sizeof buffer) return false;
  value.assign(buffer, length);
  return true;
#else
  const char* found = std::getenv(name.c_str());
  if (found) value = found;
  return found != nullptr;
#endif
}

struct Expansion {
  const std::map<std::string, std::string>& variables;
  const ExpressionError& onError;
  bool failed = false;  // a recursive definition empties the whole result

  std::string Expand(const std::string& text, std::set<std::string>& seen) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size() && !failed) {
      if (text[i] != '$') {
        out += text[i++];
        continue;
      }
      std::size_t close = text.find('$', i + 1);
      if (close == std::string::npos) {  // a lone '$': dropped, the rest as it is
        out += text.substr(i + 1);
        break;
      }
      out += Lookup(text.substr(i + 1, close - i - 1), seen);
      i = close + 1;
    }
    return failed ? std::string() : out;
  }

  std::string Lookup(const std::string& name, std::set<std::string>& seen) {
    if (name.empty()) return "$";
    std::string key = kesto::UpperText(name);
    auto found = variables.find(key);
    if (found != variables.end()) {
      if (seen.count(key)) {
        failed = true;
        if (onError) onError(name, "Error: Variable \"" + name + "\" is defined recursively.");
        return {};
      }
      seen.insert(key);
      std::string value = Expand(ShellFirstToken(found->second), seen);
      seen.erase(key);
      return value;
    }
    std::string environment;
    if (Environment(name, environment)) return environment;
    std::string result, description;
    if (EvaluateExpression(name, variables, result, description)) return result;
    if (onError) onError(name, description);
    return {};
  }
};

}  // namespace

std::string StripConfigComment(const std::string& value) {
  int depth = 0;
  char quote = 0;
  std::size_t end = value.size();
  for (std::size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '[') {
      ++depth;
    } else if (c == ']') {
      if (depth > 0) --depth;
    } else if (c == '"' || c == '\'') {
      if (quote == c) {
        --depth;
        quote = 0;
      } else if (!quote) {
        ++depth;
        quote = c;
      }
    } else if (c == ';' && depth == 0) {
      end = i;
      break;
    }
  }
  while (end > 0 && kesto::IsBlank(value[end - 1])) --end;
  return value.substr(0, end);
}

ConfigSetting SplitConfigLine(const std::string& line) {
  ConfigSetting setting;
  std::size_t keyStart = line.find_first_not_of(" \t");
  if (keyStart == std::string::npos) return setting;
  std::size_t keyEnd = line.find_first_of(" \t", keyStart);
  setting.Key = line.substr(keyStart, keyEnd == std::string::npos ? std::string::npos : keyEnd - keyStart);
  std::size_t valueStart = keyEnd == std::string::npos ? keyEnd : line.find_first_not_of(" \t", keyEnd);
  if (valueStart != std::string::npos) setting.Value = StripConfigComment(line.substr(valueStart));
  return setting;
}

std::string ShellFirstToken(const std::string& value) {
  std::size_t begin = value.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  char quote = value[begin];
  if (quote == '"' || quote == '\'') {
    std::size_t end = value.find(quote, begin + 1);
    return value.substr(begin + 1, end == std::string::npos ? std::string::npos : end - begin - 1);
  }
  std::size_t end = value.find_first_of(" \t", begin);
  return value.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

bool EvaluateExpression(const std::string& expression, const std::map<std::string, std::string>& variables,
                        std::string& result, std::string& description) {
  double value = 0;
  Arithmetic arithmetic(expression, variables);
  if (!arithmetic.Evaluate(value, description)) return false;
  result = FormatNumber(value);
  return true;
}

std::string ExpandVariables(const std::string& text, const std::map<std::string, std::string>& variables,
                            std::size_t limit, const ExpressionError& onError) {
  Expansion expansion{variables, onError};
  std::set<std::string> seen;
  std::string out = expansion.Expand(text, seen);
  return out.substr(0, limit);
}

}  // namespace standin
