// The ten bang commands through which the shell drives boxes and groups.
#pragma once

namespace kesto {

void RegisterBangCommands();
void UnregisterBangCommands();

}  // namespace kesto
