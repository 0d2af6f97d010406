#!/bin/sh
# Usage: test-server.sh start|stop SERVER PORTFILE [WINE-RUN PREFIX LOADER]
# Starts the native loopback test server in the background for test programs
# that run under Wine, or stops it. Bounded: the server exits by itself after
# its lifetime, and start gives up after ten seconds. The server writes its
# test authority's certificate beside the port file; given the Wine runner,
# start makes the prefix trust that authority (a key in the user's root
# certificate store) and stop takes the trust back.
set -e
action="$1"; server="$2"; portfile="$3"
shift 3
authority="$portfile.ca.pem"
trusted="$portfile.trusted"  # the store key of the authority trusted now
roots='HKCU\Software\Microsoft\SystemCertificates\Root\Certificates'

le32() {
  printf '%02x%02x%02x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255))
}

untrust() {
  [ $# -gt 0 ] && [ -s "$trusted" ] || return 0
  sh "$@" reg delete "$roots\\$(cat "$trusted")" /f >/dev/null 2>&1 || true
  rm -f "$trusted"
}

trust() {
  [ $# -gt 0 ] || return 0
  der="$portfile.ca.der"
  openssl x509 -in "$authority" -outform DER -out "$der"
  # The store finds a certificate under its SHA-1 and keeps it serialized:
  # property 32 (the encoded certificate), a reserved 1, the length, the
  # bytes; numbers little-endian.
  hash=$(openssl dgst -sha1 -r "$der" | cut -d' ' -f1 | tr a-f A-F)
  blob="$(le32 32)$(le32 1)$(le32 "$(wc -c <"$der")")$(od -An -v -tx1 "$der" | tr -d ' \n')"
  rm -f "$der"
  sh "$@" reg add "$roots\\$hash" /v Blob /t REG_BINARY /d "$blob" /f >/dev/null
  echo "$hash" >"$trusted"
}

case "$action" in
  start)
    untrust "$@"  # left by a run that did not stop
    rm -f "$portfile" "$authority"
    setsid "$server" --port-file "$portfile" --ca-file "$authority" --lifetime 600 \
      </dev/null >/dev/null 2>&1 &
    i=0
    while [ ! -s "$portfile" ]; do
      i=$((i + 1))
      [ $i -gt 100 ] && { echo "test server did not start" >&2; exit 1; }
      sleep 0.1
    done
    trust "$@"
    cat "$portfile"
    ;;
  stop)
    untrust "$@"
    [ -s "$portfile" ] || exit 0
    pid=$(cut -d' ' -f3 "$portfile")
    kill "$pid" 2>/dev/null || true
    # Gone before the next start makes its files (at most five seconds).
    i=0
    while kill -0 "$pid" 2>/dev/null && [ $i -lt 50 ]; do
      i=$((i + 1))
      sleep 0.1
    done
    ;;
esac
