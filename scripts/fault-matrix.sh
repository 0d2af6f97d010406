#!/bin/bash
# The download job's fault matrix, full form: the server cuts bodies at 100
# random offsets (resumed by Range and by "_filesize="); the real agent,
# started by a page's hand-off through kt5host, is killed (SIGKILL) at 20
# random moments of its download and a new control's SavedDownload hands the
# pending records to a new agent; the broker is killed in the middle of
# files. Every file must end byte-identical. Extra arguments go to the matrix
# (--cuts N, --kills N, --broker-kills N, --seed S, --folder DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >/dev/null
cmake --preset linux >/dev/null
cmake --build --preset linux -j2 --target agent_fault_matrix >/dev/null
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}" NO_PROXY="127.0.0.1,localhost${NO_PROXY:+,$NO_PROXY}"
exec build/linux/agent/agent_fault_matrix --cuts 100 --kills 20 --broker-kills 5 --seed "${SEED:-$RANDOM}" "$@"
