#!/bin/sh
# Runs a command in which 32-bit (i386) programs start through QEMU's user-mode
# emulator, for machines whose kernel runs only 64-bit code. Nothing of the
# machine changes: the emulator is registered for i386 programs in a
# binfmt_misc instance of a private user and mount namespace (Linux 6.7 and
# later give each user namespace its own), and it comes from Debian 13's
# static qemu-user package, fetched once into a cache of its own.
#   sh scripts/emulate-i686.sh --check     says in one line whether it can be used
#   sh scripts/emulate-i686.sh CMD...      runs CMD so
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cache="${KESTO_EMULATOR_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kesto-qemu}"
qemu="$cache/usr/bin/qemu-i386"
fail() { echo "emulate-i686: $*" >&2; exit 1; }

# Debian 13's qemu-user, with apt's own tools and a sources list of its own.
fetch() {
  [ -x "$qemu" ] && return 0
  command -v unshare >/dev/null || fail "unshare (util-linux) is missing"
  work="$cache/apt"
  rm -rf "$work"
  mkdir -p "$work/sources" "$work/lists/partial" "$work/archives/partial"
  printf '%s\n' "Types: deb" "URIs: http://deb.debian.org/debian" "Suites: trixie" "Components: main" \
    "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" > "$work/sources/trixie.sources"
  : > "$work/status"
  opts="-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts=$work/sources -o Dir::State::Lists=$work/lists
    -o Dir::State::Status=$work/status -o Dir::Cache=$work -o APT::Architecture=amd64
    -o APT::Architectures=amd64 -o Debug::NoLocking=1"
  # shellcheck disable=SC2086
  apt-get $opts update -qq >"$work/update.log" 2>&1 || fail "could not read Debian 13's package index ($(tail -n 1 "$work/update.log"))"
  # shellcheck disable=SC2086
  (cd "$work" && apt-get $opts download qemu-user >"$work/download.log" 2>&1) ||
    fail "could not download qemu-user ($(tail -n 1 "$work/download.log"))"
  dpkg -x "$work"/qemu-user_*.deb "$cache" || fail "could not unpack qemu-user"
  rm -rf "$work"
  [ -x "$qemu" ] || fail "qemu-user holds no qemu-i386"
}

# CMD... inside the namespace, with qemu-i386 registered for i386 ELF programs.
run_emulated() {
  # shellcheck disable=SC2016
  unshare --user --map-root-user --mount --propagation private sh -c '
    qemu="$1"; shift
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
      { echo "emulate-i686: this kernel gives a user namespace no binfmt_misc of its own (Linux 6.7 or later does)" >&2; exit 97; }
    printf ":kesto-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:%s:F\n" "$qemu" \
      > /proc/sys/fs/binfmt_misc/register ||
      { echo "emulate-i686: could not register the emulator for i386 programs" >&2; exit 97; }
    exec "$@"' kesto-emulated "$qemu" "$@"
}

if [ "${1:-}" = --check ]; then
  fetch
  version="$(run_emulated /usr/lib/wine/wine --version 2>&1)" ||
    fail "32-bit Wine does not start through the emulator either: $(printf '%s' "$version" | tail -n 1)"
  echo "emulate-i686: 32-bit programs run through $("$qemu" --version | head -n 1) ($version)"
  exit 0
fi
[ $# -gt 0 ] || fail "usage: emulate-i686.sh --check | CMD..."
fetch
cd "$root"
run_emulated "$@"
