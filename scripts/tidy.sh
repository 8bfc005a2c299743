#!/bin/sh
# clang-tidy (bugprone and the clang analyzer) over the module's code and the
# author tools: the Windows sources as the cross build compiles them, the
# portable ones as the native build does. Fails on any finding; an exception
# is marked and explained where it is made (NOLINT with a reason).
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
command -v clang-tidy >/dev/null || {
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq clang-tidy >/dev/null
}
checks='-*,bugprone-*,clang-analyzer-*,-bugprone-easily-swappable-parameters'
cmake -S . -B build/win -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake -S . -B build/native -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
gcc_version="$(ls /usr/lib/gcc/i686-w64-mingw32/ | grep posix | head -n 1)"
cxx="/usr/lib/gcc/i686-w64-mingw32/$gcc_version/include/c++"
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
# Two at a time: each Windows file parses all of windows.h.
ls base/*.cpp content/*.cpp box/*.cpp bang/*.cpp module/*.cpp | xargs -P 2 -n 4 clang-tidy -p build/win --quiet \
  --checks="$checks" --warnings-as-errors='*' --extra-arg=--target=i686-w64-mingw32 \
  --extra-arg="-isystem$cxx" --extra-arg="-isystem$cxx/i686-w64-mingw32" >>"$out" 2>&1 || status=1
# The code that differs by architecture, once more as the x86-64 build compiles it.
cmake -S . -B build/win64 -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cxx64="/usr/lib/gcc/x86_64-w64-mingw32/$gcc_version/include/c++"
ls base/return_path_x64.cpp base/module_state.cpp content/hosted_modules.cpp content/tooltip.cpp |
  xargs -P 2 -n 2 clang-tidy -p build/win64 --quiet --checks="$checks" --warnings-as-errors='*' \
  --extra-arg=--target=x86_64-w64-mingw32 --extra-arg="-isystem$cxx64" \
  --extra-arg="-isystem$cxx64/x86_64-w64-mingw32" >>"$out" 2>&1 || status=1
ls boxfile/*.cpp tools/check/*.cpp | xargs -P 2 -n 4 clang-tidy -p build/native --quiet --checks="$checks" \
  --warnings-as-errors='*' >>"$out" 2>&1 || status=1
if [ "${status:-0}" -ne 0 ]; then
  grep -E "(warning|error):" "$out" >&2 || cat "$out" >&2
  echo "tidy: clang-tidy has findings" >&2
  exit 1
fi
echo "tidy: clang-tidy (bugprone, clang-analyzer) is clean"
