#!/bin/sh
# Builds everything and runs every test: the layering check, the portable
# core natively under ASan and UBSan with a short fuzz budget, clang-tidy,
# Kesto under Wine on a virtual display, and the real-shell lane where the
# real shell's kit is beside this clone. Safe to run again; installs what is
# missing.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
sh scripts/install-deps.sh
sh scripts/check-layers.sh

CC=clang CXX=clang++ cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DKESTO_FUZZ_SECONDS="${KESTO_FUZZ_SECONDS:-20}" >/dev/null
ninja -C build/native
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTO_SANITIZE=OFF -DKESTO_FUZZ=OFF \
  -DKESTO_BENCH=ON >/dev/null
ninja -C build/bench
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build/win

(cd build/native && ctest --output-on-failure)
sh scripts/tidy.sh

. scripts/wine-env.sh
kesto_start_display
trap kesto_stop_display EXIT
kesto_wine_env "$root/build/win"
(cd build/win && ctest --output-on-failure)
# The same theme and scenarios in the real shell, where its kit is beside us.
sh scripts/real-shell.sh
# An author's shell and watch.sh side by side on this clone.
sh tests/authors/watch_beside_shell.sh
echo "all tests passed"
