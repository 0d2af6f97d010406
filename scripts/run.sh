#!/bin/bash
# Installs what is missing, builds the native target and runs the main job:
# a page's script (examples/download.kts) appends three files served by the
# loopback test server, downloads them with the control's own engine, then
# hands the same list to the transfer agent, whose list is shown.
# With a script argument, kt5host runs that script instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh linux >/dev/null
host=build/linux/tools/kt5host/kt5host
vardwin=build/linux/tools/vardwin/vardwin
# The control starts the agent from the system directory.
export VARDEL_SYSTEM_DIR="$PWD/build/linux/agent"
if [ $# -gt 0 ]; then exec "$host" "$1"; fi

work=$(mktemp -d)
folder="$work/downloads"
build/linux/common/http/testing/vard_http_testserver --port-file "$work/port" &
server=$!
end_agent() {
  "$vardwin" vardel_MWKTPlusProc_Download_MainFrm_Class close >/dev/null 2>&1 || true
}
trap 'end_agent; kill $server 2>/dev/null || true; rm -f "$work/port" "$work/script.kts"' EXIT
# A fresh agent for this run.
end_agent
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cut -d' ' -f2 "$work/port")
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}" NO_PROXY="127.0.0.1,localhost${NO_PROXY:+,$NO_PROXY}"
sed -e "s|@SERVER@|http://127.0.0.1:$port|g" -e "s|@FOLDER@|$folder|g" examples/download.kts > "$work/script.kts"
"$host" "$work/script.kts"
echo
echo "Downloaded into $folder:"
(cd "$folder" && find . -type f -printf '%10s  %p\n' | sort -k2)
echo
echo "The transfer agent's list:"
"$vardwin" vardel_MWKTPlusProc_Download_view_Class rows
