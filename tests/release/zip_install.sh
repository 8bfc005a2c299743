#!/bin/sh
# Installs the release zip as a user does, into a fresh Wine prefix with the
# real LiteStep from the kit: the zip's DLL of this architecture beside
# litestep.exe, its theme folder in themes\, its step.rc lines pasted into
# step.rc. No build tree or project file is beside the shell. The sample
# theme must then stand on screen: every box shown, and every opaque pixel
# of the preview of the installed theme on the screen.
#   sh tests/release/zip_install.sh i686|x86_64     (run by scripts/win-suite.sh, on its display)
set -e
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
arch="$1"
. scripts/wine-env.sh
kesto_use_arch "$arch" || exit 2
fail() { echo "zip install ($arch): $*" >&2; exit 1; }
kit="$root/../shared/litestep/build.sh"
if [ ! -f "$kit" ]; then
  echo "zip install ($arch) skipped: ../shared/litestep (the real shell's kit) is not beside this clone"
  exit 0
fi
version="$(tr -d ' \r\n' < VERSION)"
zip="$root/dist/Kesto-$version.zip"
[ -f "$zip" ] || fail "$zip is missing (scripts/package.sh makes it)"
bin="$root/build/$KESTO_BUILD_NAME/bin"
shell_bin="$(sh "$kit" "$root/build/litestep" "$KESTO_ARCH" | tail -n 1)"
[ -f "$shell_bin/litestep.exe" ] || fail "the real shell did not build"

work="$root/build/zip-install-$arch"
rm -rf "$work"
mkdir -p "$work/unpacked"
command -v unzip >/dev/null || fail "unzip is not installed"
unzip -q "$zip" -d "$work/unpacked"
release="$work/unpacked/Kesto-$version"
# A fresh prefix: a user's machine with nothing of the project on it.
kesto_wine_env "$work"
ls_dir="$WINEPREFIX/drive_c/LiteStep"
mkdir -p "$ls_dir/themes"
cp "$shell_bin/litestep.exe" "$shell_bin/lsapi.dll" "$ls_dir/"
case "$arch" in i686) kind=x86 ;; *) kind=x64 ;; esac
cp "$release/$kind/Kesto.dll" "$ls_dir/"
cp -r "$release/theme/Kesto" "$ls_dir/themes/"
{ printf 'LSNoShellWarning\r\n'; cat "$release/step.rc"; } > "$ls_dir/step.rc"
boxes="$(grep -c '^\*KestoCreate' "$release/theme/Kesto/theme.rc")"

# What the installed theme must look like: the preview of those very files.
{
  printf 'ThemeDir "C:\\LiteStep\\themes\\Kesto"\r\n'
  grep '^\*KestoCreate' "$release/theme/Kesto/theme.rc"
} > "$work/preview.rc"
(cd "$work" && "$KESTO_WINE" "$bin/kesto-preview.exe" --config preview.rc -o preview.png >/dev/null 2>&1) ||
  fail "the preview of the installed theme failed"

(cd "$ls_dir" && exec "$KESTO_WINE" litestep.exe step.rc >/dev/null 2>&1) &
pid=$!
printf 'await-boxes %s\n' "$boxes" > "$work/await.txt"
(cd "$work" && "$KESTO_WINE" "$bin/kesto-drive.exe" await.txt > awaited.txt) || true
sleep 1
printf '%s\n' "pump 500" "compare-preview preview.png" "windows" "bang !Quit" > "$work/drive.txt"
(cd "$work" && "$KESTO_WINE" "$bin/kesto-drive.exe" drive.txt > seen.txt) || true
for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill "$pid" 2>/dev/null || true
"$KESTO_WINESERVER" -k >/dev/null 2>&1 || true

shown="$(grep -c '^box .* visible=1' "$work/seen.txt" || true)"
[ "$shown" -eq "$boxes" ] || { cat "$work/seen.txt" >&2; fail "$shown of the theme's $boxes boxes are on screen"; }
grep -q "differ from the screen" "$work/seen.txt" || { cat "$work/seen.txt" >&2; fail "the screen was not compared"; }
if ! grep "differ from the screen" "$work/seen.txt" | grep -q " 0 differ"; then
  grep "differ from the screen" "$work/seen.txt" >&2
  fail "the screen differs from the preview of the installed theme"
fi
echo "zip install ($arch): the sample theme from $(basename "$zip") stands in real LiteStep ($boxes boxes, every opaque pixel as previewed)"
