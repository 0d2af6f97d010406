#!/bin/bash
# Installs what is missing, builds the native target and runs the main job:
# a page's script (examples/download.kts) appends three files served by the
# loopback test server, downloads them with the control's own engine, then
# hands the same list to the transfer agent. The agent's download starts,
# its files go through the file service broker (started by the agent) while
# the list shows their progress, and the script checks every file against
# the server's bytes.
# With a script argument, kt5host runs that script instead. With --browser
# [PICTURE], the longest road runs: a page in Chromium (headless, through the
# extension and vardkt5-bridge) drives the control and hands off to the agent
# and its broker; every file is checked and the page's picture is saved.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh linux >/dev/null
source scripts/native-road.sh
if [ "${1:-}" = --browser ]; then
  picture=${2:-$(mktemp -d)/page.png}
  python3 tools/bridge/tests/browser_test.py --source . --build build/linux --screenshot "$picture"
  echo "The page as Chromium drew it: $picture"
  exit 0
fi
if [ $# -gt 0 ]; then exec "$host" "$1"; fi

work=$(mktemp -d)
folder="$work/downloads"
# A fresh user: settings of its own, and the agent saves into its documents.
export XDG_CONFIG_HOME="$work/config" XDG_DOCUMENTS_DIR="$work/agent"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DOCUMENTS_DIR"
build/linux/common/http/testing/vard_http_testserver --port-file "$work/port" &
server=$!
end_agent() {
  "$vardwin" vardel_MWKTPlusProc_Download_MainFrm_Class close 1 >/dev/null 2>&1 || true
}
trap 'end_agent; kill $server 2>/dev/null || true; rm -rf "$work/port" "$work/script.kts" "$work/config"' EXIT
# A fresh agent for this run.
end_agent
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cut -d' ' -f2 "$work/port")
base="http://127.0.0.1:$port"
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}" NO_PROXY="127.0.0.1,localhost${NO_PROXY:+,$NO_PROXY}"
sed -e "s|@SERVER@|$base|g" -e "s|@FOLDER@|$folder|g" examples/download.kts > "$work/script.kts"
"$host" "$work/script.kts"
echo
echo "Downloaded by the control into $folder:"
(cd "$folder" && find . -type f -printf '%10s  %p\n' | sort -k2)

# The files of the list, as the agent saves them: path, size, URL path.
files=("보고서.pdf 2048 /data/2048" "images/사진 01.jpg 300000 /data/300000" "big.iso 33554432 /data/33554432")
source scripts/road-files.sh

echo
for _ in $(seq 100); do "$vardwin" "$view" dump >/dev/null 2>&1 && break; sleep 0.1; done
echo "The transfer agent's list, its download started:"
"$vardwin" "$view" command 1002 >/dev/null
for _ in $(seq 600); do
  "$vardwin" "$view" rows | sed 's/^/  /'
  road_complete "$XDG_DOCUMENTS_DIR" && break
  echo "  --"
  sleep 0.2
done
sleep 0.5
echo "  -- finished:"
"$vardwin" "$view" rows | sed 's/^/  /'

echo
status=0
road_check "$XDG_DOCUMENTS_DIR" "$base" || status=1
echo
echo "The agent's files are in $XDG_DOCUMENTS_DIR (the control's in $folder)."
exit $status
