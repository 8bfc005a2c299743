// What a screen reader reads of Kesto's windows: an IAccessible object for a
// window, made when a client asks (WM_GETOBJECT) and answered through the
// system's accessibility library, which Kesto loads only then.
//
// An object names its window only, never a record: each call looks the
// window's record up again, so a box or button gone meanwhile answers
// "disconnected". When Kesto ends, every object still held is disconnected
// from its clients; one that a client in this process still holds keeps
// Kesto.dll loaded (pinned) so that its calls never reach freed code.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>

namespace kesto {

// What one element shows a screen reader; Exists false once it is gone.
struct TAccessibleFacts {
  bool Exists = false;
  std::string Name;
  long Role = ROLE_SYSTEM_CLIENT;
  long State = 0;
  RECT Screen{};               // where it is on the screen
  std::string DefaultAction;   // empty: none
};

class TAccessibleSource {
 public:
  virtual ~TAccessibleSource() = default;
  // The element itself (child 0) or one of its children (1..count).
  virtual TAccessibleFacts Facts(HWND window, long child) const = 0;
  virtual long ChildCount(HWND window) const = 0;
  // A child that is a window of its own (a button): its window; else none.
  virtual HWND ChildWindow(HWND window, long child) const = 0;
  // What describes the children that are windows of their own.
  virtual const TAccessibleSource& ChildSource() const { return *this; }
  // Runs the element's default action; false when it has none.
  virtual bool DoDefaultAction(HWND window, long child) const = 0;
};

// The answer to WM_GETOBJECT for the client area of this window, described
// by source (which must outlive every object: a static one); 0 for anything
// else asked, which the caller hands to DefWindowProc.
LRESULT AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam, const TAccessibleSource& source);
// A new object of the window, held once by the caller; none when it cannot be made.
IAccessible* MakeAccessible(HWND window, const TAccessibleSource& source);
// At Kesto's end: every object still held is disconnected from its clients,
// and Kesto.dll is pinned if any is still held in this process. Unloads the
// accessibility library when nothing needs it.
void EndAccessibility();
// How many objects are alive (for tests and the log).
int LiveAccessibles();

}  // namespace kesto
