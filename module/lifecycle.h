// The module's start and end, as the shell drives them. Both are exported
// through the module's .def file.
#pragma once

#include <windows.h>

extern "C" {
int initModuleEx(HWND parent, HINSTANCE instance, const char* path);
void quitModule(HINSTANCE instance);
}
