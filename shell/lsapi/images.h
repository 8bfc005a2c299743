// Images as the real shell's LoadLSImage reads them (inside lsapi.dll).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace standin {

using Expander = std::function<std::string(const std::string&)>;

// ".none" gives no image; "a|b" draws a over b, magenta see-through;
// ".extract=file,n" takes an icon; otherwise the expanded name is tried in
// the image folder first, then as given. A PNG becomes a 32-bit DIB section
// with straight alpha; other files are loaded as device-dependent bitmaps.
HBITMAP LoadShellImage(const std::string& name, const std::string& imageFolder, const Expander& expand);

}  // namespace standin
