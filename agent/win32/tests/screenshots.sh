#!/bin/sh
# Usage: screenshots.sh BUILD_DIR OUT_DIR
# Pictures the agent's windows under a virtual display, in Korean:
# agent_download_ko.png (a download in progress), agent_tray_menu_ko.png,
# agent_settings_ko.png, agent_duplicate_ko.png and agent_saveas_ko.png (its
# Save As with the type list open). Needs python3 for the PNG conversion.
set -e
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
root="$here/../../.."
rm -f "$out"/agent_*.bmp "$out"/agent_*.png
# Hangul needs a font that has it: the dialog and system faces are replaced
# by Nanum Gothic (Debian's fonts-nanum) in this prefix.
python3 - "$out/agent_fonts.reg" <<'PY'
import sys
faces = ["Tahoma", "MS Shell Dlg", "MS Shell Dlg 2", "MS Sans Serif", "\uad74\ub9bc", "Gulim"]
lines = ["Windows Registry Editor Version 5.00", "", "[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]"]
lines += ['"%s"="NanumGothic"' % f for f in faces]
open(sys.argv[1], "wb").write(("\r\n".join(lines) + "\r\n").encode("utf-16"))
PY
sh "$root/control/win32/tests/gui-run.sh" "$build/wineprefix-gui" regedit /S "Z:$out/agent_fonts.reg" || true
rc=0
VARD_AGENT_SHOTS="Z:$out" sh "$here/gui-tests.sh" "$build/wineprefix-gui" \
  "$build/agent/win32/agent_windows_tests.exe" --gtest_filter='*Screenshots' || rc=$?
for shot in agent_download_ko agent_tray_menu_ko agent_settings_ko agent_duplicate_ko agent_saveas_ko; do
  if [ -f "$out/$shot.bmp" ]; then
    python3 "$root/tools/win32/kt5container/bmp2png.py" "$out/$shot.bmp" "$out/$shot.png" && rm -f "$out/$shot.bmp"
    echo "picture $out/$shot.png"
  else
    echo "missing picture $shot"
    rc=1
  fi
done
exit $rc
