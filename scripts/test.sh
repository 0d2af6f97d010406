#!/bin/bash
# Installs what is missing, builds every target and runs every test:
# natively, and the Windows programs under wine.
# `test.sh --stress [N]`: the same while two busy loops keep both cores
# busy, every test run N times (3 by default) unless it fails first.
set -euo pipefail
cd "$(dirname "$0")/.."
repeat=()
busy=()
[ "${1:-}" = --stress ] && repeat=(--repeat "until-fail:${2:-3}")
scripts/setup.sh
scripts/build.sh linux win32 win64
source scripts/apt.sh

stop_wine() {
  for prefix in build/win32/wineprefix build/win64/wineprefix; do
    [ -d "$prefix" ] || continue
    WINEPREFIX="$PWD/$prefix" wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX="$PWD/$prefix" /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
  done
}

# A kernel that cannot run 32-bit programs runs them through qemu-user's
# i386 emulator for the win32 tests (see README): registered with the
# kernel's binfmt_misc while the tests run, and taken away again on exit.
binfmt=/proc/sys/fs/binfmt_misc
emulation="$binfmt/vardel-i386"
mounted_binfmt=""
start_win32_emulation() {
  [ "$(id -u)" -eq 0 ] || { echo "== win32: emulating 32-bit programs needs root"; return 1; }
  local qemu=/usr/bin/qemu-i386 major
  major=$("$qemu" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p')
  if [ "${major:-0}" -lt 10 ]; then
    # Debian 12's own qemu-user (7.2) cannot run wine: 10 from bookworm-backports.
    if ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d; then
      printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        > /etc/apt/sources.list.d/bookworm-backports.sources
    fi
    # Every time: an earlier update may have failed after the source was added.
    apt_update || true
    ( apt_install --no-install-recommends -t bookworm-backports -- qemu-user ) || return 1
    major=$("$qemu" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p')
    [ "${major:-0}" -ge 10 ] || return 1
  fi
  if [ ! -e "$binfmt/register" ]; then
    mount -t binfmt_misc binfmt_misc "$binfmt" || return 1
    mounted_binfmt=1
  fi
  [ -e "$emulation" ] && echo -1 > "$emulation"
  # 32-bit little-endian ELF executables and shared objects for i386; F: the
  # emulator is opened now, so it also serves inside wine's own namespaces.
  printf '%s' ':vardel-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
    > "$binfmt/register" || return 1
  scripts/can-run-win32.sh
}
stop_win32_emulation() {
  [ -e "$emulation" ] && echo -1 > "$emulation"
  [ -n "$mounted_binfmt" ] && umount "$binfmt"
  return 0
}
cleanup() {
  [ ${#busy[@]} -gt 0 ] && kill "${busy[@]}" 2>/dev/null
  stop_wine
  stop_win32_emulation
}
trap cleanup EXIT

# The tests talk to loopback servers only; a proxy the machine names must
# not see those requests.
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}"
export NO_PROXY="$no_proxy"

if [ ${#repeat[@]} -gt 0 ]; then
  for _ in 1 2; do
    ( while :; do :; done ) &
    busy+=($!)
  done
fi
status=0
echo "== test linux"
ctest --preset linux -j2 ${repeat[@]+"${repeat[@]}"} || status=1
if scripts/can-run-win32.sh || { [ "${VARD_EMULATE_WIN32:-1}" != 0 ] && start_win32_emulation; }; then
  echo "== test win32 (under wine)"
  ctest --preset win32 -j2 ${repeat[@]+"${repeat[@]}"} || status=1
else
  echo "== win32: this kernel cannot run 32-bit programs; built only, tested as win64"
fi
echo "== test win64 (under wine64)"
ctest --preset win64 -j2 ${repeat[@]+"${repeat[@]}"} || status=1
exit $status
