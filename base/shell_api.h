// The functions, messages and markers Kesto relies on from the shell and its
// API library (lsapi.dll). All functions use the C calling convention.
#pragma once

#include <windows.h>

#include <cstddef>

#ifdef KESTO_BUILDING_LSAPI
#define KESTO_LSAPI extern "C"
#else
#define KESTO_LSAPI extern "C" __declspec(dllimport)
#endif

typedef void (*BangCommandHandler)(HWND caller, const char* args);

KESTO_LSAPI void* LCOpen(const char* path);  // null: the shell's own configuration
KESTO_LSAPI BOOL LCReadNextConfig(void* file, const char* key, char* buffer, std::size_t size);
KESTO_LSAPI BOOL LCClose(void* file);
KESTO_LSAPI void VarExpansion(char* expanded, const char* text);
KESTO_LSAPI HBITMAP LoadLSImage(const char* file, const char* image);
KESTO_LSAPI void GetLSBitmapSize(HBITMAP bitmap, int* width, int* height);
KESTO_LSAPI HRGN BitmapToRegion(HBITMAP bitmap, COLORREF key, COLORREF tolerance, int xoffset,
                                int yoffset);
KESTO_LSAPI HINSTANCE LSExecute(HWND owner, const char* command, int showCommand);
KESTO_LSAPI HWND GetLitestepWnd(void);
KESTO_LSAPI BOOL AddBangCommand(const char* name, BangCommandHandler handler);
KESTO_LSAPI BOOL RemoveBangCommand(const char* name);

namespace kesto {

constexpr UINT LM_REGISTERMESSAGE = 9263;
constexpr UINT LM_UNREGISTERMESSAGE = 9264;
constexpr UINT LM_GETREVID = 9265;

// Magenta is the see-through colour of every image: regions are cut with it
// at this tolerance, and layered windows use it as colour key.
constexpr COLORREF kColorKey = 0x00FF00FF;
constexpr COLORREF kKeyTolerance = 0x101010;

// The shell's buffer size for configuration lines and expansions.
constexpr int kShellTextSize = 4096;

// A window whose user-data slot (GWLP_USERDATA, pointer-sized) holds exactly
// this value stays on every virtual desktop.
constexpr LONG_PTR kStickyMarker = 0x49474541;

constexpr const char* kShellMainClass = "TApplication";
constexpr const char* kShellMainTitle = "LiteStep";
constexpr const char* kShellDesktopClass = "DesktopBackgroundClass";

}  // namespace kesto
