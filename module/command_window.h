// The hidden window that runs click commands through the shell, one per turn
// of the shell's message loop, shows the failure messages of finished
// operations, and answers the shell's revision query.
#pragma once

#include <windows.h>

#include "base/command_queue.h"

namespace kesto {

constexpr const char* kCommandClass = "CommandClass";

void CreateCommandWindow();
void DestroyCommandWindow();

}  // namespace kesto

// The window procedure of "CommandClass", an entry thunk (it may run the
// command that unloads Kesto).
extern "C" LRESULT CALLBACK KestoCommandWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
