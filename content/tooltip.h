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
// The tooltip of the button that has the keyboard: shown below it, as the
// mouse would show it, until it is hidden or the button goes.
void ShowKeyboardTooltip(HWND window, const std::string& text);
void HideKeyboardTooltip(HWND window);
// Removes both the mouse's and the keyboard's tool of the button.
void RemoveTooltip(HWND window);
void DestroyTooltip();

}  // namespace kesto
