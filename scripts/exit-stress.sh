#!/bin/bash
# The programs that load their HTTP stack early, ended at once while two busy
# loops keep both cores busy: kt5host over the short demo script, a second
# download agent (ends with -1 while the first runs) and an agent with an
# unknown mode. A run that ends by a signal is a crash.
#   scripts/exit-stress.sh [KT5HOST_RUNS [AGENT_RUNS]]     (800 and 200)
set -euo pipefail
cd "$(dirname "$0")/.."
hosts=${1:-800}
agents=${2:-200}
scripts/build.sh linux >/dev/null
source scripts/native-road.sh
agent="$PWD/build/linux/agent/MWKTPlusProc"

work=$(mktemp -d)
# A user of its own: the first agent's window and its settings are the run's.
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/data"
export XDG_DOCUMENTS_DIR="$work/documents"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$XDG_DATA_HOME" "$XDG_DOCUMENTS_DIR"
busy=()
first=""
cleanup() {
  [ ${#busy[@]} -gt 0 ] && kill "${busy[@]}" 2>/dev/null || true
  if [ -n "$first" ]; then
    "$vardwin" "$frame" close 1 >/dev/null 2>&1 || true
    for _ in $(seq 50); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
    kill "$first" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
for _ in 1 2; do
  ( while :; do :; done ) &
  busy+=($!)
done

crashes=0
# runs WHAT EXPECTED COUNT COMMAND...: COUNT runs; a signal is a crash, any
# other code than EXPECTED a failure.
runs() {
  local what=$1 expected=$2 count=$3 code i failed=0 crashed=0
  shift 3
  for ((i = 0; i < count; i++)); do
    code=0
    "$@" >/dev/null 2>&1 || code=$?
    if [ "$code" -gt 128 ] && [ "$code" -le $((128 + 64)) ]; then  # ended by a signal
      crashed=$((crashed + 1))
    elif [ "$code" -ne "$expected" ]; then
      failed=$((failed + 1))
    fi
  done
  printf '%-34s %5d runs  %3d crashed  %3d other endings\n' "$what" "$count" "$crashed" "$failed"
  crashes=$((crashes + crashed + failed))
}

runs "kt5host examples/demo.kts" 0 "$hosts" "$host" examples/demo.kts
"$agent" -Mdownload -Len >/dev/null 2>&1 &
first=$!
"$vardwin" --wait 20 "$frame" dump >/dev/null
runs "second agent -Mdownload (ends -1)" 255 "$agents" "$agent" -Mdownload -Len
runs "agent -Mnothing" 0 "$agents" "$agent" -Mnothing
[ "$crashes" -eq 0 ] && echo "no crash" || { echo "$crashes runs ended badly"; exit 1; }
