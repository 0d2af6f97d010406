#!/bin/sh
# Usage: gui-unmanaged.sh PREFIX "NAME.exe ..." PROGRAM [ARGS...]
# Runs PROGRAM through gui-run.sh after giving the named programs unmanaged
# windows in PREFIX. Xvfb has no window manager, so Wine's X11 driver waits
# 2 s for one whenever a managed window is hidden or destroyed (a dialog, a
# main window, the notification area's window when its last icon goes).
# Unmanaged windows sit where the program puts them. Each name is set once
# per prefix.
here=$(cd "$(dirname "$0")" && pwd)
gui_run="$here/gui-run.sh"
prefix="$1"
names="$2"
shift 2
missing=""
for program in $names; do
  grep -q "AppDefaults\\\\\\\\$program\\\\\\\\X11 Driver" "$prefix/user.reg" 2>/dev/null || missing="$missing $program"
done
if [ -n "$missing" ]; then
  mkdir -p "$prefix"
  reg=$(mktemp "${TMPDIR:-/tmp}/unmanaged.XXXXXX.reg")
  printf 'REGEDIT4\r\n\r\n' > "$reg"
  for program in $missing; do
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s\\X11 Driver]\r\n"Managed"="N"\r\n\r\n' \
      "$program" >> "$reg"
  done
  sh "$gui_run" "$prefix" regedit /S "Z:$reg" || true
  rm -f "$reg"
fi
exec sh "$gui_run" "$prefix" "$@"
