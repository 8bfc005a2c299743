#!/bin/sh
# Benchmarks: the box file store natively; under Wine, shortcut creation and
# one table of ratios against bare Win32 code.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
sh scripts/install-deps.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTO_SANITIZE=OFF -DKESTO_FUZZ=OFF \
  -DKESTO_BENCH=ON >/dev/null
ninja -C build/bench
./build/bench/bench_box_file
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build/win bench_shortcuts_win bench_costs_win Kesto
. scripts/wine-env.sh
kesto_start_display
trap kesto_stop_display EXIT
kesto_wine_env "$root/build/win" bench
wine build/win/bin/bench_shortcuts_win.exe
# The table of ratios: Kesto.dll against bare Win32 code, side by side.
(cd build/win/bin && wine bench_costs_win.exe)
