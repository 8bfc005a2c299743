// Images handed to the shell's loader only when it can survive them: the
// shell decodes a PNG of 12000x12000 pixels into memory it cannot allocate
// and its process ends, so Kesto reads each file's header first.
#pragma once

#include <windows.h>

#include <string>

#include "base/file_fingerprint.h"

namespace kesto {

// LoadLSImage(name), unless a file the name leads to (in the shell's image
// folder first, then as given; each part of an "a|b" merge) declares a size
// over the limits: then an error line in the shell's log names the place
// ("file:line"), the image and its size, and the result is none, as for a
// missing image. The files it reads are added to sources, when given, with
// their contents' hash taken before the shell reads them.
HBITMAP LoadCheckedImage(const std::string& name, const std::string& where, WatchedFiles* sources = nullptr);

}  // namespace kesto
