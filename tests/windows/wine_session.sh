#!/bin/sh
# The Wine session that the Windows tests share:
#   wine_session.sh start PREFIX   starts one wine server for the whole run and
#                                  makes the prefix on first use
#   wine_session.sh stop PREFIX    stops it (and with it every Wine process)
set -eu
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEPREFIX="$2" WINEDEBUG=-all
case "$1" in
  start)
    # Without Wine, each test that needs it says so and is skipped.
    [ -x "$WINE" ] || { echo "missing build tool: $WINE (Debian's wine64)"; exit 0; }
    mkdir -p "$WINEPREFIX"
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    "$WINE" wineboot -i </dev/null >/dev/null 2>&1 || { echo "Wine could not make the prefix $WINEPREFIX" >&2; exit 1; }
    ;;
  stop)
    "$WINESERVER" -k 2>/dev/null || true
    ;;
  *)
    echo "usage: $0 start|stop PREFIX" >&2
    exit 2
    ;;
esac
