#!/bin/sh
# Usage: gui-tests.sh PREFIX PROGRAM [ARGS...]
# Runs the agent's window tests through gui-run.sh. Xvfb has no window
# manager, so Wine's X11 driver would wait 2 s for one whenever a managed
# window is hidden or destroyed (the main window, the notification area's
# window when its last icon goes): every test paid ~4 s at its end. The
# test program and explorer.exe (which holds the notification area) get
# unmanaged windows in this prefix, once.
here=$(cd "$(dirname "$0")" && pwd)
gui_run="$here/../../../control/win32/tests/gui-run.sh"
prefix="$1"
shift
if ! grep -q 'AppDefaults\\\\explorer.exe\\\\X11 Driver' "$prefix/user.reg" 2>/dev/null; then
  mkdir -p "$prefix"
  reg="$prefix/agent-unmanaged.reg"
  printf 'REGEDIT4\r\n\r\n' > "$reg"
  for program in agent_windows_tests.exe agent_windows_bench.exe explorer.exe; do
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s\\X11 Driver]\r\n"Managed"="N"\r\n\r\n' \
      "$program" >> "$reg"
  done
  sh "$gui_run" "$prefix" regedit /S "Z:$reg" || true
fi
exec sh "$gui_run" "$prefix" "$@"
