// The shell's functions that take or give text, in the shell's wide form
// where it has one (LiteStep 0.25 has them all), else in its ANSI form. They
// are looked up once per run; every text passes in and out as UTF-8.
#pragma once

#include <windows.h>

#include <string>

namespace kesto {

typedef void (*WideBangHandler)(HWND caller, const wchar_t* args);
typedef void (*AnsiBangHandler)(HWND caller, const char* args);

// Looks the wide functions up in the shell's library, at the start of a run.
void FindShellTextFunctions();
// For the tests of an older shell: from the next start on, the ANSI forms only.
void UseAnsiShellOnly(bool ansiOnly);
bool ShellIsWide();

// The shell's expansion of its variables, within its 4096-character buffer.
std::string ShellExpand(const std::string& text);
// The next line of this key from an open configuration; false at its end.
bool ReadConfigLine(void* config, const char* key, std::string& line);
void RunShellCommand(HWND owner, const std::string& command);
HBITMAP LoadShellImage(const std::string& name);
// A value of the shell's configuration; false when it has none.
bool ShellSetting(const char* key, std::string& value);
bool AddShellBang(const char* name, AnsiBangHandler ansi, WideBangHandler wide);
bool RemoveShellBang(const char* name);

}  // namespace kesto
