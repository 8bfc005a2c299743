#!/bin/sh
# Builds Kesto and the stand-in shell, then runs a scenario with the sample
# theme on a virtual display and writes its screenshots as PNG files.
#   scripts/demo.sh [scenario]     (default: tour; see samples/scenarios)
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scenario="${1:-tour}"
sh scripts/install-deps.sh
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build/win Kesto kesto-host kesto-preview

. scripts/wine-env.sh
kesto_start_display
trap kesto_stop_display EXIT
kesto_wine_env "$root/build/win"

out="$root/build/demo"
mkdir -p "$out"
rm -f "$out"/*.bmp
theme="Z:$(echo "$root/samples/theme" | tr '/' '\\')"
escaped="$(printf '%s' "$theme" | sed 's/\\/\\\\/g')"
sed "s|@THEME@|$escaped|g" samples/theme/shell.rc.in > "$out/shell.rc"
cd "$out"
wine "$root/build/win/bin/kesto-host.exe" "$root/build/win/bin/Kesto.dll" shell.rc \
  "$root/samples/scenarios/$scenario.txt"
for bmp in *.bmp; do convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"; done
# Previews of the sample theme, as theme authors make them before loading a theme.
wine "$root/build/win/bin/kesto-preview.exe" --config shell.rc -o preview-theme.png
for state in normal hover pressed; do
  wine "$root/build/win/bin/kesto-preview.exe" "$theme\\launcher.box" --var "ThemeDir=$theme" \
    -o "preview-launcher-$state.png" --state "$state"
done
last="$(ls -1 "$out"/tour-*.png | tail -n 1)"
echo "screenshots in $out; the last one: $last"
