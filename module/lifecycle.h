// The module's start and end, as the shell drives them.
#pragma once

#include <windows.h>

extern "C" {
__declspec(dllexport) int initModuleEx(HWND parent, HINSTANCE instance, const char* path);
__declspec(dllexport) void quitModule(HINSTANCE instance);
}
