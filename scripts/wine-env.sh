# Sourced by the scripts: a Wine prefix of the build's own, a virtual display,
# and the settings that keep Wine quick and quiet under test.
kesto_wine_env() {
  build_dir="$1"
  export WINEPREFIX="$build_dir/wineprefix"
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
}

# Starts Xvfb on a free display unless one is given; sets DISPLAY.
kesto_start_display() {
  if [ -n "${KESTO_DISPLAY:-}" ]; then export DISPLAY="$KESTO_DISPLAY"; return; fi
  for n in $(seq 90 120); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      KESTO_XVFB_PID=$!
      export DISPLAY=":$n"
      for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
      return
    fi
  done
  echo "no free X display" >&2
  return 1
}

kesto_stop_display() {
  if [ -n "${KESTO_XVFB_PID:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    kill "$KESTO_XVFB_PID" 2>/dev/null || true
  fi
}
