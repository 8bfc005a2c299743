#!/bin/sh
# Builds only the tools for theme authors, fast:
#   build/tools/kesto-check                the checker, a native program
#   build/win/bin/kesto-preview.exe        the preview (with Kesto.dll and the stand-in shell)
#   build/win/bin/kesto-drive.exe          drives a running shell from outside (scripts/real-shell.sh --theme)
# (build/win64/bin instead where this machine runs only 64-bit programs, or
# with KESTO_ARCH=x86_64.)
# Run the preview through scripts/preview.sh, which gives it a virtual display.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
fail() { echo "tools: $*" >&2; exit 1; }
sh scripts/install-deps.sh || fail "could not install what the build needs"
cmake -S . -B build/tools -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTO_SANITIZE=OFF -DKESTO_FUZZ=OFF >/dev/null ||
  fail "cmake could not configure the checker's build"
ninja -C build/tools kesto-check || fail "the checker did not compile"
. scripts/wine-env.sh
kesto_use_arch "$(kesto_default_arch)" || exit 2
kesto_build_windows Kesto kesto-preview kesto-drive || fail "the Windows tools did not build"
echo "tools: build/tools/kesto-check, build/$KESTO_BUILD_NAME/bin/kesto-preview.exe (run it with scripts/preview.sh)" \
  "and kesto-drive.exe"
