#!/bin/sh
# Runs kesto-preview (a Windows program) under Wine on a virtual display.
#   scripts/preview.sh file.box -o out.png [--state normal|hover|pressed] [--var NAME=VALUE]...
#   scripts/preview.sh --config shell.rc -o desktop.png
# Paths given to it are Windows paths as Wine sees them (Z:\... for /...); plain
# Linux paths are converted.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
fail() { echo "preview: $*" >&2; exit 1; }
. "$root/scripts/wine-env.sh"
kesto_use_arch "$(kesto_default_arch)" || exit 2
bin="$root/build/$KESTO_BUILD_NAME/bin"
[ -f "$bin/kesto-preview.exe" ] || {
  sh "$root/scripts/install-deps.sh" || fail "could not install what the build needs"
  kesto_build_windows Kesto kesto-preview || fail "the preview did not build"
}
kesto_check_wine || fail "Wine cannot run the $KESTO_ARCH preview: $KESTO_WINE_PROBLEM"
kesto_start_display || fail "the virtual display (Xvfb) did not start: $KESTO_DISPLAY_PROBLEM"
trap kesto_stop_display EXIT
# A script that runs many previews (watch.sh) names a prefix of its own.
kesto_wine_env "$root/build/$KESTO_BUILD_NAME" "${KESTO_WINE_PURPOSE:-preview}"
args=""
for arg in "$@"; do
  case "$arg" in
    /*) arg="Z:$(printf '%s' "$arg" | tr '/' '\\')" ;;
    *.box|*.png|*.rc) arg="Z:$(printf '%s' "$PWD/$arg" | tr '/' '\\')" ;;
  esac
  args="$args \"$arg\""
done
eval "\"\$KESTO_WINE\" \"\$bin/kesto-preview.exe\" $args"
