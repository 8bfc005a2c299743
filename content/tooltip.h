// The one tooltip control shared by every shortcut.
#pragma once

#include <windows.h>

#include <string>

namespace kesto {

extern HWND TooltipWnd;

void AddTooltip(HWND window, const std::string& text);
// Hands the control a mouse message of a button, so that it shows and hides
// the button's tooltip as the mouse comes and goes.
void RelayToTooltip(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void RemoveTooltip(HWND window);
void DestroyTooltip();

}  // namespace kesto
