// The shell's variable syntax, as the real shell expands it: $name$ is the
// first token of the variable's value, expanded in turn; a name that is not a
// variable is looked up in the environment, then evaluated as arithmetic; if
// that fails too it is dropped, and the shell reports the failed expression.
// "$$" gives "$", and a lone "$" is dropped with the rest copied as it is.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>

namespace standin {

// Told of each expression that does not evaluate, with what is wrong with it.
using ExpressionError = std::function<void(const std::string& expression, const std::string& description)>;

// Variable names in the table are upper-cased; names in the text match
// without regard to a-z case. At most limit characters come out.
std::string ExpandVariables(const std::string& text, const std::map<std::string, std::string>& variables,
                            std::size_t limit, const ExpressionError& onError = {});

// The first token of a value as the shell reads it: a run up to a blank, or
// a text in double or single quotes, without them.
std::string ShellFirstToken(const std::string& value);

// A configuration value as the shell keeps it: it ends at a ';' outside
// quotes and brackets, and the blanks before that go too.
std::string StripConfigComment(const std::string& value);

// A configuration line's key and its value, the value's comment removed.
struct ConfigSetting {
  std::string Key;
  std::string Value;
};
ConfigSetting SplitConfigLine(const std::string& line);

// The arithmetic the stand-in evaluates: numbers, defined numeric variables,
// + - * / and parentheses. False, with a description, for anything else.
bool EvaluateExpression(const std::string& expression, const std::map<std::string, std::string>& variables,
                        std::string& result, std::string& description);

}  // namespace standin
