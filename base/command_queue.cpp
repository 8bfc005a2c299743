#include "base/command_queue.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

namespace kesto {

HWND CommandWnd = nullptr;

namespace {

// The copies Kesto has posted and not yet taken back.
std::vector<std::unique_ptr<char[]>> PostedCommands;
std::deque<TFailure> Failures;
bool FailuresPosted = false;
bool QueueOpen = false;

void PostFailures() {
  if (FailuresPosted || Failures.empty() || !CommandWnd) return;
  FailuresPosted = PostMessageA(CommandWnd, WM_SHOWFAILURES, 0, 0) != FALSE;
}

void Collect(TFailure failure) {
  if (!CommandWnd) return;  // the module is not running: nobody would show it
  Failures.push_back(std::move(failure));
  PostFailures();
}

}  // namespace

void PostRunCommand(HWND sender, const std::string& command) {
  if (!CommandWnd || !QueueOpen) return;  // a null window would make it a message to the thread
  auto copy = std::make_unique<char[]>(command.size() + 1);
  std::memcpy(copy.get(), command.c_str(), command.size() + 1);
  if (PostMessageA(CommandWnd, WM_RUNCOMMAND, reinterpret_cast<WPARAM>(sender),
                   reinterpret_cast<LPARAM>(copy.get()))) {
    PostedCommands.push_back(std::move(copy));
  }
}

std::unique_ptr<char[]> TakePostedCommand(LPARAM lParam) {
  auto* text = reinterpret_cast<char*>(lParam);
  auto found = std::find_if(PostedCommands.begin(), PostedCommands.end(),
                            [text](const std::unique_ptr<char[]>& copy) { return copy.get() == text; });
  if (found == PostedCommands.end()) return nullptr;
  std::unique_ptr<char[]> taken = std::move(*found);
  PostedCommands.erase(found);
  return taken;
}

void ReleasePostedCommands() { PostedCommands.clear(); }

void CloseCommandQueue() {
  QueueOpen = false;
  ReleasePostedCommands();
}

void OpenCommandQueue() { QueueOpen = true; }

bool CommandQueueOpen() { return QueueOpen; }

void ReportFailure(const std::string& text) { Collect({text, {}, false}); }

void ReportFailure(const std::string& text, const std::string& caption) { Collect({text, caption, true}); }

bool TakeFailure(TFailure& failure) {
  FailuresPosted = false;
  if (Failures.empty()) return false;
  failure = std::move(Failures.front());
  Failures.pop_front();
  return true;
}

void RepostFailures() {
  FailuresPosted = false;
  PostFailures();
}

void DiscardFailures() {
  Failures.clear();
  FailuresPosted = false;
}

}  // namespace kesto
