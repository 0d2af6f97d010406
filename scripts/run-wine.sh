#!/bin/bash
# The main job's road with the real Windows programs under Wine (win64
# build): a page's script (examples/download-plus.js, run by Wine's cscript)
# creates the registered control, appends three files of the native loopback
# test server and hands them to the agent; the agent, started by the control
# from the prefix's system directory, downloads them through the file
# service broker (started by the agent from there too) once its Start is
# pressed; the script checks every file against the server's bytes.
# Everything runs in a prefix of its own under one virtual display.
# Usage: scripts/run-wine.sh [PICTURE.png]   (optional: the agent's window
# during the download)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${VARD_WIN64_BUILD:-$root/build/win64}  # CTest names its own
prefix=$build/wineprefix-road
server=$build/common/http/testing/native/vard_http_testserver
agent=$build/agent/MWKTPlusProc.exe
broker=$build/fsb/vardfsb.exe
vardwin_exe=$build/tools/vardwin/vardwin.exe
dll=$build/control/VardKT5.dll

wineserver=wineserver
for d in /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine /opt/wine-stable/bin; do
  if [ -x "$d/wineserver64" ]; then wineserver="$d/wineserver64"; break; fi
done

if [ -z "${VARD_ROAD_DISPLAY:-}" ]; then
  for f in "$server" "$agent" "$broker" "$vardwin_exe" "$dll"; do
    if [ ! -f "$f" ]; then
      echo "run-wine: FAILED: $f is missing; build it:" >&2
      echo "  cmake --build --preset win64 -j2 --target VardKT5 MWKTPlusProc vardfsb vardwin vard_native_testserver" >&2
      exit 1
    fi
  done
  picture=${1:-}
  [ -z "$picture" ] || picture=$(realpath -m "$picture")
  rc=0
  VARD_ROAD_DISPLAY=1 VARD_ROAD_PICTURE="$picture" timeout -k 10 300 \
    xvfb-run -a -s "-screen 0 1024x768x24" "$0" || rc=$?
  # What a run cut short leaves: its prefix's programs, the server.
  WINEPREFIX="$prefix" "$wineserver" -k >/dev/null 2>&1
  sh "$root/cmake/test-server.sh" stop "$server" "$build/road/port" >/dev/null 2>&1
  [ $rc -ne 124 ] || echo "run-wine: FAILED: the run took longer than 300 s" >&2
  exit $rc
fi

main=vardel_MWKTPlusProc_Download_MainFrm_Class
view=vardel_MWKTPlusProc_Download_view_Class
work=$build/road
save='C:\vard-road\downloads'
saved=$prefix/drive_c/vard-road/downloads
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}" NO_PROXY="127.0.0.1,localhost${NO_PROXY:+,$NO_PROXY}"

wine() { sh "$root/cmake/wine-run.sh" "$prefix" wine64 "$@"; }
vardwin() { timeout -k 5 30 sh "$root/cmake/wine-run.sh" "$prefix" wine64 "$vardwin_exe" "$@"; }
fail() {
  echo "run-wine: FAILED: $*" >&2
  exit 1
}
registered=""
cleanup() {
  vardwin "$main" close 1 >/dev/null 2>&1 || true
  [ -z "$registered" ] || wine regsvr32 /u /s "$dll" >/dev/null 2>&1 || true
  sh "$root/cmake/test-server.sh" stop "$server" "$work/port" >/dev/null 2>&1 || true
}
trap cleanup EXIT
trap 'exit 143' TERM INT
mkdir -p "$work"

echo "Prefix $prefix (created on first use; that takes a while)."
wine reg add 'HKCU\Software\vardel\KTPlus' /v SaveFolder /d "$save" /f >/dev/null ||
  fail "could not set the agent's save folder in the prefix"
# Xvfb has no window manager: unmanaged windows spare Wine's 2 s wait for one
# whenever a window is hidden.
for program in MWKTPlusProc.exe explorer.exe; do
  wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$program\\X11 Driver" /v Managed /d N /f >/dev/null || true
