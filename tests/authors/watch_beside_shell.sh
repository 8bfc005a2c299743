#!/bin/sh
# An author's two loops at once on one clone: the theme runs in the real
# shell (scripts/real-shell.sh --theme) while scripts/watch.sh previews ten
# saves and then a burst of ten image saves. The shell must survive all of it,
# the burst must give one refresh, and the box that rebuilds itself must have
# followed the saves in the shell.
set -e
root="$(cd "$(dirname "$0")/../.." && pwd)"
if [ ! -f "$root/../shared/litestep/build.sh" ]; then
  echo "watch-beside-shell skipped: the real shell's kit is not beside this clone"
  exit 0
fi
work="$root/build/watch-beside-shell"
rm -rf "$work"
mkdir -p "$work/theme"
cp "$root/samples/theme/panel.box" "$root/samples/theme/panel.bmp" "$root/samples/theme/red.bmp" "$work/theme/"
printf '%s\r\n' "KestoName Auto" "KestoAutoReload" "KestoX 400" "KestoY 300" "KestoBackGround \$ThemeDir\$\\red.bmp" \
  > "$work/theme/auto.box"

fail() { echo "watch-beside-shell: $*" >&2; exit 1; }
# Waits until the file has at least n lines matching the pattern (at most s seconds).
await_lines() {  # file pattern n seconds
  for _ in $(seq 1 $(($4 * 5))); do
    [ "$(grep -c -- "$2" "$1" 2>/dev/null || true)" -ge "$3" ] && return 0
    sleep 0.2
  done
  return 1
}

sh "$root/scripts/real-shell.sh" --theme "$work/theme" --for 600 < /dev/null > "$work/shell.log" 2>&1 &
shell_script=$!
watch_script=""
cleanup() {
  [ -n "$watch_script" ] && kill -- -"$watch_script" 2>/dev/null || true
  kill "$shell_script" 2>/dev/null || true
  wait "$shell_script" 2>/dev/null || true
}
trap cleanup EXIT
await_lines "$work/shell.log" "LiteStep runs the theme" 1 180 || { cat "$work/shell.log"; fail "the shell did not start"; }
litestep_running() { pgrep -f 'litestep.exe step.rc' >/dev/null; }
litestep_running || fail "no litestep.exe runs"

# watch.sh in a process group of its own, so that all of it can be ended.
setsid sh "$root/scripts/watch.sh" "$work/theme" --var ThemeDir="$work/theme" > "$work/watch.log" 2>&1 &
watch_script=$!
ended='^\(clean\|refreshed\):'
await_lines "$work/watch.log" "$ended" 1 180 || { cat "$work/watch.log"; fail "watch.sh did not refresh"; }
for save in $(seq 1 10); do
  printf '; save %s\r\n' "$save" >> "$work/theme/auto.box"
  await_lines "$work/watch.log" "$ended" $((save + 1)) 60 || { cat "$work/watch.log"; fail "save $save was not previewed"; }
  litestep_running || { cat "$work/shell.log"; fail "the shell died at save $save"; }
done
for image in $(seq 1 10); do
  cp "$root/samples/theme/blue.bmp" "$work/theme/red.bmp"
  sleep 0.05
done
await_lines "$work/watch.log" "$ended" 12 60 || { cat "$work/watch.log"; fail "the image burst was not previewed"; }
sleep 3
[ "$(grep -c -- "$ended" "$work/watch.log")" -eq 12 ] || { cat "$work/watch.log"; fail "the burst of ten image saves gave more than one refresh"; }
grep -q -- "refresh: auto.box $" "$work/watch.log" || { cat "$work/watch.log"; fail "the image refresh previewed other boxes"; }
litestep_running || { cat "$work/shell.log"; fail "the shell died during the image burst"; }
# A clean theme is said to be clean, in one line per refresh.
[ "$(grep -c '^clean:' "$work/watch.log")" -eq 12 ] || { cat "$work/watch.log"; fail "a clean refresh did not say so"; }
made="$(grep -c "box 'Auto' made" "$work/shell.log" || true)"
[ "$made" -ge 12 ] || { cat "$work/shell.log"; fail "the box was built $made times in the shell, not once and once per save"; }
echo "watch-beside-shell: the shell survived ten previewed saves and a burst of ten image saves (one refresh); the box followed every save in it"
