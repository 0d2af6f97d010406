#!/bin/sh
# Usage: gui-tests.sh PREFIX PROGRAM [ARGS...]
# Runs the agent's window tests with unmanaged windows (see
# gui-unmanaged.sh): without that every test paid ~4 s at its end. The
# test programs and explorer.exe (which holds the notification area) are
# named.
here=$(cd "$(dirname "$0")" && pwd)
prefix="$1"
shift
exec sh "$here/../../../control/win32/tests/gui-unmanaged.sh" "$prefix" \
  "agent_windows_tests.exe agent_windows_bench.exe explorer.exe" "$@"
