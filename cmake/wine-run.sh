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
  if [ ! -f "$WINEPREFIX/.vard-ready" ]; then
    "$loader" wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
    "$WINESERVER" -w 9>&-
    touch "$WINEPREFIX/.vard-ready"
  fi
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
