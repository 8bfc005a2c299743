#!/bin/sh
# Installs what the build and tests need on Debian, without questions; does
# nothing when everything is already there.
set -e
need=""
command -v cmake >/dev/null || need="$need cmake"
command -v ninja >/dev/null || need="$need ninja-build"
command -v clang++ >/dev/null || need="$need clang"
command -v clang-tidy >/dev/null || need="$need clang-tidy"
# libFuzzer and the sanitizer runtimes come in their own package.
fuzzer_lib="$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a 2>/dev/null || true)"
[ -f "$fuzzer_lib" ] || need="$need libclang-rt-14-dev"
command -v i686-w64-mingw32-g++-posix >/dev/null || need="$need g++-mingw-w64-i686"
command -v Xvfb >/dev/null || need="$need xvfb xauth"
[ -d /usr/src/googletest ] || need="$need googletest"
[ -f /usr/include/gtest/gtest.h ] || need="$need libgtest-dev"
[ -f /usr/include/benchmark/benchmark.h ] || need="$need libbenchmark-dev"
[ -f /usr/include/stb/stb_image_write.h ] || need="$need libstb-dev"
dpkg -s wine32:i386 >/dev/null 2>&1 || need="$need wine wine32:i386"
[ -z "$need" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
case "$need" in *i386*) $SUDO dpkg --add-architecture i386 ;; esac
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq $need >/dev/null
