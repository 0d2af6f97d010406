#!/bin/bash
# Installs what the build and the tests need (Debian 12, as root). Does
# nothing when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang python3
  mingw-w64 mingw-w64-tools libwine-dev wine wine64 wine32:i386 xvfb xauth fonts-nanum
  googletest libgtest-dev libgmock-dev
  libcurl4-openssl-dev libcpp-httplib-dev zlib1g-dev libssl-dev openssl pkg-config curl
  media-types
  chromium firefox-esr
)

# `setup.sh bench`: also the real server and the other clients of the
# benchmarks against nginx.
[ "${1:-}" = bench ] && packages+=(nginx-light wget aria2 time bc)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

source "$(dirname "$0")/apt.sh"
if [[ " ${missing[*]} " == *":i386"* ]]; then
  $SUDO dpkg --add-architecture i386
fi
echo "Installing: ${missing[*]}"
apt_update || true
apt_install -- "${missing[@]}"
