#!/bin/sh
# Benchmarks: the box file store natively; under Wine, shortcut creation and
# one table of ratios against bare Win32 code.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
fail() { echo "bench: $*" >&2; exit 1; }
sh scripts/install-deps.sh || fail "could not install what the build needs"
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTO_SANITIZE=OFF -DKESTO_FUZZ=OFF \
  -DKESTO_BENCH=ON >/dev/null
ninja -C build/bench
./build/bench/bench_box_file
. scripts/wine-env.sh
kesto_use_arch "$(kesto_default_arch)" || exit 2
kesto_build_windows bench_shortcuts_win bench_costs_win Kesto || fail "the Windows benchmarks did not build"
kesto_check_wine || fail "Wine cannot run the $KESTO_ARCH benchmarks: $KESTO_WINE_PROBLEM"
kesto_start_display || fail "the virtual display (Xvfb) did not start: $KESTO_DISPLAY_PROBLEM"
trap kesto_stop_display EXIT
kesto_wine_env "$root/build/$KESTO_BUILD_NAME" bench
echo "bench: $KESTO_ARCH"
"$KESTO_WINE" "build/$KESTO_BUILD_NAME/bin/bench_shortcuts_win.exe"
# The table of ratios: Kesto.dll against bare Win32 code, side by side.
(cd "build/$KESTO_BUILD_NAME/bin" && "$KESTO_WINE" bench_costs_win.exe)
