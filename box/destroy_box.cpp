#include "box/box.h"
#include "boxfile/text_helpers.h"
#include "content/hosted_modules.h"
#include "content/shortcuts.h"

namespace kesto {
namespace {

// C++ division truncates toward zero, so the remainder keeps the sign.
int Remainder(int coordinate, int extent) { return extent > 0 ? coordinate % extent : coordinate; }

void RememberPosition(TBox& box) {
  box.Header = LoadBoxFile(box.FileName);
  if (!box.Header) return;  // gone or unreadable: nothing is saved
  RECT rect{};
  GetWindowRect(box.Window, &rect);
  WriteBoxInt(*box.Header, "KestoX", Remainder(rect.left, GetSystemMetrics(SM_CXSCREEN)));
  WriteBoxInt(*box.Header, "KestoY", Remainder(rect.top, GetSystemMetrics(SM_CYSCREEN)));
  // A failed save leaves the file as it was; teardown goes on regardless.
  CloseBoxFile(box.Header, true);
}

}  // namespace

void DestroyBox(TBox& box) {
  // The order matters: contents go while the box window still exists (they
  // are its children), the position is read before the window is destroyed,
  // and the picture the window paints from is released after the window.
  DestroyShortcuts(box.Shortcuts);
  UnloadWharfModules(box.WharfSlots);
  UnloadModules(box.Modules);
  if (HasFlag(box.Flags, BoxRememberPosition)) RememberPosition(box);
  if (HasFlag(box.Flags, BoxTiled)) box.BackBitmap.reset();
  DestroyWindow(box.Window);
  box.Window = nullptr;
  HGDIOBJ picture = box.MemDC ? GetCurrentObject(box.MemDC.get(), OBJ_BITMAP) : nullptr;
  box.MemDC.reset();
  if (picture) DeleteObject(picture);
}

}  // namespace kesto
