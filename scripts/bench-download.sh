#!/bin/bash
# The download job's figures: 1 GiB from the loopback test server (in its own
# process) written directly, through the file service broker and by
# `curl -o`, alternating, best of 3; then the per-file rate limit at 100 KB/s
# and 1 MB/s, bytes on disk over 10 s. Extra arguments go to the bench
# (--size MiB, --rounds N, --folder DIR, --rate-seconds S, --network MiB/s:
# the server sends at that rate, as over a network slower than the loopback).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >/dev/null
cmake --preset linux >/dev/null
cmake --build --preset linux -j2 --target agent_download_bench >/dev/null
exec build/linux/agent/agent_download_bench --size 1024 --rounds 3 --rate-seconds 10 "$@"
