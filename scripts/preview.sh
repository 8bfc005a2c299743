#!/bin/sh
# Runs kesto-preview (a Windows program) under Wine on a virtual display.
#   scripts/preview.sh file.box -o out.png [--state normal|hover|pressed] [--var NAME=VALUE]...
#   scripts/preview.sh --config shell.rc -o desktop.png
# Paths given to it are Windows paths as Wine sees them (Z:\... for /...); plain
# Linux paths are converted.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
[ -x "$root/build/win/bin/kesto-preview.exe" ] || {
  sh "$root/scripts/install-deps.sh"
  cmake -S "$root" -B "$root/build/win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  ninja -C "$root/build/win" Kesto kesto-preview
}
. "$root/scripts/wine-env.sh"
kesto_start_display
trap kesto_stop_display EXIT
# A script that runs many previews (watch.sh) names a prefix of its own.
kesto_wine_env "$root/build/win" "${KESTO_WINE_PURPOSE:-preview}"
args=""
for arg in "$@"; do
  case "$arg" in
    /*) arg="Z:$(printf '%s' "$arg" | tr '/' '\\')" ;;
    *.box|*.png|*.rc) arg="Z:$(printf '%s' "$PWD/$arg" | tr '/' '\\')" ;;
  esac
  args="$args \"$arg\""
done
eval "wine \"$root/build/win/bin/kesto-preview.exe\" $args"
