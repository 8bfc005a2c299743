#!/bin/sh
# Builds Kesto and the stand-in shell, then runs a scenario with the sample
# theme on a virtual display and writes its screenshots as PNG files.
#   scripts/demo.sh [scenario]     (default: tour; see samples/scenarios)
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scenario="${1:-tour}"
script="$root/samples/scenarios/$scenario.txt"
if [ ! -f "$script" ]; then
  echo "demo: unknown scenario '$scenario'; the scenarios are: $(ls samples/scenarios | sed 's/\.txt$//' | tr '\n' ' ')" >&2
  exit 2
fi
fail() { echo "demo: $*" >&2; exit 1; }

sh scripts/install-deps.sh || fail "could not install what the build needs"
. scripts/wine-env.sh
# i686 where 32-bit programs run, else x86-64 (KESTO_ARCH picks one).
kesto_use_arch "$(kesto_default_arch)" || fail "unknown architecture"
kesto_build_windows Kesto kesto-host kesto-preview || fail "could not build Kesto and the stand-in shell"
kesto_check_wine || fail "Wine cannot run the $KESTO_ARCH stand-in shell: $KESTO_WINE_PROBLEM"
kesto_start_display || fail "could not start a virtual display (Xvfb): $KESTO_DISPLAY_PROBLEM"
trap kesto_stop_display EXIT
kesto_wine_env "$root/build/$KESTO_BUILD_NAME" demo
bin="$root/build/$KESTO_BUILD_NAME/bin"
echo "demo: Kesto.dll for $KESTO_ARCH in the stand-in shell"

out="$root/build/demo"
mkdir -p "$out"
rm -f "$out"/*.png
theme="Z:$(printf '%s' "$root/samples/theme" | tr '/' '\\')"
escaped="$(printf '%s' "$theme" | sed 's/\\/\\\\/g')"
sed "s|@THEME@|$escaped|g" samples/theme/shell.rc.in > "$out/shell.rc"
cd "$out"
"$KESTO_WINE" "$bin/kesto-host.exe" "$bin/Kesto.dll" shell.rc "$script" > host.log 2>&1 ||
  { cat host.log >&2; fail "the stand-in shell failed to run the $scenario scenario"; }
cat host.log
grep -q "screenshot failed" host.log && fail "a screenshot could not be written"
# Previews of the sample theme, as theme authors make them before loading a theme.
"$KESTO_WINE" "$bin/kesto-preview.exe" --config shell.rc -o preview-theme.png ||
  fail "the preview of the theme failed"
for state in normal hover pressed; do
  "$KESTO_WINE" "$bin/kesto-preview.exe" "$theme\\launcher.box" --var "ThemeDir=$theme" \
    -o "preview-launcher-$state.png" --state "$state" || fail "the $state preview of the launcher failed"
done
# The theme and the dock as a monitor at 200 % shows them (the dock's @2x art), beside the 100 % ones above.
"$KESTO_WINE" "$bin/kesto-preview.exe" --config shell.rc --scale 2 -o preview-theme-200.png ||
  fail "the 200 % preview of the theme failed"
"$KESTO_WINE" "$bin/kesto-preview.exe" "$theme\\launcher.box" --var "ThemeDir=$theme" --scale 2 \
  -o preview-launcher-200.png || fail "the 200 % preview of the launcher failed"
# The orb, a box with per-pixel alpha, as the preview writes it: with its alpha.
"$KESTO_WINE" "$bin/kesto-preview.exe" "$theme\\orb.box" --var "ThemeDir=$theme" -o preview-orb.png ||
  fail "the preview of the orb failed"
last="$(grep '^screenshot ' "$script" | tail -n 1 | cut -d' ' -f2)"
[ -n "$last" ] && [ -f "$out/$last" ] || fail "the scenario's last screenshot is missing"
echo "screenshots in $out; the last one: $out/$last"
