#!/usr/bin/env bash
# Runs the launcher's start-up benchmark from a build folder (it builds
# nothing) and times native unzip on the same two archives. The floor of the
# start-up is three starts of a program that does nothing (the launcher and
# its two package programs) plus native unzip; the ratio of start-to-unpacked
# to that floor is taken run by run, each run beside its own three starts.
# Usage: bench/run-launcher.sh [build folder] [runs]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../build}" && pwd)"
runs="${2:-5}"
exe="$build/bench/launcher_bench.exe"
trivial="$build/bench/trivial_program.exe"
# A program that stops right after unpacking: its common package lacks the
# update modes, so no printer search blurs the figures.
kiv="$build/launcher/tests/nonogui/KIV.exe"
# The very archives that program carries.
common="$build/package-stage-KIV_nonogui/common.exe"
package="$build/package-stage-KIV_nonogui/package.exe"
for f in "$exe" "$trivial" "$kiv" "$common" "$package"; do
  if [ ! -f "$f" ]; then
    echo "not built: $f (build launcher_bench and KIV_nonogui first)" >&2
    exit 1
  fi
done
status=0
figures="$(mktemp)"
"$build/wine-run" "$exe" "Z:${kiv//\//\\}" "Z:${trivial//\//\\}" "$runs" | tr -d '\r' | tee "$figures" ||
  status=$?
"$build/wine-ctl" wait
rm -rf "/tmp/kivbench_temp_"* "/tmp/kivbench_profile_"*

# Peak resident size of the KIV.exe process (the Wine process that runs it),
# measured from outside; the package programs run as separate processes.
if [ -x /usr/bin/time ]; then
  peak="$(mktemp)"
  /usr/bin/time -o "$peak" -f "%M" "$build/wine-run" "$kiv" -m 2 >/dev/null 2>&1 || true
  kb=$(tail -1 "$peak")
  rm -f "$peak"
  "$build/wine-ctl" wait
  echo "peak resident size of the KIV.exe process: $(( kb / 1024 )) MiB (includes the Wine runtime)"
fi

out="$(mktemp -d)"
best=""
unzips=()
for i in $(seq "$runs"); do
  rm -rf "$out"/*
  mkdir -p "$out/Common" "$out/Package"
  start=$(date +%s%N)
  unzip -qo "$common" -d "$out/Common" 2>/dev/null || true
  unzip -qo "$package" -d "$out/Package" 2>/dev/null || true
  end=$(date +%s%N)
  ms=$(( (end - start) / 1000000 ))
  unzips+=("$ms")
  if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
done
rm -rf "$out"
echo "native unzip of common.exe + package.exe (best of $runs): ${best} ms"
unzip_median=$(printf '%s\n' "${unzips[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
# Each run against its own three starts plus the median native unzip.
sed -n 's/^pair [0-9]*: start to unpacked \([0-9.-]*\) ms, three trivial starts \([0-9.-]*\) ms$/\1 \2/p' "$figures" |
  awk -v unzip="$unzip_median" '$1 > 0 && $2 > 0 { printf "%.3f\n", $1 / ($2 + unzip) }' | sort -n |
  awk -v unzip="$unzip_median" '
    { r[++n] = $1 }
    END {
      if (n == 0) { print "start-up against its floor: no run logged its figures"; exit }
      printf "start-up against its floor (three starts + native unzip of %d ms), %d runs:" \
             " median %.2f (min %.2f, max %.2f); goal at most 1.20\n", unzip, n, r[int((n + 1) / 2)], r[1], r[n]
    }'
rm -f "$figures"
exit $status
