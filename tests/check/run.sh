#!/bin/sh
# Runs kesto-check over the corpus: each case's output must match its
# .expected file exactly, with the exit status the case asks for.
check="$1"
cd "$(dirname "$0")/../.." || exit 1
fail=0
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

expect() {  # expect <status> <expected file> <arguments...>
  status="$1"; expected="$2"; shift 2
  "$check" "$@" > "$tmp/out" 2>&1
  got=$?
  if [ "$got" != "$status" ]; then echo "FAIL $*: exit $got, expected $status"; fail=1; fi
  if [ -n "$expected" ] && ! diff -u "$expected" "$tmp/out"; then echo "FAIL $*: output differs"; fail=1; fi
}

for box in tests/check/cases/*.box; do
  status=1
  [ "$(wc -c < "${box%.box}.expected")" -eq 0 ] && status=0
  expect "$status" "${box%.box}.expected" --shell-dir tests/check/cases "$box"
done

# A configuration: box files as written, then under the shell's folder; a missing one is an error.
expect 2 tests/check/config.expected --shell-dir tests/check/cases --config tests/check/shell.rc

# A create line that is not one.
expect 1 tests/check/misspelt.expected --shell-dir tests/check --config tests/check/misspelt.rc

# A configuration with variables of its own, the shell's image forms, and
# file names in another letter case.
expect 1 tests/check/theme/step.expected --config tests/check/theme/step.rc

# A box that remembers its position in a file that cannot be written.
printf 'KestoName Fixed\r\nKestoRememberPosition\r\n' > "$tmp/fixed.box"
chmod 0444 "$tmp/fixed.box"
"$check" "$tmp/fixed.box" | grep -q '\[remember-unwritable\]' || { echo "FAIL remember-unwritable"; fail=1; }

# Art for higher scales: a form of the wrong size, and a theme shown at 200 %
# with art drawn for 100 % only.
cp tests/check/cases/mail.bmp "$tmp/art.bmp"
cp tests/check/cases/mail.bmp "$tmp/art@2x.bmp"
printf 'KestoName Art\r\nKestoBackGround %s\r\n' "$tmp/art.bmp" > "$tmp/art.box"
"$check" "$tmp/art.box" | grep -q '\[scaled-art-size\]' || { echo "FAIL scaled-art-size"; fail=1; }
printf 'KestoName Plain\r\nKestoBackGround tests/check/cases/mail.bmp\r\n' > "$tmp/plain.box"
"$check" --scale 2 "$tmp/plain.box" | grep -q '\[one-scale-art\]' || { echo "FAIL one-scale-art"; fail=1; }
"$check" --scale 1 "$tmp/plain.box" | grep -q 'one-scale-art' && { echo "FAIL one-scale-art at 100 %"; fail=1; }

# The keys of scale: a zoom out of range, a scaling neither on nor off; 150% is a zoom.
printf 'KestoName Z\r\nKestoZoom 5000\r\nKestoDpiScaling maybe\r\n' > "$tmp/zoom.box"
"$check" "$tmp/zoom.box" | grep -q '\[zoom-value\]' || { echo "FAIL zoom-value"; fail=1; }
"$check" "$tmp/zoom.box" | grep -q '\[dpi-scaling-value\]' || { echo "FAIL dpi-scaling-value"; fail=1; }
printf 'KestoName Z\r\nKestoZoom 150%%\r\n' > "$tmp/zoom.box"
"$check" "$tmp/zoom.box" | grep -q 'KestoZoom' && { echo "FAIL a zoom of 150%"; fail=1; }

# JSON for tools.
"$check" --format=json tests/check/cases/tiling.box | grep -q '"check": "no-centre-tile"' || {
  echo "FAIL json"; fail=1; }

# The sample theme checks clean.
expect 0 "" --var ThemeDir=samples/theme samples/theme/badge.box samples/theme/panel.box \
  samples/theme/glass.box samples/theme/launcher.box samples/theme/orb.box
# Where Windows paths of Wine's Z: drive are read on this system, the report
# names the file as it is here (its letter case on disk, '/' between parts).
case "$check" in
  *.exe) ;;
  *)
    windows="Z:$(pwd | tr '/' '\\')\\tests\\check\\cases\\WALK.BOX"
    printf '*KestoCreate "%s"\r\n' "$windows" > "$tmp/z.rc"
    "$check" --config "$tmp/z.rc" > "$tmp/out" 2>&1
    grep -q "^$(pwd)/tests/check/cases/walk.box:2: warning" "$tmp/out" || {
      echo "FAIL local paths"; cat "$tmp/out"; fail=1; }
    ;;
esac
exit $fail
