#!/bin/sh
# The author's loop outside the shell: checks and previews a theme again
# whenever one of its box files or images is saved. It waits on the file
# system's own notices (inotify), merges a burst of saves into one refresh,
# and previews only the boxes whose files or images changed.
#   sh scripts/watch.sh theme/ [--config step.rc] [--var NAME=VALUE]...
# Previews go to build/watch/<box>.png (and desktop.png with --config); the
# checker's findings and the preview's errors and guesses are printed inline.
[ -n "${BASH_VERSION:-}" ] || exec bash "$0" "$@"
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
theme="${1:?usage: sh scripts/watch.sh theme-folder [--config step.rc] [--var NAME=VALUE]...}"
shift
theme="$(cd "$theme" && pwd)"
config=""
vars=()
while [ $# -gt 0 ]; do
  case "$1" in
    --config) config="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"; shift 2 ;;
    --var) vars+=(--var "$2"); shift 2 ;;
    *) echo "watch.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
command -v inotifywait >/dev/null || {
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq inotify-tools >/dev/null
}
. "$root/scripts/wine-env.sh"
kesto_use_arch "$(kesto_default_arch)" || exit 2
[ -x "$root/build/tools/kesto-check" ] && [ -f "$root/build/$KESTO_BUILD_NAME/bin/kesto-preview.exe" ] ||
  sh "$root/scripts/tools.sh" || { echo "watch: the tools did not build" >&2; exit 1; }
kesto_check_wine || { echo "watch: Wine cannot run the $KESTO_ARCH preview: $KESTO_WINE_PROBLEM" >&2; exit 1; }
out="$root/build/watch"
mkdir -p "$out"

# One display and one Wine prefix for every preview of this run, ended with
# it; the prefix is the watch's own, so no shell or test elsewhere is touched.
kesto_start_display || { echo "watch: the virtual display (Xvfb) did not start: $KESTO_DISPLAY_PROBLEM" >&2; exit 1; }
trap 'kesto_stop_display' EXIT
export KESTO_DISPLAY="$DISPLAY" KESTO_WINE_PURPOSE=watch
kesto_wine_env "$root/build/$KESTO_BUILD_NAME" watch
trap 'exit 130' INT TERM

# The box files that use an image of this name.
boxes_using() {
  grep -l -i -F -- "$1" "$theme"/*.box 2>/dev/null || true
}

preview_one() {  # box file
  name="$(basename "$1" .box)"
  if sh "$root/scripts/preview.sh" "$1" -o "$out/$name.png" "${vars[@]}" >"$out/$name.txt" 2>&1; then
    echo "  preview: $out/$name.png"
  else
    echo "  preview of $name.box failed:"
    problems=1
  fi
  # What Kesto logged (errors and guesses, by file and line), inline.
  if grep '^kesto: ' "$out/$name.txt" | sed 's/^/    /' | grep .; then problems=1; fi
}

refresh() {  # box files
  problems=0
  echo "--- $(date +%T) refresh: $(for box in "$@"; do basename "$box"; done | tr '\n' ' ')"
  "$root/build/tools/kesto-check" "${vars[@]}" "$@" >"$out/check.txt" 2>&1 || problems=1
  sed 's/^/  /' "$out/check.txt"
  for box in "$@"; do preview_one "$box"; done
  if [ -n "$config" ]; then
    "$root/build/tools/kesto-check" "${vars[@]}" --config "$config" >/dev/null || problems=1
    if sh "$root/scripts/preview.sh" --config "$config" -o "$out/desktop.png" "${vars[@]}" >"$out/desktop.txt" 2>&1; then
      echo "  desktop: $out/desktop.png"
    else
      echo "  preview of the desktop failed:"; sed 's/^/    /' "$out/desktop.txt"; problems=1
    fi
  fi
  if [ "$problems" = 0 ]; then
    echo "clean: $# box file(s) checked and previewed, nothing to report"
  else
    echo "refreshed: $# box file(s); see above"
  fi
}

refresh "$theme"/*.box
# A burst of saves (an editor writing several times, a tool saving ten
# images) arrives as notices close together: they are gathered until the
# folder has been quiet for a moment, then refreshed once.
inotifywait -m -q -e close_write -e moved_to -e delete --format '%f' "$theme" | while read -r first; do
  changed=("$first")
  while read -r -t 0.4 more; do changed+=("$more"); done
  declare -A wanted=()
  for name in "${changed[@]}"; do
    case "$name" in
      *.box|*.BOX|*.Box) [ -f "$theme/$name" ] && wanted["$theme/$name"]=1 ;;
      *.bmp|*.png|*.BMP|*.PNG)
        while read -r box; do [ -n "$box" ] && wanted["$box"]=1; done <<< "$(boxes_using "$name")" ;;
    esac
  done
  if [ "${#wanted[@]}" -gt 0 ]; then
    mapfile -t boxes < <(printf '%s\n' "${!wanted[@]}" | sort)
    refresh "${boxes[@]}"
  fi
  unset wanted
done
