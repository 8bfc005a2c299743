#!/bin/sh
# The Windows tests of one architecture, on a display and in prefixes of its
# own: the test programs under Wine, then the real-shell lane.
#   sh scripts/win-suite.sh i686|x86_64 [--representative]
# --representative runs a part of the suite that shows each part of Kesto at
# least once (for slow runs, such as through an emulator).
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
arch="$1"
. scripts/wine-env.sh
kesto_use_arch "$arch" || exit 2
fail() { echo "win-suite ($arch): $*" >&2; exit 1; }
[ -f "build/$KESTO_BUILD_NAME/bin/Kesto.dll" ] || fail "build/$KESTO_BUILD_NAME is not built (scripts/test.sh builds it)"
kesto_check_wine || fail "Wine cannot run $arch programs here: $KESTO_WINE_PROBLEM"
kesto_start_display || fail "the virtual display (Xvfb) did not start: $KESTO_DISPLAY_PROBLEM"
trap kesto_stop_display EXIT
kesto_wine_env "$root/build/$KESTO_BUILD_NAME"
if [ "${2:-}" = --representative ]; then
  (cd "build/$KESTO_BUILD_NAME" && ctest --output-on-failure -R win_representative_tests) || fail "test programs failed"
  sh scripts/real-shell.sh tour self-unload move-unload reload-unload unicode || fail "the real-shell lane failed"
else
  (cd "build/$KESTO_BUILD_NAME" && ctest --output-on-failure -E win_representative_tests) ||
    fail "test programs failed"
  # The system's own scale, 150 % and 200 %: Wine's LogPixels, set in prefixes
  # of their own before any program starts there.
  for dpi in 144 192; do
    kesto_dpi_env "$root/build/$KESTO_BUILD_NAME" "$dpi" "dpi$dpi"
    out="$(cd "build/$KESTO_BUILD_NAME/bin" && "$KESTO_WINE" kesto_win_tests.exe \
      --gtest_filter='ScaleTest.AtTheSystems*' 2>&1)" || { printf '%s\n' "$out" | grep -v '^fixme' >&2; fail "boxes at $dpi DPI"; }
    printf '%s\n' "$out" | grep -q "drawn at $dpi DPI" || fail "the prefix for $dpi DPI did not run at $dpi DPI"
    echo "win-suite ($arch): boxes at $dpi DPI are drawn at their scale"
  done
  sh scripts/real-shell.sh || fail "the real-shell lane failed"
  sh tests/release/zip_install.sh "$arch" || fail "the release zip did not install"
fi
echo "win-suite ($arch): passed"
