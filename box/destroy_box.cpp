#include "base/monitors.h"
#include "base/no_throw.h"
#include "base/shell_expansion.h"
#include "base/shell_log.h"
#include "base/wide_text.h"
#include "box/auto_reload.h"
#include "box/box.h"
#include "box/keyboard.h"
#include "boxfile/text_helpers.h"
#include "content/hosted_modules.h"
#include "content/shortcuts.h"

namespace kesto {
namespace {

void RememberPosition(TBox& box, const RECT& rect) {
  box.Header = LoadBoxFile(box.FileName, ShellExpansion, &SystemAnsiCodePage());
  if (!box.Header) {  // gone or unreadable: nothing is saved
    ShellLog(kLogError, "can't read " + box.FileName + " again; the position is not saved");
    return;
  }
  TBoxHeader& file = *box.Header;
  const MonitorSet monitors = CurrentMonitors();
  const TPlace filePlace = PlaceInFile(file);
  bool rescued = false;
  const POINT placed =
      ScreenPosition(filePlace, monitors, rect.right - rect.left, rect.bottom - rect.top, rescued, box.PlaceScale());
  // A box that stands where its file puts it leaves the file as it is, so an
  // anchor counted from the far edge stays an anchor; so does one that stands
  // where Kesto put it when its monitor went missing.
  const bool whereFilePuts = placed.x == rect.left && placed.y == rect.top;
  const bool whereRescued = box.Rescued && box.X == rect.left && box.Y == rect.top;
  // A position edited in the file since the box was built is the author's
  // word, newer than the drag: it is kept, and the box comes back there.
  const bool editedMeanwhile = filePlace != box.BuiltFrom;
  const bool moved = !whereFilePuts && !whereRescued && !editedMeanwhile;
  if (moved) {
    const TPlace place = PlaceOf(rect, monitors, box.PlaceScale());
    WriteBoxInt(file, "KestoX", place.X);
    WriteBoxInt(file, "KestoY", place.Y);
    if (place.Monitor != 1 || BoxKeyExists(file, "KestoMonitor"))
      WriteBoxIntAfter(file, "KestoMonitor", place.Monitor, {"KestoX", "KestoY"});
  }
  const std::uint64_t before = file.ContentHash;
  std::uint64_t after = before;
  // A failed save leaves the file as it was; teardown goes on regardless.
  SaveResult saved = SaveResult::Saved;
  CloseBoxFile(box.Header, moved, &saved, &after);
  if (moved && saved != SaveResult::Failed) NoteOwnWrite(box.FileName, before, after);
  if (saved == SaveResult::Failed) ShellLog(kLogError, "can't save the position into " + box.FileName);
  if (saved == SaveResult::SavedIdentityLost)
    ShellLog(kLogWarning, "saved the position into " + box.FileName +
                              ", but its owner, access rights or attributes could not all be kept");
  if (saved == SaveResult::SavedInPlace)
    ShellLog(kLogWarning, "saved the position into " + box.FileName +
                              " in place, without the safety of a temporary file: its folder allows no new file");
}

}  // namespace

void DestroyBox(TBox& box) {
  // The position is read first, from a window that still lives: one that
  // died behind Kesto's back has no position to remember.
  RECT rect{};
  bool placed = box.Window && IsWindow(box.Window) && GetWindowRect(box.Window, &rect);
  // Off the screen before its contents go: destroying the shaped children of
  // a visible window makes the platform recompute what shows of it each time.
  if (placed) {
    GiveKeyboardBack(box);
    SetWindowPos(box.Window, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // The order matters: plug-ins quit while the box window still exists (their
  // windows are its children), in the order they always have; the position
  // is written while the window's record is whole; the box window then takes
  // its buttons' windows down with it, in one go; the buttons' records, images
  // and tools go after their windows, and the picture after the window that
  // paints from it, MemDC before the bitmap selected into it. A step that
  // fails (out of memory while the file is read back, say) never keeps the
  // later ones from running: the window and every handle go whatever happened
  // before.
  NoThrow([&] { UnloadWharfModules(box.WharfSlots); });
  NoThrow([&] { UnloadModules(box.Modules); });
  // A box replaced by a rebuild carries its place over to its successor: the
  // file the author just saved is not written.
  if (HasFlag(box.Flags, BoxRememberPosition) && placed && !box.Replaced) NoThrow([&] { RememberPosition(box, rect); });
  box.Header.reset();
  if (HasFlag(box.Flags, BoxTiled)) box.BackBitmap.reset();
  if (box.Window) DestroyWindow(box.Window);
  box.Window = nullptr;
  NoThrow([&] { DestroyShortcuts(box.Shortcuts); });
  box.MemDC.reset();
  box.Picture.reset();
  box.Frame.reset();
  NoThrow([&] { ShellLog(kLogNotice, "box '" + box.Name + "' ended"); });
}

}  // namespace kesto
