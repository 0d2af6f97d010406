#!/bin/bash
# Figures, not a test: how long the transfer agent's Stop, Remove and close,
# and the control's Cancel and embedded dialog's going away, take to answer
# while a download waits on a server that accepted and says nothing (the
# hostile server's /silent), with WinINet's default timeouts in force.
# Builds nothing: run after scripts/build.sh linux.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/native-road.sh
work=$(mktemp -d)
export XDG_CONFIG_HOME="$work/config" XDG_DOCUMENTS_DIR="$work/agent" XDG_DATA_HOME="$work/data"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DOCUMENTS_DIR" "$XDG_DATA_HOME"
build/linux/common/http/testing/vard_http_testserver --port-file "$work/port" --lifetime 300 &
server=$!
trap '"$vardwin" "$frame" close 1 >/dev/null 2>&1 || true; kill $server 2>/dev/null || true; rm -rf "$work"' EXIT
"$vardwin" "$frame" close 1 >/dev/null 2>&1 || true
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
hostile=$(cut -d' ' -f7 "$work/port")
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}" NO_PROXY="127.0.0.1,localhost${NO_PROXY:+,$NO_PROXY}"
cat > "$work/script.kts" <<KTS
param Language ko
pageurl http://127.0.0.1:$hostile/shop/index.html
create 480 240
call AppendFile "/silent?t=stop" "silent.bin" 1000
call StartPlusDownload
KTS
"$host" "$work/script.kts" >/dev/null
for _ in $(seq 100); do "$vardwin" "$view" dump >/dev/null 2>&1 && break; sleep 0.1; done
ms() { date +%s%3N; }
count() { curl -s "http://127.0.0.1:$hostile/_count?t=stop" | cut -d' ' -f2; }
press() {
  local start
  start=$(ms)
  "$vardwin" "$view" command "${1:-1002}" >/dev/null
  echo $(( $(ms) - start ))
}
# Waits until the server holds the agent's request (the run starts by itself
# or with a press).
wait_request() {
  local before=$1
  for _ in $(seq 50); do [ "$(count)" -gt "$before" ] && return 0; sleep 0.1; done
  return 1
}
wait_request 0 || press >/dev/null
wait_request 0
sleep 1
# Stop (the pause button) while the server says nothing, then Start again.
echo "agent Stop during a silent transfer answered in $(press 1018) ms"
before=$(count)
press >/dev/null
wait_request "$before"
sleep 1
# Remove the row being fetched (the question is answered yes), then hand a
# new item over for the close.
"$vardwin" "$view" command 1000 >/dev/null
echo "agent Remove during a silent transfer answered in $(press 1001) ms"
before=$(count)
"$host" "$work/script.kts" >/dev/null
wait_request "$before" || press >/dev/null
wait_request "$before"
sleep 1
start=$(ms)
"$vardwin" "$frame" close 1 >/dev/null
echo "agent close during a silent transfer answered in $(( $(ms) - start )) ms"
mkdir -p "$work/control"
build/linux/control/engine/control_stop_bench "http://127.0.0.1:$hostile/silent?t=control" "$work/control"
