# Sourced by the scripts: a Wine prefix of the build's own, a virtual display,
# and the settings that keep Wine quick and quiet under test.
#
# Each kind of script has a prefix of its own (kesto_wine_env BUILD [PURPOSE]):
# a script ends or waits for every Wine process of its prefix, and must never
# end a shell or a test that another script runs meanwhile (an author's shell
# from the real-shell lane while watch.sh previews, say).
kesto_wine_env() {
  build_dir="$1"
  export WINEPREFIX="$build_dir/wineprefix${2:+-$2}"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/.kesto-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.kesto-ready"
  fi
  # Labels in every script: where Arial lacks a glyph (Chinese), the system
  # links it to a face that has it, as Windows does. Wine's own links of
  # other faces stay as they are.
  if [ ! -f "$WINEPREFIX/.kesto-fontlinks" ]; then
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Arial \
      /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.kesto-fontlinks"
  fi
}

# Starts Xvfb on a display it picks itself (-displayfd), unless one is given;
# sets DISPLAY. Two runs at once cannot take the same display.
kesto_start_display() {
  if [ -n "${KESTO_DISPLAY:-}" ]; then export DISPLAY="$KESTO_DISPLAY"; return; fi
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
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$number"
}

kesto_stop_display() {
  if [ -n "${KESTO_XVFB_PID:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    kill "$KESTO_XVFB_PID" 2>/dev/null || true
  fi
}
