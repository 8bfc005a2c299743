// A box used from the keyboard: !KestoFocus gives one box the keyboard, with
// a mark on its first visible button; Tab, Shift+Tab and the arrow keys move
// the mark between visible buttons in reading order (hidden groups skipped),
// Enter or Space runs the button's command as a click does, the menu key or
// Shift+F10 the box's right-click command, and Esc gives the keyboard back
// to the window that had it. A box never takes the keyboard otherwise.
#pragma once

#include <windows.h>

#include "box/box.h"

namespace kesto {

// False when the box has no visible button to mark (it then takes nothing).
bool GiveKeyboard(TBox& box);
// A key for a box that has the keyboard; false when it is not one of its keys.
bool HandleBoxKey(TBox& box, UINT message, WPARAM key);
// Esc, or the box hides or ends: the mark goes and the window that had the
// keyboard before gets it back.
void GiveKeyboardBack(TBox& box);
// The keyboard went elsewhere (another window was clicked, say): the mark goes.
void KeyboardLeft(TBox& box);

}  // namespace kesto
