#!/bin/sh
# Usage: wine-run.sh PREFIX LOADER PROGRAM [ARGS...]
# Runs a Windows program under wine (LOADER: wine or wine64) with the given
# prefix. The first caller creates the prefix, serialised by a lock so that
# parallel tests are safe, and a persistent wineserver keeps starts cheap.
set -e
export WINEPREFIX="$1"
loader="$2"
shift 2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=d"
case "$loader" in
  wine64)
    for d in /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine /opt/wine-stable/bin; do
      if [ -x "$d/wine64" ]; then loader="$d/wine64"; break; fi
    done
    export WINESERVER="$(dirname "$loader")/wineserver64"
    [ -x "$WINESERVER" ] || export WINESERVER="$(dirname "$loader")/wineserver"
    ;;
  *) export WINESERVER="$(command -v wineserver)" ;;
esac
mkdir -p "$WINEPREFIX"
(
  flock 9
  # Windows without an X server: Wine's null graphics driver.
  nullgraphics() {
    "$loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1 9>&- || true
    touch "$WINEPREFIX/.vard-null-graphics"
  }
  if [ ! -f "$WINEPREFIX/.vard-ready" ]; then
    "$loader" wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
    nullgraphics
    "$WINESERVER" -w 9>&-
    touch "$WINEPREFIX/.vard-ready"
  fi
  # A prefix made before windows were tested; its server, maybe the
  # persistent one, keeps and saves the key.
  [ -f "$WINEPREFIX/.vard-null-graphics" ] || nullgraphics
  # One server for the whole run; a second start exits at once. Its output
  # must not hold the caller's pipes open.
  setsid "$WINESERVER" -p </dev/null >/dev/null 2>&1 9>&- &
) 9>"$WINEPREFIX.lock"
# Wine's background services inherit the program's output; writing it to a
# file keeps them from holding the caller's pipe open after the test ends.
out="$(mktemp)"
rc=0
"$loader" "$@" >"$out" 2>&1 9>&- || rc=$?
cat "$out"
rm -f "$out"
exit $rc
