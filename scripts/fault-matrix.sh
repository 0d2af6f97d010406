#!/bin/bash
# The download job's fault matrix, full form: the server cuts bodies at 100
# random offsets (resumed by Range and by "_filesize="), the job's process is
# killed at 20 random moments and a new run finishes the records still
# pending in kt_save.dat, the broker is killed in the middle of files. Every
# file must end byte-identical. Extra arguments go to the matrix (--cuts N,
# --kills N, --broker-kills N, --seed S, --folder DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >/dev/null
cmake --preset linux >/dev/null
cmake --build --preset linux -j2 --target agent_fault_matrix >/dev/null
exec build/linux/agent/agent_fault_matrix --cuts 100 --kills 20 --broker-kills 5 --seed "${SEED:-$RANDOM}" "$@"
