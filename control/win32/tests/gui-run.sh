#!/bin/sh
# Usage: gui-run.sh PREFIX [--register DLL] PROGRAM [ARGS...]
# Runs a Windows program under wine64 in a prefix of its own with a virtual
# X display (windows need one), optionally with DLL registered by regsvr32
# around it, then ends the prefix's wine server: its desktop belongs to the
# display that goes away with this run.
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../../cmake/wine-run.sh"
prefix="$1"
shift
dll=""
if [ "$1" = "--register" ]; then
  dll="$2"
  shift 2
fi
server=wineserver
for d in /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine /opt/wine-stable/bin; do
  if [ -x "$d/wineserver64" ]; then server="$d/wineserver64"; break; fi
done
export VARD_RUN="$run" VARD_PREFIX="$prefix" VARD_DLL="$dll"
rc=0
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  [ -z "$VARD_DLL" ] || sh "$VARD_RUN" "$VARD_PREFIX" wine64 regsvr32 /s "$VARD_DLL" || exit 90
  rc=0
  sh "$VARD_RUN" "$VARD_PREFIX" wine64 "$@" || rc=$?
  [ -z "$VARD_DLL" ] || sh "$VARD_RUN" "$VARD_PREFIX" wine64 regsvr32 /u /s "$VARD_DLL"
  exit $rc
' gui-run "$@" || rc=$?
WINEPREFIX="$prefix" "$server" -k >/dev/null 2>&1
exit $rc
