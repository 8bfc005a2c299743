#include "shell/host/host.h"

namespace standin {

SIZE DisplaySize() {
  HDC screen = GetDC(nullptr);
  SIZE size{GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES)};
  ReleaseDC(nullptr, screen);
  return size;
}

void MoveMouse(int x, int y) {
  SetCursorPos(x, y);
  const SIZE display = DisplaySize();
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = (x * 65536 + display.cx - 1) / display.cx;
  input.mi.dy = (y * 65536 + display.cy - 1) / display.cy;
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
}

void MouseButton(bool left, bool down) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = left ? (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP)
                          : (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP);
  SendInput(1, &input, sizeof input);
}

}  // namespace standin
