// The stand-in shell's modules and module commands (inside lsapi.dll).
#pragma once

#include <string>

namespace standin {

// Runs "!UnloadModule", "!ReloadModule", "!Recycle" or "!Quit"; false for
// any other command name (upper-cased).
bool RunModuleCommand(const std::string& name, const std::string& args);

}  // namespace standin
