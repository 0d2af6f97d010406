#!/bin/bash
# Installs the browser bridge for the current user: the host manifest where
# Chromium, Chrome and Firefox look for it (or only in the Chromium profile
# folder given with --user-data-dir), naming a launcher of the built host. Prints the
# extension's folder, to be loaded as an unpacked extension.
# Usage: scripts/install-browser-bridge.sh [--user-data-dir DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
profile=""
while [ $# -gt 0 ]; do
  case "$1" in
    --user-data-dir) profile="${2:?--user-data-dir needs a folder}"; shift 2 ;;
    --user-data-dir=*) profile="${1#*=}"; shift ;;
    *) echo "usage: $0 [--user-data-dir DIR]" >&2; exit 2 ;;
  esac
done
build="${BUILD_DIR:-$PWD/build/linux}"
bridge="$build/tools/bridge/vardkt5-bridge"
if [ ! -x "$bridge" ]; then
  echo "build the host first: cmake --preset linux && cmake --build --preset linux --target vardkt5-bridge" >&2
  exit 1
fi
# The control starts the agent from its system folder (the agent and the
# broker side by side), as the other native programs do.
system="$build/system"
mkdir -p "$system"
ln -sf "$build/agent/MWKTPlusProc" "$system/MWKTPlusProc"
ln -sf "$build/fsb/vardfsb" "$system/vardfsb"
name=com.vardel.kt5bridge
# The manifest names a launcher that tells the host where the agent is.
write_launcher() {
  cat > "$1" <<LAUNCHER
#!/bin/sh
export VARDEL_SYSTEM_DIR="\${VARDEL_SYSTEM_DIR:-$system}"
exec "$bridge" "\$@"
LAUNCHER
  chmod 755 "$1"
}
if [ -n "$profile" ]; then
  folders=("$profile/NativeMessagingHosts")
else
  config="${XDG_CONFIG_HOME:-$HOME/.config}"
  folders=("$config/chromium/NativeMessagingHosts" "$config/google-chrome/NativeMessagingHosts")
fi
for folder in "${folders[@]}"; do
  mkdir -p "$folder"
  launcher="$folder/$name.sh"
  write_launcher "$launcher"
  "$bridge" -manifest "$launcher" > "$folder/$name.json"
  echo "host manifest: $folder/$name.json"
done
# Firefox reads its own manifest, for the person only (not per profile).
if [ -z "$profile" ]; then
  folder="$HOME/.mozilla/native-messaging-hosts"
  mkdir -p "$folder"
  launcher="$folder/$name.sh"
  write_launcher "$launcher"
  "$bridge" -manifest-firefox "$launcher" > "$folder/$name.json"
  echo "host manifest: $folder/$name.json"
fi
echo "extension folder (load it unpacked, or start the browser with --load-extension=DIR):"
echo "  $PWD/browser/extension"
