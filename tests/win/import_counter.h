// Counts the calls this program makes to a function of a system library, by
// pointing the program's own import of it at a counting stand-in. The
// module's code is linked into the test program, so its calls count too.
#pragma once

#include <windows.h>

namespace kestotest {

// Replaces the import of `function` from `library` with `replacement`;
// returns the original, or none when the program does not import it.
void* RedirectImport(const char* library, const char* function, void* replacement);

}  // namespace kestotest
