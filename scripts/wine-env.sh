# Sourced by the scripts: a Wine prefix of the build's own, a virtual display,
# and the settings that keep Wine quick and quiet under test.
#
# Each kind of script has a prefix of its own (kesto_wine_env BUILD [PURPOSE]):
# a script ends or waits for every Wine process of its prefix, and must never
# end a shell or a test that another script runs meanwhile (an author's shell
# from the real-shell lane while watch.sh previews, say).
#
# Two architectures (kesto_use_arch i686|x86_64): each has its build folder
# (build/win, build/win64), its Wine loader and wineserver, and its prefixes.
# The loaders are called directly: Debian's "wine" script prefers the 32-bit
# loader, which cannot start at all where the machine runs only 64-bit code.

kesto_use_arch() {
  KESTO_ARCH="$1"
  case "$1" in
    i686)
      KESTO_BUILD_NAME=win
      KESTO_WINE="${KESTO_WINE32:-/usr/lib/wine/wine}"
      KESTO_WINESERVER=/usr/lib/wine/wineserver32
      WINEARCH=win32 ;;
    x86_64)
      KESTO_BUILD_NAME=win64
      KESTO_WINE=/usr/lib/wine/wine64
      KESTO_WINESERVER=/usr/lib/wine/wineserver64
      WINEARCH=win64 ;;
    *) echo "unknown architecture '$1' (i686 or x86_64)" >&2; return 2 ;;
  esac
  KESTO_TOOLCHAIN="cmake/mingw-$1.cmake"
  WINESERVER="$KESTO_WINESERVER"
  WINELOADER="$KESTO_WINE"
  export KESTO_ARCH KESTO_BUILD_NAME KESTO_WINE KESTO_WINESERVER KESTO_TOOLCHAIN WINEARCH WINESERVER WINELOADER
}

# Prints nothing when 32-bit Windows programs run here, else why they do not,
# in one line. The probe is the loader itself: it prints a version or fails.
# (KESTO_WINE32_PROBE names another loader to ask: how the scripts' own checks
# play a machine that runs only 64-bit code.)
kesto_i686_blocked() {
  loader="${KESTO_WINE32_PROBE:-/usr/lib/wine/wine}"
  [ -x "$loader" ] || { echo "32-bit Wine (wine32:i386) is not installed"; return; }
  probe="$("$loader" --version 2>&1)" && return
  case "$probe" in
    *"Exec format error"*) echo "this machine runs only 64-bit code (32-bit Wine: Exec format error)" ;;
    *) echo "32-bit Wine does not start: $(printf '%s' "$probe" | head -n 1)" ;;
  esac
}

# The architecture a script uses when none is asked for: i686 where it runs,
# else x86_64, with one line that says why.
kesto_default_arch() {
  if [ -n "${KESTO_ARCH:-}" ]; then echo "$KESTO_ARCH"; return; fi
  blocked="$(kesto_i686_blocked)"
  if [ -z "$blocked" ]; then echo i686; return; fi
  echo "Wine cannot start 32-bit programs here ($blocked); the 64-bit build is used" >&2
  echo x86_64
}

# Whether this architecture's Wine starts at all; if not, KESTO_WINE_PROBLEM
# says why, for the caller's one line.
kesto_check_wine() {
  KESTO_WINE_PROBLEM=""
  [ -x "$KESTO_WINE" ] || { KESTO_WINE_PROBLEM="$KESTO_WINE is not installed"; return 1; }
  probe="$("$KESTO_WINE" --version 2>&1)" && return 0
  KESTO_WINE_PROBLEM="$(printf '%s' "$probe" | head -n 1)"
  return 1
}

kesto_wine_env() {
  build_dir="$1"
  [ -n "${KESTO_ARCH:-}" ] || kesto_use_arch "$(kesto_default_arch)"
  export WINEPREFIX="$build_dir/wineprefix${2:+-$2}"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/.kesto-ready" ]; then
    mkdir -p "$WINEPREFIX"
    "$KESTO_WINE" wineboot -i >/dev/null 2>&1 || true
    "$KESTO_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    "$KESTO_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    "$KESTO_WINESERVER" -w
    touch "$WINEPREFIX/.kesto-ready"
  fi
  # Labels in every script: where Arial lacks a glyph (Chinese), the system
  # links it to a face that has it, as Windows does. Wine's own links of
  # other faces stay as they are.
  if [ ! -f "$WINEPREFIX/.kesto-fontlinks" ]; then
    "$KESTO_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Arial \
      /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1 || true
    "$KESTO_WINESERVER" -w
    touch "$WINEPREFIX/.kesto-fontlinks"
  fi
}

# kesto_wine_env with a prefix of its own whose programs all run at this DPI
# (144 for 150 %, 192 for 200 %): Wine's LogPixels, set before any program
# starts there.   kesto_dpi_env BUILD DPI PURPOSE
kesto_dpi_env() {
  kesto_wine_env "$1" "$3"
  [ -f "$WINEPREFIX/.kesto-dpi" ] && return 0
  "$KESTO_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$2" /f >/dev/null 2>&1
  "$KESTO_WINE" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$2" /f >/dev/null 2>&1
  "$KESTO_WINESERVER" -w
  touch "$WINEPREFIX/.kesto-dpi"
}

# Starts Xvfb on a display it picks itself (-displayfd), unless one is given;
# sets DISPLAY. Two runs at once cannot take the same display.
kesto_start_display() {
  KESTO_DISPLAY_PROBLEM=""
  if [ -n "${KESTO_DISPLAY:-}" ]; then export DISPLAY="$KESTO_DISPLAY"; return; fi
  command -v Xvfb >/dev/null || { KESTO_DISPLAY_PROBLEM="Xvfb is not installed"; return 1; }
  kesto_display_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$kesto_display_file" >/dev/null 2>&1 &
  KESTO_XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$kesto_display_file" ] && break
    sleep 0.1
  done
  number="$(tr -dc 0-9 < "$kesto_display_file")"
  rm -f "$kesto_display_file"
  if [ -z "$number" ]; then
    kill "$KESTO_XVFB_PID" 2>/dev/null || true
    KESTO_DISPLAY_PROBLEM="Xvfb gave no display within 10 s"
    return 1
  fi
  export DISPLAY=":$number"
}

kesto_stop_display() {
  if [ -n "${KESTO_XVFB_PID:-}" ]; then
    [ -n "${KESTO_WINESERVER:-}" ] && "$KESTO_WINESERVER" -k >/dev/null 2>&1 || true
    kill "$KESTO_XVFB_PID" 2>/dev/null || true
  fi
}

# Configures and builds targets of the current architecture's Windows build
# (the caller sets root); one line naming the cause when it cannot.
kesto_build_windows() {
  cmake -S "$root" -B "$root/build/$KESTO_BUILD_NAME" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/$KESTO_TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null ||
    { echo "cmake could not configure the $KESTO_ARCH Windows build" >&2; return 1; }
  ninja -C "$root/build/$KESTO_BUILD_NAME" "$@" >/dev/null ||
    { echo "the $KESTO_ARCH Windows build of $* failed (run ninja -C build/$KESTO_BUILD_NAME $* to see why)" >&2; return 1; }
}
