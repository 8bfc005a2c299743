// Work that may wait on the network (a file on a share that does not answer)
// runs on a thread of its own, and the caller waits for it only so long.
// The thread holds a reference to Kesto's library and shares nothing but a
// counted record with the caller: left behind, it ends on its own, and the
// library stays loaded until it has.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace kesto {

// Runs work and waits at most milliseconds for it; false when it did not end
// in time (or no thread could be started: then it is not run at all). The
// work owns everything it touches (captured by value, results through a
// shared_ptr): it may go on after the caller has returned.
bool RunBounded(std::function<void()> work, DWORD milliseconds);

// The reference a thread of Kesto's holds on its library, taken before the
// thread starts; none when it could not be taken.
HMODULE HoldLibraryForThread();
// Ends such a thread, giving the reference back in the same call, so the
// thread never runs code of a library that is gone.
[[noreturn]] void EndLibraryThread(HMODULE library);

// Whether a path lies on a network share (a UNC path, or a drive mapped to one).
bool IsNetworkPath(const std::wstring& path);

}  // namespace kesto
