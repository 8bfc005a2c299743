#!/bin/sh
# The real-shell lane: the sample theme and every scenario script, run once in
# the real LiteStep shell (built from ../shared/litestep) and once in the
# stand-in shell, driven from outside as a user drives a shell. What is on
# screen (box rectangles, visibility, the pixels each box shows) and the box
# files after the shell quits must be the same in both.
#   sh scripts/real-shell.sh [scenario...]     (after a build of build/win or build/win64;
#                                               KESTO_ARCH=i686|x86_64 picks one)
#   sh scripts/real-shell.sh --theme DIR [--config step.rc] [--screenshot FILE] [--for SECONDS]
#                                              (an author's own theme: scripts/theme-in-shell.sh)
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
[ "${1:-}" = --theme ] && exec sh "$root/scripts/theme-in-shell.sh" "$@"
kit="$root/../shared/litestep/build.sh"
if [ ! -f "$kit" ]; then
  echo "real-shell lane skipped: ../shared/litestep (the real shell's source and build kit) is not beside this clone"
  exit 0
fi
. "$root/scripts/wine-env.sh"
# The architecture of the caller's choice (KESTO_ARCH), else the one this
# machine runs; the shell, Kesto.dll and the tools are all of it.
kesto_use_arch "$(kesto_default_arch)"
bin="$root/build/$KESTO_BUILD_NAME/bin"
[ -f "$bin/Kesto.dll" ] || { echo "real-shell lane ($KESTO_ARCH): build/$KESTO_BUILD_NAME is not built" >&2; exit 1; }
kesto_check_wine || { echo "real-shell lane ($KESTO_ARCH): Wine cannot run the shell: $KESTO_WINE_PROBLEM" >&2; exit 1; }
shell_bin="$(sh "$kit" "$root/build/litestep" "$KESTO_ARCH" | tail -n 1)"
[ -f "$shell_bin/litestep.exe" ] || { echo "real-shell lane ($KESTO_ARCH): the real shell did not build" >&2; exit 1; }
if [ -z "${DISPLAY:-}" ]; then
  kesto_start_display || { echo "real-shell lane: the virtual display (Xvfb) did not start: $KESTO_DISPLAY_PROBLEM" >&2; exit 1; }
  trap kesto_stop_display EXIT
fi
kesto_wine_env "$root/build/$KESTO_BUILD_NAME" lane

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
lane="$root/build/real-shell-$KESTO_ARCH"
rm -rf "$lane"
mkdir -p "$lane"

# Waits for a background shell to end, at most 30 s.
await_exit() {
  for _ in $(seq 1 300); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  echo "real-shell lane: the $2 shell did not quit" >&2
  kill "$1" 2>/dev/null || true
  return 1
}

