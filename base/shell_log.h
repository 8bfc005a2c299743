// Kesto's lines in the shell's own log. The shell's LSLog is looked up at run
// time: older shells lack it, and then nothing is logged. Users switch the log
// on in step.rc ("LSLogLevel 3", "LSLogFile C:\LiteStep\litestep.log").
#pragma once

#include <string>

namespace kesto {

constexpr int kLogError = 1;    // a failure: something the box file asked for is missing
constexpr int kLogWarning = 2;  // a value Kesto had to guess
constexpr int kLogNotice = 3;   // boxes made and ended

void ShellLog(int level, const std::string& message);

}  // namespace kesto
