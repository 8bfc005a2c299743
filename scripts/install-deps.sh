#!/bin/sh
# Installs what the build and tests need on Debian, without questions; does
# nothing when everything is already there.
#
# A package mirror in the middle of a sync can hand out an index of the wrong
# size for one suite; apt then ignores that index, and an install of packages
# of two architectures fails on the skew between them. So the index update is
# retried, and if a suite still fails, the install is done with that suite
# left out of the sources (only for this install; the system's own sources
# are not touched), and one line says so.
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
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need="$need g++-mingw-w64-x86-64-posix"
command -v Xvfb >/dev/null || need="$need xvfb xauth"
# The release: the manual made from Markdown, the zip made and unpacked.
command -v cmark >/dev/null || need="$need cmark"
command -v python3 >/dev/null || need="$need python3"
command -v unzip >/dev/null || need="$need unzip"
[ -d /usr/src/googletest ] || need="$need googletest"
[ -f /usr/include/gtest/gtest.h ] || need="$need libgtest-dev"
[ -f /usr/include/benchmark/benchmark.h ] || need="$need libbenchmark-dev"
[ -f /usr/include/stb/stb_image_write.h ] || need="$need libstb-dev"
# Both of Wine's halves: 64-bit always; 32-bit, which some machines cannot run.
[ -x /usr/lib/wine/wine64 ] || need="$need wine wine64"
dpkg -s wine32:i386 >/dev/null 2>&1 || need="$need wine wine32:i386"
# Fonts for labels in every script (Latin, Greek and Cyrillic; Chinese and Japanese).
[ -f /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf ] || need="$need fonts-dejavu-core"
[ -f /usr/share/fonts/truetype/wqy/wqy-microhei.ttc ] || need="$need fonts-wqy-microhei"
# The tests of this script name the packages and apt's tools and folder themselves.
need="${KESTO_DEPS_NEED:-$need}"
[ -z "$need" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
APT_GET="${KESTO_APT_GET:-apt-get}"
APT_ETC="${KESTO_APT_ETC:-/etc/apt}"
RETRY_PAUSE="${KESTO_APT_RETRY_PAUSE:-10}"
export DEBIAN_FRONTEND=noninteractive
case "$need" in *i386*) $SUDO dpkg --add-architecture i386 ;; esac

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The suites whose index could not be fetched, one per line, from the output
# of "apt-get update" ("Failed to fetch http://host/path/dists/SUITE/...").
failed_suites() {
  sed -n 's|.*Failed to fetch [^ ]*/dists/\([^/ ]*\)/.*|\1|p' "$1" | sort -u
}

update() {  # update [apt options...]: 0 when every index came whole
  # shellcheck disable=SC2068
  $SUDO "$APT_GET" $@ update -qq >"$work/update.log" 2>&1 || return 1
  ! grep -q '^E:' "$work/update.log"
}

install() {  # install [apt options...]
  # shellcheck disable=SC2068,SC2086
  $SUDO "$APT_GET" $@ install -y -qq $need >"$work/install.log" 2>&1
}

tries=1
until update; do
  [ "$tries" -ge 3 ] && break
  tries=$((tries + 1))
  sleep "$RETRY_PAUSE"
done

if grep -q '^E:' "$work/update.log" 2>/dev/null; then
  suites="$(failed_suites "$work/update.log")"
  if [ -z "$suites" ]; then
    cat "$work/update.log" >&2
    echo "install-deps: apt-get update failed $tries times; see above" >&2
    exit 1
  fi
  # The system's sources with the failing suites taken out, in a list of our own.
  mkdir -p "$work/sources.list.d"
  : >"$work/sources.list"
  for file in "$APT_ETC/sources.list" "$APT_ETC"/sources.list.d/*.list "$APT_ETC"/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    out="$work/sources.list.d/$(basename "$file")"
    [ "$file" = "$APT_ETC/sources.list" ] && out="$work/sources.list"
    cp "$file" "$out"
    for suite in $suites; do
      case "$file" in
        *.sources)  # deb822: drop the suite from "Suites:"; a stanza left with none is disabled
          sed -i -e "/^Suites:/ s/[[:space:]]$suite\([[:space:]]\|\$\)/\1/" \
                 -e '/^Suites:[[:space:]]*$/ s/.*/Suites: kesto-none\nEnabled: no/' "$out" ;;
        *)  sed -i "/^[[:space:]]*deb\(-src\)\?[[:space:]].*[[:space:]]$suite[[:space:]]/ s/^/# /" "$out" ;;
      esac
    done
  done
  opts="-o Dir::Etc::sourcelist=$work/sources.list -o Dir::Etc::sourceparts=$work/sources.list.d"
  # shellcheck disable=SC2086
  update $opts || true
  # shellcheck disable=SC2086
  if ! install $opts; then
    cat "$work/install.log" >&2
    echo "install-deps: install failed even without $(echo $suites)" >&2
    exit 1
  fi
  # shellcheck disable=SC2086
  echo "install-deps: the index of $(echo $suites) failed $tries times (mirror sync?); installed without that suite"
  exit 0
fi

if ! install; then
  cat "$work/install.log" >&2
  exit 1
fi
