// Control functions of the stand-in lsapi.dll, for the host program, the
// tests and the test plug-ins. Not part of what Kesto imports.
#pragma once

#include <windows.h>

#ifdef KESTO_BUILDING_LSAPI
#define STANDIN_API extern "C"
#else
#define STANDIN_API extern "C" __declspec(dllimport)
#endif

// Reads the configuration file that LCOpen(null) opens; also takes its
// variables ("name value" lines) and the image folder ("LSImageFolder path").
STANDIN_API BOOL StandInLoadConfig(const char* path);
// Event log: "exec:<command>", "bang+:<name>", "bang-:<name>", and whatever
// plug-ins and hosts record.
STANDIN_API void StandInLog(const char* entry);
STANDIN_API int StandInLogCount(void);
STANDIN_API int StandInLogEntry(int index, char* buffer, int size);
STANDIN_API void StandInLogClear(void);
// Call counters by function name: "LoadLSImage", "BitmapToRegion", "VarExpansion".
STANDIN_API int StandInCounter(const char* name);
STANDIN_API int StandInBangCount(void);
