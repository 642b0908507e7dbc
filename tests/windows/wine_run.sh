#!/usr/bin/env bash
# Runs a Windows program under Wine in the prefix $DEMO_WINEPREFIX, which the first run makes
# (runs side by side wait for it). No Gecko or Mono installers, no debug output unless WINEDEBUG
# asks for some. Usage: DEMO_WINEPREFIX=<folder> [DEMO_WINE=<wine64>] wine_run.sh program.exe [args]
set -euo pipefail
WINE=${DEMO_WINE:-/usr/lib/wine/wine64}
export WINEPREFIX=${DEMO_WINEPREFIX:?DEMO_WINEPREFIX names the Wine prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    WINEDEBUG=-all "$WINE" wineboot --init >/dev/null 2>&1 || true
    "$(dirname "$WINE")/wineserver" -w 2>/dev/null || true
  fi
) 9>"$WINEPREFIX.lock"
exec "$WINE" "$@"
