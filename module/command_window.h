// The hidden window that runs click commands through the shell, one per turn
// of the shell's message loop, and answers the shell's revision query.
#pragma once

#include <windows.h>

#include <string>

namespace kesto {

constexpr UINT WM_RUNCOMMAND = WM_USER + 92;  // 1116
constexpr const char* kCommandClass = "CommandClass";

extern HWND CommandWnd;

void CreateCommandWindow();
void DestroyCommandWindow();
LRESULT CALLBACK CommandWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Queues a command for the command window. The message carries its own copy of
// the text, so the sender may be destroyed before the command runs.
void PostRunCommand(HWND sender, const std::string& command);

}  // namespace kesto
