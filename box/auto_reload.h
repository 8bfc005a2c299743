// Boxes that rebuild themselves when their box file or one of their images
// is saved (KestoAutoReload). A thread waits for the file system's change
// notices in the folders of those files; the command window then waits until
// they have been quiet for a moment and rebuilds, as !KestoReload does, each
// box whose files now hold other contents than it was built from.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace kesto {

constexpr UINT WM_WATCHNOTICE = WM_USER + 94;  // a watched file changed
constexpr UINT_PTR kQuietTimer = 0x4B51;       // the files were quiet long enough
constexpr UINT_PTR kRetryTimer = 0x4B52;       // a file that was held by its editor is read again
constexpr UINT_PTR kRewatchTimer = 0x4B53;     // a folder that could not be opened is looked for again
constexpr UINT kQuietMilliseconds = 250;
constexpr UINT kRewatchMilliseconds = 2000;
constexpr UINT kRetryMilliseconds = 500;
// A file still held after this many reads (10 s) is left until it is saved
// again: a file that stays held (a network share that does not answer, say)
// is not read every half second for ever.
constexpr int kMostHeldTries = 20;

// Watches exactly the files of the boxes that ask for it now: starts,
// changes or stops the watching thread. Called whenever a box is made or gone.
void UpdateWatches();
// Watches again once a folder that could not be opened is there.
void RewatchFolders();
// The thread's notice: the check waits until the files are quiet.
void NoteWatchNotice();
// Rebuilds the boxes whose files changed; a file missing or held by its
// editor leaves its box as it is, with a line in the log, until it is good.
void CheckWatchedFiles();
// Kesto wrote this file itself (position memory): boxes that were up to date
// with it stay so, and are not rebuilt for it.
void NoteOwnWrite(const std::string& path, std::uint64_t before, std::uint64_t after);
// Ends all watching: once this returns, nothing of it runs or waits.
void StopWatching();

}  // namespace kesto
