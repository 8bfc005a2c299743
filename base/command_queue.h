// Work handed to the command window, which does it on a later turn of the
// shell's message loop, never inside the handler that asked for it: click
// commands, and the failure messages of an operation that has finished.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace kesto {

constexpr UINT WM_RUNCOMMAND = WM_USER + 92;    // 1116, lParam: the command text
constexpr UINT WM_SHOWFAILURES = WM_USER + 93;  // shows the collected failure messages
constexpr UINT WM_RESCALEBOXES = WM_USER + 95;  // draws boxes again whose monitor's scale changed

extern HWND CommandWnd;

// Queues a command for the command window. The message carries a copy of its
// own, so the sender may be destroyed before the command runs.
void PostRunCommand(HWND sender, const std::string& command);
// The copy behind a WM_RUNCOMMAND that Kesto posted itself, taken back; none
// for the text of an outside sender, which stays the sender's.
std::unique_ptr<char[]> TakePostedCommand(LPARAM lParam);
// Frees the copies of commands that will never run.
void ReleasePostedCommands();
// A run that ends runs no queued command any more (its teardown may run
// loops, where they would be handled): the queue is closed and its copies
// freed. A new command window opens it again.
void CloseCommandQueue();
void OpenCommandQueue();
bool CommandQueueOpen();

// A failure the user can act on, shown in a message box without owner window
// once the operation that met it is complete.
struct TFailure {
  std::string Text;
  std::string Caption;
  bool HasCaption = false;  // without one, the system's default caption
};
void ReportFailure(const std::string& text);
void ReportFailure(const std::string& text, const std::string& caption);
// The oldest collected failure, removed from the collection.
bool TakeFailure(TFailure& failure);
// Asks the command window again to show what is collected: for when it was
// asked while an operation was still on the stack.
void RepostFailures();
void DiscardFailures();

}  // namespace kesto
