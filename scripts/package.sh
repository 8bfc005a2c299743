#!/bin/sh
# Makes the release: dist/Kesto-<version>.zip, the version read from VERSION.
#   x86/Kesto.dll, x64/Kesto.dll    the module for 32-bit and for 64-bit LiteStep
#   manual.html, manual.txt         the manual, made from README.md and docs/*.md
#   theme/Kesto/                    the sample theme, a theme folder for LiteStep's themes folder
#   step.rc                         the lines to paste into the shell's step.rc
#   LICENSE.txt, CHANGES.txt        the licence and the list of changes
# The same commit gives the same bytes: every entry has a fixed time and
# mode, and the entries are sorted. Builds what it needs (scripts/install-deps.sh
# first); names the step and the cause when something can't be done.
#   sh scripts/package.sh [--no-build]     (--no-build: package the DLLs already built)
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
step="setup"
fail() { echo "package: $step: $*" >&2; exit 1; }

version="$(tr -d ' \r\n' < VERSION)"
case "$version" in
  [0-9]*.[0-9]*.[0-9]*) ;;
  *) step="version"; fail "VERSION holds '$version', not a version such as 1.2.3" ;;
esac

if [ "$1" != --no-build ]; then
  step="installing what the build needs"
  sh scripts/install-deps.sh || fail "see above"
  . scripts/wine-env.sh
  for arch in i686 x86_64; do
    kesto_use_arch "$arch"
    step="the $arch build"
    kesto_build_windows >/dev/null || fail "it did not compile (run: sh scripts/test.sh)"
  done
fi
step="the manual"
command -v cmark >/dev/null || fail "cmark is missing (apt-get install cmark)"
command -v python3 >/dev/null || fail "python3 is missing (apt-get install python3)"

stage="$root/build/package/Kesto-$version"
rm -rf "$root/build/package"
mkdir -p "$stage/x86" "$stage/x64" "$stage/theme/Kesto" "$stage/images" "$root/dist"
cp docs/images/*.png "$stage/images/"
for pair in "win:x86" "win64:x64"; do
  tree="${pair%%:*}"
  dll="$root/build/$tree/bin/Kesto.dll"
  step="the DLLs"
  [ -f "$dll" ] || fail "$dll is missing (build it: sh scripts/test.sh)"
  cp "$dll" "$stage/${pair#*:}/Kesto.dll"
done

# The manual: the front page, then every page of docs/ in reading order.
pages="README.md docs/install.md docs/first-box.md docs/box-files.md docs/bangs.md docs/monitors.md \
docs/scripts.md docs/alpha.md docs/scales.md docs/accessibility.md docs/tools.md docs/log.md docs/guarantees.md docs/speed.md \
docs/architecture.md docs/testing.md"
for page in $pages; do [ -f "$page" ] || fail "$page is missing"; done
{
  printf '<!DOCTYPE html>\n<html lang="en"><head><meta charset="utf-8"><title>Kesto %s</title>\n' "$version"
  printf '<style>body{max-width:52em;margin:2em auto;padding:0 1em;font-family:sans-serif;line-height:1.45}'
  printf 'pre{background:#f4f4f4;padding:.6em;overflow-x:auto}table{border-collapse:collapse}'
  printf 'td,th{border:1px solid #ccc;padding:.2em .4em;vertical-align:top}</style></head><body>\n'
  for page in $pages; do
    printf '<section id="%s">\n' "$(basename "$page" .md)"
    # Links between pages become links within the one file.
    sed -e 's/](\([a-z-]*\)\.md)/](#\1)/g' -e 's/](docs\/\([a-z-]*\)\.md)/](#\1)/g' \
      -e 's/](docs\/images\//](images\//g' "$page" | cmark
    printf '</section>\n'
  done
  printf '</body></html>\n'
} > "$stage/manual.html"
for page in $pages; do
  cat "$page"
  printf '\n\n'
done | sed 's/$/\r/' > "$stage/manual.txt"

step="the theme"
# The box files, the images they name and the theme's notes: nothing the theme does not use.
cp samples/theme/*.box samples/theme/readme.txt "$stage/theme/Kesto/"
for image in $(grep -ho '\$ThemeDir\$\\[A-Za-z0-9._-]*' samples/theme/*.box | sed 's/.*\\//' | sort -u); do
  [ -f "samples/theme/$image" ] || fail "samples/theme/$image, named by a box file, is missing"
  cp "samples/theme/$image" "$stage/theme/Kesto/"
  # Its forms drawn for higher scales, where the theme has them.
  for form in @1.5x @2x @3x; do
    scaled="${image%.*}$form.${image##*.}"
    if [ -f "samples/theme/$scaled" ]; then cp "samples/theme/$scaled" "$stage/theme/Kesto/"; fi
  done
done
sed -e 's/\r$//' samples/release/theme.rc | sed 's/$/\r/' > "$stage/theme/Kesto/theme.rc"
sed -e 's/\r$//' samples/release/step.rc | sed 's/$/\r/' > "$stage/step.rc"
sed 's/$/\r/' LICENSE > "$stage/LICENSE.txt"
sed 's/$/\r/' CHANGES.md > "$stage/CHANGES.txt"

step="the zip"
zip="$root/dist/Kesto-$version.zip"
python3 - "$stage" "$zip" <<'EOF'
import os, sys, zipfile
stage, target = sys.argv[1], sys.argv[2]
base = os.path.dirname(stage)
names = []
for folder, dirs, files in os.walk(stage):
    for name in files:
        names.append(os.path.relpath(os.path.join(folder, name), base).replace(os.sep, "/"))
with zipfile.ZipFile(target + ".new", "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
    for name in sorted(names):
        entry = zipfile.ZipInfo(name, date_time=(2026, 1, 1, 0, 0, 0))
        entry.external_attr = 0o644 << 16
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.create_system = 3
        with open(os.path.join(base, name), "rb") as source:
            archive.writestr(entry, source.read(), compresslevel=9)
os.replace(target + ".new", target)
EOF
echo "package: $zip"
