#!/bin/sh
# Checks and previews a theme again whenever one of its box files or images
# is saved: the author's loop. Waits on the file system's own notices
# (inotify), without polling.
#   sh scripts/watch.sh theme/ [--var NAME=VALUE]...
# Previews go to build/watch/<box>.png.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
theme="${1:?usage: sh scripts/watch.sh theme-folder [--var NAME=VALUE]...}"
shift
theme="$(cd "$theme" && pwd)"
command -v inotifywait >/dev/null || {
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq inotify-tools >/dev/null
}
[ -x "$root/build/tools/kesto-check" ] && [ -f "$root/build/win/bin/kesto-preview.exe" ] || sh "$root/scripts/tools.sh"
out="$root/build/watch"
mkdir -p "$out"

refresh() {
  echo "--- $(date +%T) checking $theme"
  "$root/build/tools/kesto-check" "$@" "$theme"/*.box || true
  for box in "$theme"/*.box; do
    name="$(basename "$box" .box)"
    sh "$root/scripts/preview.sh" "$box" -o "$out/$name.png" "$@" >/dev/null 2>"$out/$name.txt" &&
      echo "preview: $out/$name.png" || { echo "preview of $name failed:"; cat "$out/$name.txt"; }
  done
}

refresh "$@"
inotifywait -m -q -e close_write -e moved_to --format '%f' "$theme" | while read -r changed; do
  case "$changed" in
    *.box|*.bmp|*.png|*.BOX|*.BMP|*.PNG) refresh "$@" ;;
  esac
done
