// The architecture a library (a plug-in DLL) was built for, read from its
// header: a library of the other architecture never loads, and the user is
// told which it is rather than only that it failed.
#pragma once

#include <string>

namespace kesto {

enum class LibraryMachine { Unknown, I686, X86_64, Other };

// From the first bytes of a file (the DOS header, and the PE header it points
// to): the machine it names, Unknown when it is not a PE file or is cut short.
LibraryMachine ParseLibraryMachine(const std::string& bytes);
// The machine this code was built for.
LibraryMachine OwnMachine();
// "32-bit (i686)", "64-bit (x86-64)", "of another kind".
std::string DescribeMachine(LibraryMachine machine);

// How many bytes of a file the parse needs at most.
constexpr std::size_t kLibraryHeaderBytes = 4096;

}  // namespace kesto
