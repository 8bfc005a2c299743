#!/bin/sh
# scripts/install-deps.sh against a faked apt-get: a mirror in the middle of a
# sync hands out a broken index for one suite, and an install of two
# architectures then fails on version skew unless that suite is left out.
cd "$(dirname "$0")/../.." || exit 1
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail=0
check() {  # check <description> <command...>
  what="$1"; shift
  if ! "$@"; then echo "FAIL: $what"; fail=1; fi
}

mkdir -p "$tmp/etc/sources.list.d"
cat > "$tmp/etc/sources.list.d/debian.sources" <<'SOURCES'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main

Types: deb
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
SOURCES
echo "deb http://deb.debian.org/debian-security bookworm-security main" > "$tmp/etc/sources.list"
cp -r "$tmp/etc" "$tmp/etc-before"

# The fake: an update fails for bookworm-security unless the sources given
# leave it out; an install fails unless made from such sources.
cat > "$tmp/apt-get" <<'FAKE'
#!/bin/sh
echo "$*" >> "$FAKE_LOG"
parts=""
for arg in "$@"; do case "$arg" in Dir::Etc::sourceparts=*) parts="${arg#*=}" ;; esac; done
list=""
for arg in "$@"; do case "$arg" in Dir::Etc::sourcelist=*) list="${arg#*=}" ;; esac; done
clean() { [ -n "$parts" ] && ! grep -qs '^Suites:.*bookworm-security' "$parts"/* &&
          ! grep -qs '^deb .*bookworm-security' "$list"; }
case "$*" in
  *update*)
    tries=$(grep -c update "$FAKE_LOG")
    if [ "$FAKE_MODE" = lock ]; then echo "E: Could not get lock /var/lib/apt/lists/lock"; exit 100; fi
    if [ "$FAKE_MODE" = transient ] && [ "$tries" -ge 2 ]; then exit 0; fi
    if ! clean; then
      echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]"
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
      exit 100
    fi ;;
  *install*)
    [ "$FAKE_MODE" = transient ] || clean || { echo "E: Unable to correct problems, you have held broken packages."; exit 100; } ;;
esac
exit 0
FAKE
chmod +x "$tmp/apt-get"

run() {  # run <mode>: the script's output in $tmp/out, its status in $status
  : > "$tmp/log"
  FAKE_LOG="$tmp/log" FAKE_MODE="$1" KESTO_APT_GET="$tmp/apt-get" KESTO_APT_ETC="$tmp/etc" \
    KESTO_APT_RETRY_PAUSE=0 KESTO_DEPS_NEED="cmake wine32:i386-free" sh scripts/install-deps.sh > "$tmp/out" 2>&1
  status=$?
}

# The mirror stays broken for the suite: three tries, then the install without it.
run skew
check "falls back and succeeds" [ "$status" -eq 0 ]
check "says what it did in one line" [ "$(cat "$tmp/out")" = \
  "install-deps: the index of bookworm-security failed 3 times (mirror sync?); installed without that suite" ]
check "tries the update three times" [ "$(grep -c '^update' "$tmp/log")" -eq 3 ]
check "installs with the reduced sources" grep -q 'Dir::Etc::sourceparts=.* install -y -qq cmake' "$tmp/log"
check "leaves the system's sources as they are" diff -r "$tmp/etc-before" "$tmp/etc"

# A mirror that mends itself between two tries: an ordinary install, no fallback.
run transient
check "a passing hiccup installs as usual" [ "$status" -eq 0 ] && [ ! -s "$tmp/out" ]
check "after two tries" [ "$(grep -c '^update' "$tmp/log")" -eq 2 ]
check "from the system's sources" [ "$(grep -c 'Dir::Etc' "$tmp/log")" -eq 0 ]

# A failure no suite is to blame for is reported, not worked around.
run lock
check "fails" [ "$status" -ne 0 ]
check "and says why" grep -q "apt-get update failed 3 times" "$tmp/out"
check "without installing anything" [ "$(grep -c 'install' "$tmp/log")" -eq 0 ]

[ "$fail" -eq 0 ] && echo "install-deps: all checks passed"
exit "$fail"
