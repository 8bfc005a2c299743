#!/bin/sh
# An author's own theme in the real LiteStep shell (built from the kit beside
# this clone), with the shell's log on and printed as it grows. Reached as
#   sh scripts/real-shell.sh --theme DIR [--config step.rc] [--screenshot FILE] [--for SECONDS]
# Without --config, every *.box of DIR is created, with ThemeDir set to DIR.
# At a terminal: Enter takes a screenshot, q and Enter quits the shell.
# Otherwise it runs for --for seconds (or until the shell quits), takes the
# screenshot asked for, and quits the shell. The theme stays where it is, so
# boxes with KestoAutoReload follow the author's saves.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
usage() { echo "usage: sh scripts/real-shell.sh --theme DIR [--config step.rc] [--screenshot FILE] [--for SECONDS]" >&2; exit 2; }
[ "${1:-}" = --theme ] && [ -n "${2:-}" ] || usage
theme="$(cd "$2" && pwd)" || usage
shift 2
config="" shot="" seconds=""
while [ $# -gt 0 ]; do
  case "$1" in
    --config) config="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"; shift 2 ;;
    --screenshot) shot="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"; shift 2 ;;
    --for) seconds="$2"; shift 2 ;;
    *) usage ;;
  esac
done
kit="$root/../shared/litestep/build.sh"
[ -f "$kit" ] || { echo "real-shell: the real shell's kit (../shared/litestep) is not beside this clone" >&2; exit 1; }
. "$root/scripts/wine-env.sh"
kesto_use_arch "$(kesto_default_arch)" || exit 2
bin="$root/build/$KESTO_BUILD_NAME/bin"
[ -f "$bin/Kesto.dll" ] && [ -f "$bin/kesto-drive.exe" ] || sh "$root/scripts/tools.sh" ||
  { echo "real-shell: the tools did not build" >&2; exit 1; }
kesto_check_wine || { echo "real-shell: Wine cannot run the $KESTO_ARCH shell: $KESTO_WINE_PROBLEM" >&2; exit 1; }
shell_bin="$(sh "$kit" "$root/build/litestep" "$KESTO_ARCH" | tail -n 1)"
[ -f "$shell_bin/litestep.exe" ] || { echo "real-shell: the real shell ($KESTO_ARCH) did not build" >&2; exit 1; }

kesto_start_display || { echo "real-shell: the virtual display (Xvfb) did not start: $KESTO_DISPLAY_PROBLEM" >&2; exit 1; }
trap kesto_stop_display EXIT
run="$root/build/real-theme"
mkdir -p "$run"
cp "$shell_bin/litestep.exe" "$shell_bin/lsapi.dll" "$bin/Kesto.dll" "$run/"
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
log="$run/litestep.log"
rm -f "$log"
{
  printf '%s\n' "LSNoShellWarning" "LSLogLevel 4" "LSLogFile \"$(winpath "$log")\"" "ThemeDir \"$(winpath "$theme")\\\""
  if [ -n "$config" ]; then
    grep -qi 'kesto\.dll' "$config" || printf 'LoadModule "%s\\Kesto.dll"\n' "$(winpath "$run")"
    cat "$config"
  else
    printf 'LoadModule "%s\\Kesto.dll"\n' "$(winpath "$run")"
    for box in "$theme"/*.box; do [ -f "$box" ] && printf '*KestoCreate $ThemeDir$%s\n' "$(basename "$box")"; done
  fi
} > "$run/step.rc"

# A prefix and a display of its own: no other script's Wine session is ended
# by this one, nor this shell by theirs.
kesto_wine_env "$root/build/$KESTO_BUILD_NAME" theme
(cd "$run" && exec "$KESTO_WINE" litestep.exe step.rc >/dev/null 2>&1) &
shell_pid=$!
touch "$log"
tail -n +1 -f "$log" &
tail_pid=$!
drive() {  # one verb for kesto-drive
  printf '%s\n' "$1" > "$run/drive.txt"
  (cd "$run" && "$KESTO_WINE" "$bin/kesto-drive.exe" drive.txt)
}
# The shell quits as a user quits it, so that boxes save their positions.
quit_shell() {
  if kill -0 "$shell_pid" 2>/dev/null; then
    drive "bang !Quit" >/dev/null 2>&1 || true
    for _ in $(seq 1 100); do kill -0 "$shell_pid" 2>/dev/null || break; sleep 0.1; done
  fi
}
finish() {
  quit_shell
  kill "$tail_pid" 2>/dev/null || true
  kill "$shell_pid" 2>/dev/null || true
  kesto_stop_display
}
trap finish EXIT
trap 'exit 130' INT TERM
for _ in $(seq 1 150); do
  # The driver is a Windows program: its lines end in CR LF.
  [ "$(drive shell | tr -d '\r')" = "shell running" ] && break
  sleep 0.2
done
echo "real-shell: LiteStep runs the theme in $theme (DISPLAY=$DISPLAY; log: $log)"
take_shot() {
  drive "screenshot $(winpath "$1")" && echo "real-shell: screenshot $1"
}
if [ -t 0 ] && [ -z "$seconds" ]; then
  n=0
  while read -r answer; do
    [ "$answer" = q ] && break
    n=$((n + 1))
    take_shot "${shot:-$run/shot-$n.png}"
  done
else
  if [ -n "$seconds" ]; then
    for _ in $(seq 1 "$seconds"); do kill -0 "$shell_pid" 2>/dev/null || break; sleep 1; done
  else
    wait "$shell_pid" || true
  fi
  [ -n "$shot" ] && kill -0 "$shell_pid" 2>/dev/null && take_shot "$shot"
fi
quit_shell
echo "real-shell: the shell has quit"
