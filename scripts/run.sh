#!/bin/bash
# Installs what is missing, builds the native target and runs the main job:
# the download control driven by its scripting host on the example script.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh linux >/dev/null
exec build/linux/tools/kt5host/kt5host "${1:-examples/demo.kts}"
