#!/bin/sh
# Usage: check-boundary-selftest.sh CHECK_SCRIPT
# Plants violations and look-alikes in a scratch tree: the check must name
# exactly the violations and pass once they are gone.
set -u
check="$1"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
put() { mkdir -p "$tree/$(dirname "$1")"; printf '%s\n' "$2" > "$tree/$1"; }

put agent/Sys.cpp '#include <sys/stat.h>'
put agent/Quoted.h '  #  include "windows.h"'
put agent/Linux.cpp '#if defined(__linux__) || defined(X)'
put agent/Win.cpp '#ifdef _WIN32'
put agent/Elif.cpp '#elif WIN32'
put agent/Curl.cpp '#include <curl/curl.h>'
put common/platform/posix/Ok.cpp '#include <unistd.h>'
put common/platform/win32/Ok.cpp '#include <windows.h>'
put control/win32/Glue.cpp '#if defined(_WIN32)'
put common/http/testing/Peer.cpp '#include <sys/socket.h>'
put agent/LookAlike.cpp '#include "common/platform/Process.h"
#include "agent/sys/Thing.h"
#include <string.h>
#ifdef WIN32_LEAN_AND_MEAN
#if VARD_WIN32_ONLY
// #include <unistd.h> in a comment is text'
put build/linux/Generated.cpp '#include <unistd.h>'

out=$(sh "$check" "$tree"); rc=$?
[ $rc -eq 1 ] || { echo "planted tree: exit $rc, want 1"; echo "$out"; exit 1; }
want='agent/Curl.cpp agent/Elif.cpp agent/Linux.cpp agent/Quoted.h agent/Sys.cpp agent/Win.cpp'
got=$(printf '%s\n' "$out" | grep -o '^[^:]*\.[ch]p*:' | tr -d : | sort | tr '\n' ' ' | sed 's/ $//')
[ "$got" = "$want" ] || { echo "named: $got"; echo "want:  $want"; exit 1; }

rm -f "$tree"/agent/Sys.cpp "$tree"/agent/Quoted.h "$tree"/agent/Linux.cpp "$tree"/agent/Win.cpp \
      "$tree"/agent/Elif.cpp "$tree"/agent/Curl.cpp
sh "$check" "$tree" >/dev/null || { echo "clean tree rejected"; sh "$check" "$tree"; exit 1; }
echo "boundary check self-test: passed"
