#!/bin/sh
# Usage: screenshots.sh BUILD_DIR OUT_DIR
# Pictures the registered control in kt5container under a virtual display:
# list_ko.png (a Korean list with groups), menu_ko.png (its context menu)
# and dialog_ko.png (the download dialog during a transfer from a loopback
# server); with a second control in child mode, child_ko.png (the embedded
# dialog during its run) and openorsave_ko.png (a single download's
# question); with a third, dialog_fullpath_ko.png (the download dialog of a
# list with full paths). Needs python3 for the server and the PNG conversion.
set -e
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
root="$here/../../.."
files=$(mktemp -d)
mkdir -p "$files/files" "$out/downloads"
rm -rf "$out"/*.bmp "$out"/*.png "$out"/downloads/* 2>/dev/null || true
for f in report:131072 summary:65536 photo:98304 manual:32768; do
  head -c "${f#*:}" /dev/urandom > "$files/files/${f%%:*}.bin"
done
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$files" >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$files"' EXIT
export no_proxy=127.0.0.1,localhost NO_PROXY=127.0.0.1,localhost
winout="Z:$out"
sed -e "s|@PORT@|$port|" -e "s|@OUT@|$winout|g" "$here/screenshots.kts.in" > "$out/screenshots.kts"
sed -e "s|@PORT@|$port|" -e "s|@OUT@|$winout|g" "$here/screenshots_child.kts.in" > "$out/screenshots_child.kts"
sed -e "s|@PORT@|$port|" -e "s|@OUT@|$winout|g" "$here/screenshots_fullpath.kts.in" > "$out/screenshots_fullpath.kts"
# Hangul needs a font that has it: the dialog and system faces are replaced
# by Nanum Gothic (Debian's fonts-nanum) in this prefix.
# The pages come from the loopback server, which the system's zones put on
# the Internet: the control is locked to that site, as an administrator
# would lock it, so the pages may write where the pictures need.
python3 - "$out/fonts.reg" "$port" <<'PY'
import sys
faces = ["Tahoma", "MS Shell Dlg", "MS Shell Dlg 2", "MS Sans Serif", "\uad74\ub9bc", "Gulim"]
lines = ["Windows Registry Editor Version 5.00", "", "[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]"]
lines += ['"%s"="NanumGothic"' % f for f in faces]
lines += ["", "[HKEY_CURRENT_USER\\Software\\vardel\\VardKT5\\SiteLock]", '"Origins"="http://127.0.0.1:%s"' % sys.argv[2]]
open(sys.argv[1], "wb").write(("\r\n".join(lines) + "\r\n").encode("utf-16"))
PY
sh "$root/control/win32/tests/gui-run.sh" "$build/wineprefix-gui" regedit /S "Z:$out/fonts.reg" || true
sleep 1
rc=0
sh "$root/control/win32/tests/gui-run.sh" "$build/wineprefix-gui" --register "Z:$build/control/VardKT5.dll" \
  "$build/tools/win32/kt5container/kt5container.exe" "Z:$out/screenshots.kts" || rc=$?
sh "$root/control/win32/tests/gui-run.sh" "$build/wineprefix-gui" --register "Z:$build/control/VardKT5.dll" \
  "$build/tools/win32/kt5container/kt5container.exe" "Z:$out/screenshots_child.kts" || rc=$?
sh "$root/control/win32/tests/gui-run.sh" "$build/wineprefix-gui" --register "Z:$build/control/VardKT5.dll" \
  "$build/tools/win32/kt5container/kt5container.exe" "Z:$out/screenshots_fullpath.kts" || rc=$?
# The lock is the pictures' own: the window tests share this prefix.
printf 'Windows Registry Editor Version 5.00\r\n\r\n[-HKEY_CURRENT_USER\\Software\\vardel\\VardKT5\\SiteLock]\r\n' |
  iconv -f UTF-8 -t UTF-16 > "$out/unlock.reg"
sh "$root/control/win32/tests/gui-run.sh" "$build/wineprefix-gui" regedit /S "Z:$out/unlock.reg" || true
for shot in list_ko menu_ko dialog_ko child_ko openorsave_ko dialog_fullpath_ko; do
  if [ -f "$out/$shot.bmp" ]; then
    python3 "$here/bmp2png.py" "$out/$shot.bmp" "$out/$shot.png" && rm -f "$out/$shot.bmp"
    echo "picture $out/$shot.png"
  else
    echo "missing picture $shot"
    rc=1
  fi
done
exit $rc
