// What a box or a button answers to the system's window commands.
#pragma once

#include <windows.h>

namespace kesto {

// The commands a box or button refuses: each would run a modal loop (move,
// size, the window menu by mouse or key) or end the window (close) under
// Kesto's window procedure, where anything, an unload of Kesto.dll
// included, may be handled. Every other command (the screen saver, monitor
// power and the rest) goes on to the system, so a box never keeps them away.
inline bool RefusedSystemCommand(WPARAM command) {
  switch (command & 0xFFF0) {
    case SC_MOVE:
    case SC_SIZE:
    case SC_MOUSEMENU:
    case SC_KEYMENU:
    case SC_CLOSE:
      return true;
    default:
      return false;
  }
}

// The answer a box or button window gives before any handling of its own,
// true when there is one: a refused system command, and no activation by a
// click (a click leaves the keyboard with the window the user types in).
inline bool AnswerBeforeKesto(UINT message, WPARAM wParam, LRESULT& answer) {
  if (message == WM_SYSCOMMAND && RefusedSystemCommand(wParam)) {
    answer = 0;
    return true;
  }
  if (message == WM_MOUSEACTIVATE) {
    answer = MA_NOACTIVATE;
    return true;
  }
  return false;
}

}  // namespace kesto
