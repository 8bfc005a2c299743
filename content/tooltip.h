// The one tooltip control shared by every shortcut.
#pragma once

#include <windows.h>

#include <string>

namespace kesto {

extern HWND TooltipWnd;

void AddTooltip(HWND window, const std::string& text);
void RemoveTooltip(HWND window);
void DestroyTooltip();

}  // namespace kesto
