// A plug-in that dispatches every queued message inside its start and its
// end, as one that shows a dialog of its own would.
#include <windows.h>

namespace {

void DispatchQueued() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

extern "C" int initWharfModule(HWND, HINSTANCE, void*) {
  DispatchQueued();
  return 0;
}

extern "C" void quitWharfModule(HINSTANCE) { DispatchQueued(); }
