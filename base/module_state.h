// Module-wide values set at start and read by every other subsystem.
#pragma once

#include <windows.h>

#include <string>

namespace kesto {

using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

extern HINSTANCE ModuleInstance;  // the instance the shell passed to initModuleEx
extern std::string LiteStepDir;   // the shell's folder, without a trailing backslash
extern SetLayeredWindowAttributesFn SetLayeredWindowAttributesProc;  // none where unsupported

// A run lasts from a start to the next end; each start counts RunNumber up.
// Work that calls out and goes on afterwards (building several boxes) notes
// the run it began in and stops once that run is over: the module may have
// been ended, unloaded or started anew while it was out.
extern bool Running;
extern unsigned RunNumber;
inline bool RunIsCurrent(unsigned run) { return Running && run == RunNumber; }

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
