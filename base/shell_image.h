// Images handed to the shell's loader only when it can survive them: the
// shell decodes a PNG of 12000x12000 pixels into memory it cannot allocate
// and its process ends, so Kesto reads each file's header first.
#pragma once

#include <windows.h>

#include <string>

#include "base/file_fingerprint.h"
#include "boxfile/scale.h"

namespace kesto {

// LoadLSImage(name), unless a file the name leads to (in the shell's image
// folder first, then as given; each part of an "a|b" merge) declares a size
// over the limits: then an error line in the shell's log names the place
// ("file:line"), the image and its size, and the result is none, as for a
// missing image. The files it reads are added to sources, when given, with
// their contents' hash taken before the shell reads them.
HBITMAP LoadCheckedImage(const std::string& name, const std::string& where, WatchedFiles* sources = nullptr);

// The image as drawn at this scale: of name.ext, name@1.5x.ext, name@2x.ext
// and name@3x.ext beside it, the smallest drawn for at least this scale (else
// the largest there is), filtered to exactly the base image's size times the
// scale. Merged images and icons are filtered from what the shell makes of
// them. At scale 1 it is LoadCheckedImage itself.
HBITMAP LoadScaledImage(const std::string& name, const std::string& where, const TScale& scale,
                        WatchedFiles* sources = nullptr);

}  // namespace kesto
