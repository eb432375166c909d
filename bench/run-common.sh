#!/usr/bin/env bash
# Runs the common library's benchmark from a build folder (it builds nothing).
# Usage: bench/run-common.sh [build folder] [lines per measurement]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../build}" && pwd)"
exe="$build/bench/common_bench.exe"
if [ ! -f "$exe" ]; then
  echo "not built: $exe (build the target common_bench first)" >&2
  exit 1
fi
status=0
"$build/wine-run" "$exe" ${2:-} || status=$?
# Leave no wineserver of ours behind.
"$build/wine-ctl" wait
exit $status
