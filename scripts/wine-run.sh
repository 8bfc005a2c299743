#!/bin/sh
# Runs a Windows program under Wine with the build's own prefix and loader.
: "${WINEPREFIX:?WINEPREFIX must be set (scripts/test.sh sets it)}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec "${KESTO_WINE:-wine}" "$@"
