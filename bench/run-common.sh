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
figures="$(mktemp)"
"$build/wine-run" "$exe" ${2:-} | tr -d '\r' | tee "$figures" || status=$?
# Leave no wineserver of ours behind.
"$build/wine-ctl" wait
# The three figures of this run against the goal of 5,000 lines/s each.
sed -n 's/^logging on, \(.*\): .* = \([0-9]*\) lines\/s$/\1|\2/p' "$figures" |
  awk -F'|' '{ printf "  %-36s %6d lines/s = %.2f of 5,000 lines/s\n", $1, $2, $2 / 5000 }'
rm -f "$figures"
exit $status