run_scenario() {  # shell scenario
  dir="$lane/$2/$1"
  # The high-DPI scenarios run every program at 200 % or 150 %, in a prefix of their own.
  dpi=96
  case "$2" in high-dpi) dpi=192 ;; high-dpi-144) dpi=144 ;; esac
  if [ "$dpi" != 96 ]; then
    kesto_dpi_env "$root/build/$KESTO_BUILD_NAME" "$dpi" "lane-dpi$dpi"
  else
    kesto_wine_env "$root/build/$KESTO_BUILD_NAME" lane
  fi
  rm -rf "$dir"
  mkdir -p "$dir/theme"
  cp "$root"/samples/theme/*.box "$root"/samples/theme/*.bmp "$root"/samples/theme/*.png "$dir/theme/"
  theme="$(winpath "$dir/theme")"
  dll="$(winpath "$dir")\\Kesto.dll"
  boxes="panel glass launcher badge orb"
  if [ "$2" = self-unload ]; then
    # Boxes whose clicks reload and then unload Kesto itself: the shell must
    # stay up, and Kesto must come back once and then be gone.
    boxes="reload unload"
    printf '%s\n' "KestoName Reload" "KestoX 100" "KestoY 100" "KestoWidth 60" "KestoHeight 40" \
      "KestoBackGround \$ThemeDir\$\\red.bmp" "KestoOnLeftClick !ReloadModule $dll" > "$dir/theme/reload.box"
    printf '%s\n' "KestoName Unload" "KestoX 300" "KestoY 100" "KestoWidth 60" "KestoHeight 40" \
      "KestoBackGround \$ThemeDir\$\\blue.bmp" "KestoOnLeftClick !UnloadModule $dll" > "$dir/theme/unload.box"
    printf '%s\n' "pump 300" "windows" "move 130 120" "pump 300" "click 130 120" "pump 1500" "windows" "shell" \
      "move 330 120" "pump 300" "click 330 120" "pump 1500" "windows" "shell" > "$dir/drive.txt"
  elif [ "$2" = move-unload ]; then
    # A system move asked of a box from outside while an unload of Kesto is
    # on its way: the box starts no loop, the unload ends Kesto, the shell stays.
    boxes="mover"
    printf '%s\n' "KestoName Mover" "KestoX 200" "KestoY 150" "KestoWidth 60" "KestoHeight 40" \
      "KestoBackGround \$ThemeDir\$\\red.bmp" > "$dir/theme/mover.box"
    printf '%s\n' "pump 300" "windows" "sysmove Mover" "bang !UnloadModule $dll" "key escape" "pump 1000" \
      "windows" "shell" > "$dir/drive.txt"
  elif [ "$2" = focus ]; then
    # The window the user types in keeps the keyboard while boxes are made,
    # shown, toggled and moved from outside.
    boxes="panel"
    printf '%s\n' "KestoName Quiet" "KestoX 600" "KestoY 100" "KestoWidth 60" "KestoHeight 40" "KestoStartHidden" \
      "KestoBackGround \$ThemeDir\$\\red.bmp" > "$dir/theme/quiet.box"
    printf '%s\n' "KestoName Topmost" "KestoX 700" "KestoY 100" "KestoWidth 60" "KestoHeight 40" "KestoAlwaysOnTop" \
      "KestoBackGround \$ThemeDir\$\\blue.bmp" > "$dir/theme/topmost.box"
    {
      printf '%s\n' "pump 300" "typing" "foreground"
      for command in "!KestoCreate $theme\\quiet.box" "!KestoCreate $theme\\topmost.box" "!KestoShow Quiet" \
        "!KestoToggle Topmost" "!KestoToggle Topmost" "!KestoMoveBox Quiet 620 140"; do
        printf 'bang %s\npump 300\nforeground\n' "$command"
      done
      # A click on a box leaves the keyboard where it was too.
      printf 'click 650 160\npump 300\nforeground\nwindows\n'
    } > "$dir/drive.txt"
  elif [ "$2" = reload-unload ]; then
    # Two boxes saved at once are rebuilt by one reload; the first rebuild
    # opens the shell's "Error in Expression" dialog, where an unload of
    # Kesto arrives. Nothing more is built: no box is left, the shell stays.
    boxes="first second"
    for name in First Second; do
      printf '%s\r\n' "KestoName $name" "KestoAutoReload" "KestoX 100" "KestoY 300" "KestoWidth 60" "KestoHeight 40" \
        "KestoBackGround \$ThemeDir\$\\red.bmp" > "$dir/theme/$(echo "$name" | tr 'A-Z' 'a-z').box"
    done
    sed -i 's/KestoX 100/KestoX 300/' "$dir/theme/second.box"
    printf '%s\n' "pump 300" "windows" "edit theme\\first.box *Text 1 1 \"Price: \$5, \$\$\"" \
      "edit theme\\second.box *Text 1 1 \"Price: \$5, \$\$\"" "pump 1500" "bang !UnloadModule $dll" "pump 300" \
      "key return" "pump 500" "key return" "pump 500" "windows" "shell" > "$dir/drive.txt"
  elif [ "$2" = auto-reload ]; then
    # A box that rebuilds itself when its file is saved, while the shell runs:
    # an edit of its size shows, and an edit of its KestoX moves it. Dragged
    # first, it keeps its place and writes nothing into the saved file; an
    # empty, a garbage and a removed file leave it on screen; a rebuild shows
    # no gap; the next good save shows.
    boxes="auto panel"
    printf '%s\r\n' "KestoName Auto" "KestoAutoReload" "KestoX 400" "KestoY 300" "KestoWidth 60" "KestoHeight 40" \
      "KestoBackGround \$ThemeDir\$\\red.bmp" "KestoRememberPosition" > "$dir/theme/auto.box"
    printf '%s\n' "pump 300" "windows" "expect Auto 400 300 60" "edit theme\\auto.box KestoWidth 90" "pump 1000" \
      "expect Auto 400 300 90" "windows" "edit theme\\auto.box KestoX 520" "pump 1000" "expect Auto 520 300 90" \
      "windows" "bang !KestoMoveBox Auto 700 150" "pump 300" "edit theme\\auto.box KestoWidth 80" "pump 1000" \
      "expect Auto 700 150 80" "lacks theme\\auto.box KestoX 700" "keep theme\\auto.box" \
      "save theme\\auto.box empty" "pump 1000" "expect Auto 700 150 80" "save theme\\auto.box garbage" \
      "pump 1000" "expect Auto 700 150 80" "remove theme\\auto.box" "pump 1000" "expect Auto 700 150 80" \
      "save theme\\auto.box kept" "pump 600" "edit theme\\auto.box KestoWidth 100" "gap Auto 1500" \
      "expect Auto 700 150 100" "windows" > "$dir/drive.txt"
  elif [ "$2" = unicode ]; then
    # Text beyond the ANSI code page: a box file in a folder and of a name in
    # two other scripts, created from a UTF-8 step.rc; a box file in UTF-16 LE
    # with its mark; a tooltip in Cyrillic, read back wide; a click whose bang
    # names that box in Cyrillic.
    boxes="Über\\Привет hello"
    mkdir -p "$dir/theme/Über"
    printf '%s\r\n' "KestoName Grüße 你好" "KestoX 300" "KestoY 300" "KestoWidth 100" "KestoHeight 60" \
      "KestoBackGround \$ThemeDir\$\\panel.bmp" "KestoBackgroundOffs 10 10 10 10" "KestoOnLeftClick !KestoToggle Привет" \
      "*Shortcut \"Привет\" 5 5 \$ThemeDir\$\\gold.bmp \$ThemeDir\$\\gold-hover.bmp \$ThemeDir\$\\gold-pressed.bmp !none" \
      > "$dir/theme/Über/Привет.box"
    { printf '\377\376'; printf '%s\r\n' "KestoName Привет" "KestoX 440" "KestoY 300" "KestoWidth 60" \
      "KestoHeight 40" "KestoBackGround \$ThemeDir\$\\blue.bmp" | iconv -f UTF-8 -t UTF-16LE; } > "$dir/theme/hello.box"
    printf '%s\n' "pump 300" "windows" "tooltip Grüße 你好" "move 380 340" "pump 300" \
      "click 380 340" "pump 500" "windows" "bang !KestoToggle привет" "pump 300" "windows" \
      "expect Привет 440 300 60" > "$dir/drive.txt"
  elif [ "$2" = screen-reader ]; then
    # What a screen reader reads of the sample theme, and the theme used from
    # the keyboard: !KestoFocus, Tab, Tab, Enter runs the third button of the
    # dock; Esc gives the keyboard back to the window the user types in; the
    # reader's own "press" of that button (its fourth child, after the label)
    # runs it too.
    printf '%s\n' "pump 300" "read Launcher" "read Orb" "typing" "foreground" "bang !KestoFocus Launcher" \
      "pump 300" "windows" "key tab" "pump 200" "key tab" "pump 200" "windows" "bang !KestoMoveBox Orb 500 200" \
      "pump 300" "key return" "pump 500" "expect Orb 600 380 140" "key escape" "pump 300" "foreground" "windows" \
      "bang !KestoMoveBox Orb 500 200" "pump 300" "press Launcher 4" "pump 500" "expect Orb 600 380 140" \
      > "$dir/drive.txt"
  elif [ "$dpi" != 96 ]; then
    # The sample theme on a monitor at 200 % (or 150 %): where the author's
    # preview at that scale is opaque the screen shows exactly it (places,
    # sizes, regions, the @2x art, fonts of the scaled size), and the dock
    # (KestoX 40, KestoY -140, 300 wide) stands at its logical place scaled.
    printf '%s\n' "pump 500" "compare-preview preview.png" "windows" \
      "expect Launcher $((40 * dpi / 96)) $((768 - 140 * dpi / 96)) $((300 * dpi / 96))" "read Launcher" \
      > "$dir/drive.txt"
  elif [ "$2" = huge-image ]; then
    # A background of 12000x12000 pixels, which the shell cannot decode and
    # survive: Kesto never hands it over, and the box is built without it.
    boxes="huge panel"
    cp "$root/tests/realshell/huge.png" "$dir/theme/"
    printf '%s\n' "KestoName Huge" "KestoX 300" "KestoY 300" "KestoWidth 50" "KestoHeight 30" \
      "KestoBackGround \$ThemeDir\$\\huge.png" > "$dir/theme/huge.box"
    printf '%s\n' "pump 300" "windows" "shell" > "$dir/drive.txt"
  else
    # The scenario as the driver plays it: what is on screen wherever the
    # scenario takes a screenshot, and at the end.
    sed -e 's/^screenshot .*/windows/' -e '/^quit/d' "$root/samples/scenarios/$2.txt" > "$dir/drive.txt"
    printf 'windows\n' >> "$dir/drive.txt"
    # Where the theme has just started, the screen must show the author's
    # preview wherever the preview is opaque.
    [ "$2" = tour ] && sed -i "0,/^windows$/s//compare-preview preview.png\nwindows/" "$dir/drive.txt"
  fi
  printf 'bang !Quit\n' >> "$dir/drive.txt"
  # printf, not echo: the paths are full of backslashes.
  {
    printf '%s\n' "LSNoShellWarning" "ThemeDir \"$theme\""
    [ "$1" = real ] && printf 'LoadModule "%s"\n' "$dll"
    for box in $boxes; do printf '*KestoCreate $ThemeDir$\\%s.box\n' "$box"; done
  } > "$dir/step.rc"
  cp "$bin/Kesto.dll" "$dir/"
  if [ "$2" = tour ] || [ "$dpi" != 96 ]; then
    (cd "$dir" && "$KESTO_WINE" "$bin/kesto-preview.exe" --config step.rc -o preview.png >/dev/null 2>&1) ||
      { echo "real-shell lane: the preview of the theme failed" >&2; return 1; }
  fi
  if [ "$1" = real ]; then
    cp "$shell_bin/litestep.exe" "$shell_bin/lsapi.dll" "$dir/"
    (cd "$dir" && exec "$KESTO_WINE" litestep.exe step.rc >/dev/null 2>&1) &
  else
    echo serve > "$dir/serve.txt"
    (cd "$dir" && STANDIN_NO_DESKTOP=1 exec "$KESTO_WINE" "$bin/kesto-host.exe" "$dll" step.rc serve.txt >/dev/null 2>&1) &
  fi
  pid=$!
  printf 'await-boxes %s\n' "$(echo $boxes | wc -w)" > "$dir/await.txt"
  (cd "$dir" && "$KESTO_WINE" "$bin/kesto-drive.exe" await.txt)
  sleep 1
  # A driver that stops (no shell to take its bang: it crashed) leaves what
  # it saw so far, which the comparison then shows.
  (cd "$dir" && "$KESTO_WINE" "$bin/kesto-drive.exe" drive.txt > seen.txt) ||
    echo "real-shell lane ($KESTO_ARCH): $2: the driver stopped in the $1 shell (has it crashed?)" >&2
  await_exit "$pid" "$1" || true
  "$KESTO_WINESERVER" -w 2>/dev/null || true
}

