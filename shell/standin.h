// Control functions of the stand-in lsapi.dll, for the host program, the
// tests and the test plug-ins. Not part of what Kesto imports.
#pragma once

#include <windows.h>

#include <cstddef>

#ifdef KESTO_BUILDING_LSAPI
#define STANDIN_API extern "C"
#else
#define STANDIN_API extern "C" __declspec(dllimport)
#endif

// The wide forms of the shell's functions, as LiteStep 0.25 offers them; Kesto
// finds them at run time (an older shell has none), the host calls them.
typedef void (*StandInWideBangHandler)(HWND caller, const wchar_t* args);
STANDIN_API void* LCOpenW(const wchar_t* path);
STANDIN_API BOOL LCReadNextConfigW(void* file, const wchar_t* key, wchar_t* buffer, std::size_t size);
STANDIN_API void VarExpansionExW(wchar_t* expanded, const wchar_t* text, std::size_t size);
STANDIN_API BOOL GetRCStringW(const wchar_t* key, wchar_t* value, const wchar_t* fallback, UINT size);
STANDIN_API HBITMAP LoadLSImageW(const wchar_t* file, void* image);
STANDIN_API HINSTANCE LSExecuteW(HWND owner, const wchar_t* command, int show);
STANDIN_API BOOL AddBangCommandW(const wchar_t* name, StandInWideBangHandler handler);
STANDIN_API BOOL RemoveBangCommandW(const wchar_t* name);

// Reads the configuration file that LCOpen(null) opens; also takes its
// variables ("name value" lines) and the image folder ("LSImageFolder path").
STANDIN_API BOOL StandInLoadConfig(const char* path);
// Reads the configuration file of the last StandInLoadConfig again.
STANDIN_API BOOL StandInReloadConfig(void);
// Event log: "exec:<command>", "bang+:<name>", "bang-:<name>", and whatever
// plug-ins and hosts record.
STANDIN_API void StandInLog(const char* entry);
STANDIN_API int StandInLogCount(void);
STANDIN_API int StandInLogEntry(int index, char* buffer, int size);
STANDIN_API void StandInLogClear(void);
// Call counters by function name: "LoadLSImage", "BitmapToRegion", "VarExpansion".
STANDIN_API int StandInCounter(const char* name);
STANDIN_API int StandInBangCount(void);

// Modules, run as the real shell runs them. A module is started by calling its
// initModuleEx and joins the list of running modules only once that call has
// returned; modules end in reverse order. The module commands "!UnloadModule
// path", "!ReloadModule path" and "!Recycle" work on that list; the first two
// run inside LSExecute, "!Recycle" and "!Quit" are posted to the main window.
typedef int (*StandInInitFn)(HWND parent, HINSTANCE instance, const char* path);
typedef void (*StandInQuitFn)(HINSTANCE instance);
// A module library, loaded with LoadLibrary when it is started.
STANDIN_API void StandInConfigureModule(const char* path);
// Module code linked into the host program itself: started without a library.
STANDIN_API void StandInConfigureBuiltInModule(const char* name, StandInInitFn init, StandInQuitFn quit);
STANDIN_API void StandInForgetModules(void);  // the configured list, emptied
STANDIN_API BOOL StandInStartModules(void);   // false when a library cannot be loaded
STANDIN_API void StandInQuitModules(void);
STANDIN_API int StandInRunningModules(void);
// What a posted "!Recycle" does when the main window receives it.
STANDIN_API void StandInRecycle(void);
// Plays a monitor layout ("1024x768+0+0,1280x1024-1280+0": the primary first,
// then the others, each width x height and its left and top edges) for the
// shell's modules, and tells every window of the process, as Windows does
// when monitors change. None or "" gives the real screen back. The layout
// STANDIN_MONITORS names is played from the first start on.
STANDIN_API BOOL StandInSetMonitors(const char* layout);
// Points a module loaded later at the layout being played.
STANDIN_API void StandInApplyMonitors(HMODULE module);
// Messages the stand-in posts to the shell's main window.
#define STANDIN_LM_RECYCLE 9260
#define STANDIN_WM_QUITSHELL (WM_APP + 0x51)
