#!/bin/sh
# Builds only the tools for theme authors, fast:
#   build/tools/kesto-check                the checker, a native program
#   build/win/bin/kesto-preview.exe        the preview (with Kesto.dll and the stand-in shell)
#   build/win/bin/kesto-drive.exe          drives a running shell from outside (scripts/real-shell.sh --theme)
# Run the preview through scripts/preview.sh, which gives it a virtual display.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
sh scripts/install-deps.sh
cmake -S . -B build/tools -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTO_SANITIZE=OFF -DKESTO_FUZZ=OFF >/dev/null
ninja -C build/tools kesto-check
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build/win Kesto kesto-preview kesto-drive
echo "tools: build/tools/kesto-check, build/win/bin/kesto-preview.exe (run it with scripts/preview.sh) and kesto-drive.exe"