# Whether a scenario came out the same in both shells.
compare() {
  # The box files may name each shell's own folder: compared with it taken out.
  for shell in real standin; do
    sed -i "s|$(winpath "$lane/$1/$shell" | sed 's/\\/\\\\/g')|FOLDER|g" "$lane/$1/$shell"/theme/*.box
  done
  # The preview must agree with the desktop, not only the shells with each other.
  if grep -h "differ from the screen" "$lane/$1"/*/seen.txt | grep -qv " 0 differ"; then
    grep -h "differ from the screen" "$lane/$1"/*/seen.txt > "$lane/$1/screen.diff"
    return 1
  fi
  # A tooltip asked for must show.
  if grep -h "^tooltip .*: none found" "$lane/$1"/*/seen.txt >"$lane/$1/screen.diff"; then return 1; fi
  # Every box must stand where the scenario expects it.
  if grep -h "^expect .*: no" "$lane/$1"/*/seen.txt >"$lane/$1/screen.diff"; then return 1; fi
  # Every box asked about must be read, and its buttons by their tooltips.
  if grep -h "^read .*: nothing to read" "$lane/$1"/*/seen.txt >"$lane/$1/screen.diff"; then return 1; fi
  if grep -hE "^press .*: (nothing to press|refused)" "$lane/$1"/*/seen.txt >"$lane/$1/screen.diff"; then return 1; fi
  if [ "$1" = screen-reader ] && ! grep -q "'Put every box back where it started' role 43 at 216 662 48x48 action 'Press'" \
    "$lane/$1/real/seen.txt"; then
    echo "the dock's buttons were not read as push buttons named by their tooltips" >"$lane/$1/screen.diff"
    return 1
  fi
  # No box may take the keyboard from the user's window.
  if grep -h "^foreground lost" "$lane/$1"/*/seen.txt >"$lane/$1/screen.diff"; then return 1; fi
  diff -u "$lane/$1/real/seen.txt" "$lane/$1/standin/seen.txt" >"$lane/$1/screen.diff" &&
    diff -r "$lane/$1/real/theme" "$lane/$1/standin/theme" >"$lane/$1/files.diff"
}

status=0
scenarios="${*:-$(ls "$root/samples/scenarios" | sed 's/\.txt$//') self-unload move-unload reload-unload huge-image focus auto-reload unicode screen-reader high-dpi high-dpi-144}"
for scenario in $scenarios; do
  run_scenario real "$scenario"
  run_scenario standin "$scenario"
  if compare "$scenario"; then
    echo "real-shell lane ($KESTO_ARCH): $scenario: the same on screen and on disk in both shells"
    continue
  fi
  # Two shells under one display can differ by a moment of timing (a hover
  # noticed a poll later): a difference must show twice to count.
  echo "real-shell lane ($KESTO_ARCH): $scenario: the shells differed once; running it again"
  run_scenario real "$scenario"
  run_scenario standin "$scenario"
  if compare "$scenario"; then
    echo "real-shell lane ($KESTO_ARCH): $scenario: the same on screen and on disk in both shells, the second time"
  else
    echo "real-shell lane ($KESTO_ARCH): $scenario: the shells differ:" >&2
    cat "$lane/$scenario/screen.diff" "$lane/$scenario/files.diff" >&2 2>/dev/null || true
    status=1
  fi
done
exit $status
