// A plug-in that dispatches every queued message inside its start, as one
// that shows a dialog of its own would.
#include <windows.h>

extern "C" int initWharfModule(HWND, HINSTANCE, void*) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

extern "C" void quitWharfModule(HINSTANCE) {}
