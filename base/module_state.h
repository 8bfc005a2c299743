// Module-wide values set at start and read by every other subsystem.
#pragma once

#include <windows.h>

#include <string>

namespace kesto {

using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

extern HINSTANCE ModuleInstance;  // the instance the shell passed to initModuleEx
extern std::string LiteStepDir;   // the shell's folder, without a trailing backslash
extern SetLayeredWindowAttributesFn SetLayeredWindowAttributesProc;  // none where unsupported

// Looks up SetLayeredWindowAttributes in the already loaded user32.
void FindSetLayeredWindowAttributes();
// Folder of the shell's executable.
std::string FindLiteStepDir();
// The text before the last backslash; empty when there is none or it comes first.
std::string FolderOf(const std::string& path);
// The handle under which the platform loaded Kesto's own code (for the tooltip).
HINSTANCE OwnLibraryInstance();

// Registers a window class under ModuleInstance unless it already exists;
// a wide one takes Unicode messages (its procedure calls DefWindowProcW).
void RegisterModuleClass(const char* className, WNDPROC procedure, bool wide = false);
void UnregisterModuleClass(const char* className);

}  // namespace kesto