done
# Hangul in the picture needs a font that has it: the dialog and system
# faces are replaced by Nanum Gothic (Debian's fonts-nanum).
if [ -n "${VARD_ROAD_PICTURE:-}" ]; then
  for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "MS Sans Serif" 굴림 Gulim; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d NanumGothic /f >/dev/null || true
  done
fi
# The control starts the agent from the system directory, the agent the
# broker from there too.
system=$prefix/drive_c/windows/system32
cp "$agent" "$broker" "$system/" || fail "could not copy the agent and the broker into $system"
rm -rf "$saved"
mkdir -p "$saved"

ports=$(sh "$root/cmake/test-server.sh" start "$server" "$work/port") || fail "the test server did not start"
base="http://127.0.0.1:$(cut -d' ' -f2 <<<"$ports")"
echo "Test server at $base."

wine regsvr32 /s "$dll" || fail "regsvr32 could not register $dll"
registered=1
# A fresh agent for this run.
vardwin "$main" close 1 >/dev/null 2>&1 || true

echo
echo "The page's script (cscript):"
timeout -k 5 60 sh "$root/cmake/wine-run.sh" "$prefix" wine64 cscript //nologo \
  "Z:$root/examples/download-plus.js" "$base" | tr -d '\r' | sed 's/^/  /'
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "the page's script failed (cscript)"

# The files of the list, as the agent saves them: path, size, URL path.
files=("보고서.pdf 2048 /data/2048" "images/사진 01.jpg 300000 /data/300000" "big.iso 4194304 /data/4194304")
source "$root/scripts/road-files.sh"
rows() { vardwin "$view" rows | tr -d '\r'; }
# The broker the agent started, in this prefix (other prefixes may run one).
broker_runs() {
  local pid
  for pid in $(pgrep -f 'vardfsb\.exe'); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix" && return 0
  done
  return 1
}

deadline=$((SECONDS + 60))
until [ "$(rows 2>/dev/null | grep -c .)" -ge 3 ]; do
  [ $SECONDS -lt $deadline ] || fail "the agent's list did not show the three files within 60 s"
  sleep 0.5
done
echo
echo "The agent's list, its download started:"
vardwin "$view" command 1002 >/dev/null || fail "the agent's Start could not be pressed"
rows | sed 's/^/  /'
if [ -n "${VARD_ROAD_PICTURE:-}" ]; then
  if command -v xwd >/dev/null && command -v xwdtopnm >/dev/null && command -v pnmtopng >/dev/null; then
    xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$VARD_ROAD_PICTURE" && echo "  picture $VARD_ROAD_PICTURE"
  else
    echo "  no picture: xwd, xwdtopnm or pnmtopng is missing (apt-get install -y x11-apps netpbm)"
  fi
fi
deadline=$((SECONDS + 120))
while :; do
  dump=$(vardwin "$view" dump 2>/dev/null | tr -d '\r')
  if road_complete "$saved" && grep -q '"running":false' <<<"$dump"; then break; fi
  [ $SECONDS -lt $deadline ] || { rows | sed 's/^/  /'; fail "the agent did not finish the files within 120 s"; }
  sleep 1
done
echo "  -- finished:"
rows | sed 's/^/  /'
broker_runs || fail "no file service broker (vardfsb.exe) runs in the prefix: the files did not go through it"
echo "  (written through vardfsb.exe, which the agent started)"

echo
road_check "$saved" "$base" || fail "a file the agent saved differs from the server's bytes"

vardwin "$main" close 1 >/dev/null || fail "the agent's window did not take the request to close"
deadline=$((SECONDS + 20))
while vardwin "$main" dump >/dev/null 2>&1; do
  [ $SECONDS -lt $deadline ] || fail "the agent did not end within 20 s of closing"
  sleep 0.5
done
echo
echo "The agent ended; its files are in $saved ($save in the prefix)."
