// The ten bang commands through which the shell drives boxes and groups.
#pragma once

#include <string>

namespace kesto {

struct TBox;

void RegisterBangCommands();
void UnregisterBangCommands();
// The newest box whose name equals the first token of name, ignoring a-z case.
TBox* FindBoxByName(const std::string& name);
TBox* FindPreviousBox(const TBox* box);

}  // namespace kesto
