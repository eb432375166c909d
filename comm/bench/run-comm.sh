#!/usr/bin/env bash
# Runs the communication benchmark against the printer simulator from a build
# folder (it builds nothing). Usage: comm/bench/run-comm.sh [build folder]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../../build}" && pwd)"
exe="$build/comm/comm_bench.exe"
if [ ! -f "$exe" ]; then
  echo "not built: $exe (build the target comm_bench first)" >&2
  exit 1
fi
status=0
"$build/host/printer-sim/with-sim.sh" "$here/comm-bench-printers.ini" -- \
  "$build/wine-run" "$exe" || status=$?
# Leave no wineserver of ours behind.
"$build/wine-ctl" wait
exit $status
