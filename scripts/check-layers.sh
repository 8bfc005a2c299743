#!/bin/sh
# Fails when a file includes across an edge the architecture does not allow.
# The allowed edges are written down once, in docs/architecture.md between
# the "layers" markers: each line names a folder and the folders its files
# may include.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
rules="$(sed -n '/<!-- layers -->/,/<!-- \/layers -->/p' docs/architecture.md | grep -E '^ *[a-z]+:' | sed 's/^ *//')"
[ -n "$rules" ] || { echo "check-layers: no layer rules in docs/architecture.md" >&2; exit 2; }
folders="$(ls -d */ | tr -d / | tr '\n' ' ')"
faults="$(mktemp)"
trap 'rm -f "$faults"' EXIT
echo "$rules" | while IFS=: read -r folder allowed; do
  for file in $(find "$folder" -name '*.h' -o -name '*.cpp' | sort); do
    grep -n '^#include "' "$file" | while IFS= read -r line; do
      target="$(printf '%s' "$line" | sed -E 's/^[0-9]+:#include "([^/"]+)\/.*/\1/')"
      case " $folders " in *" $target "*) ;; *) continue ;; esac
      case " $allowed " in
        *" $target "*) ;;
        *) echo "$file:${line%%:*}: $folder may not include $target/"; echo x >> "$faults" ;;
      esac
    done
  done
done
if [ -s "$faults" ]; then exit 1; fi
echo "layers: every include follows an allowed edge"
