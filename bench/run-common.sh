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
# The three figures of this run against the goal of 5,000 lines/s each, and
# against the bare calls that each line needs (measured just before).
sed -n 's/^\(logging on\|bare calls\), \(.*\): .* = \([0-9]*\) lines\/s$/\1|\2|\3/p' "$figures" |
  awk -F'|' '
    $1 == "bare calls" { bare[$2] = $3; next }
    {
      printf "  %-36s %6d lines/s = %.2f of 5,000 lines/s", $2, $3, $3 / 5000
      if (bare[$2] > 0) printf ", %.2f of the bare calls (%d lines/s)", $3 / bare[$2], bare[$2]
      printf "\n"
    }'
rm -f "$figures"
exit $status
