#!/bin/sh
# Builds everything and runs every test: the layering check, the portable
# core natively under ASan and UBSan with a short fuzz budget, clang-tidy,
# then Kesto under Wine on virtual displays for each architecture this
# machine runs (x86-64 always; i686 where 32-bit programs start, else through
# a user-mode emulator where one can be had), each with the real-shell lane
# where the real shell's kit is beside this clone. Safe to run again;
# installs what is missing. Each failing step says which, and why.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
step=""
fail() { echo "test: $step: $*" >&2; exit 1; }

step="installing what the build needs"
sh scripts/install-deps.sh || fail "see above"
step="layering check"
sh scripts/check-layers.sh || fail "an include crosses a floor (see above)"

step="native build"
CC=clang CXX=clang++ cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DKESTO_FUZZ_SECONDS="${KESTO_FUZZ_SECONDS:-20}" >/dev/null || fail "cmake could not configure it"
ninja -C build/native || fail "it did not compile"
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTO_SANITIZE=OFF -DKESTO_FUZZ=OFF \
  -DKESTO_BENCH=ON >/dev/null || fail "cmake could not configure the benchmark"
ninja -C build/bench || fail "the benchmark did not compile"

. scripts/wine-env.sh
# Both DLLs build on every machine (the cross compilers are 64-bit programs).
for arch in x86_64 i686; do
  kesto_use_arch "$arch"
  step="Windows build ($arch)"
  cmake -S . -B "build/$KESTO_BUILD_NAME" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$KESTO_TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null || fail "cmake could not configure it"
  ninja -C "build/$KESTO_BUILD_NAME" || fail "it did not compile"
done

# Kesto.dll alone, as a build on Windows makes it (no stand-in shell, no
# tools): it must build, and import from the shell what the full build does.
step="Kesto.dll alone (x86_64)"
kesto_use_arch x86_64
cmake -S . -B build/module-only -G Ninja -DCMAKE_TOOLCHAIN_FILE="$KESTO_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
  -DKESTO_MODULE_ONLY=ON >/dev/null || fail "cmake could not configure it"
ninja -C build/module-only Kesto >/dev/null || fail "it did not compile (ninja -C build/module-only Kesto)"
imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n '/DLL Name/,/^$/p' | awk '{print $NF}' | sort; }
[ "$(imports build/module-only/bin/Kesto.dll)" = "$(imports build/win64/bin/Kesto.dll)" ] ||
  fail "it imports other functions than the full build's Kesto.dll"

# The release, twice: the same commit gives the same bytes.
step="release zip"
sh scripts/package.sh --no-build >/dev/null || fail "scripts/package.sh --no-build failed"
zip="dist/Kesto-$(tr -d ' \r\n' < VERSION).zip"
first="$(sha256sum "$zip")"
sh scripts/package.sh --no-build >/dev/null || fail "scripts/package.sh --no-build failed"
[ "$(sha256sum "$zip")" = "$first" ] || fail "two packages of one tree differ"
for entry in x86/Kesto.dll x64/Kesto.dll manual.html manual.txt theme/Kesto/theme.rc step.rc LICENSE.txt CHANGES.txt; do
  unzip -l "$zip" | grep -q " Kesto-[0-9.]*/$entry\$" || fail "$entry is not in $zip"
done
echo "release: $zip ($(wc -c < "$zip") bytes), the same bytes twice"

step="native tests"
(cd build/native && ctest --output-on-failure) || fail "see above"
step="clang-tidy"
sh scripts/tidy.sh || fail "see above"

# Which architectures run here, said in one line.
i686_mode=native
blocked="$(kesto_i686_blocked)"
if [ -n "$blocked" ]; then
  if sh scripts/emulate-i686.sh --check >/dev/null 2>&1; then
    i686_mode=emulated
    echo "Windows tests: x86_64 (whole suite, real shell); i686 through a user-mode emulator, because $blocked"
  else
    i686_mode=none
    echo "Windows tests: x86_64 only; i686 not run: $blocked, and no user-mode emulator could be set up" \
      "($(sh scripts/emulate-i686.sh --check 2>&1 | tail -n 1))"
  fi
else
  echo "Windows tests: x86_64 and i686, both native"
fi

# The architectures run side by side, each on a display and in prefixes of
# its own; each one's output is printed whole when it is done.
logs="$root/build/test-logs"
mkdir -p "$logs"
sh scripts/win-suite.sh x86_64 > "$logs/x86_64.log" 2>&1 &
x64_pid=$!
i686_status=0
case "$i686_mode" in
  native) sh scripts/win-suite.sh i686 > "$logs/i686.log" 2>&1 || i686_status=$? ;;
  emulated) sh scripts/emulate-i686.sh sh scripts/win-suite.sh i686 --representative \
              > "$logs/i686.log" 2>&1 || i686_status=$? ;;
esac
x64_status=0
wait "$x64_pid" || x64_status=$?
for arch in x86_64 i686; do
  [ -f "$logs/$arch.log" ] || continue
  sed "s/^/[$arch] /" "$logs/$arch.log"
done
[ "$x64_status" -eq 0 ] || { step="Windows tests (x86_64)"; fail "see the [x86_64] lines above"; }
[ "$i686_status" -eq 0 ] || { step="Windows tests (i686, $i686_mode)"; fail "see the [i686] lines above"; }

# An author's shell and watch.sh side by side on this clone.
step="watch beside the shell"
sh tests/authors/watch_beside_shell.sh || fail "see above"
echo "all tests passed"
