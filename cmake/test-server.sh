#!/bin/sh
# Usage: test-server.sh start|stop SERVER PORTFILE
# Starts the native loopback test server in the background for test programs
# that run under Wine, or stops it. Bounded: the server exits by itself after
# its lifetime, and start gives up after ten seconds.
set -e
action="$1"; server="$2"; portfile="$3"
case "$action" in
  start)
    rm -f "$portfile"
    setsid "$server" --port-file "$portfile" --lifetime 600 </dev/null >/dev/null 2>&1 &
    i=0
    while [ ! -s "$portfile" ]; do
      i=$((i + 1))
      [ $i -gt 100 ] && { echo "test server did not start" >&2; exit 1; }
      sleep 0.1
    done
    cat "$portfile"
    ;;
  stop)
    [ -s "$portfile" ] || exit 0
    pid=$(cut -d' ' -f3 "$portfile")
    kill "$pid" 2>/dev/null || true
    ;;
esac
