#!/usr/bin/env bash
# Runs the parsers' fuzzers of the native build, one at a time in one process
# each (the machine is shared), and prints what each did.
#
#   bash tools/fuzz.sh [SECONDS] [NAME...]   every fuzzer (or the named ones)
#                                            for SECONDS each (default 600)
#   bash tools/fuzz.sh --smoke SECONDS PROGRAM SEEDS   (ctest's short run)
#
# The full run configures and builds build/native first (the tools' output is
# shown only when that fails) and refuses a NAME that is not one of the
# fuzzers there. Each fuzzer keeps its growing corpus in
# build/native/fuzz/NAME/corpus (the checked-in seeds are read, never written)
# and any input that breaks it in build/native/fuzz/NAME/crashes/. A summary
# line per fuzzer goes to build/native/fuzz/summary.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# One run: $1 program, $2 seconds, $3 working corpus, $4 seeds, $5 crashes
# folder, $6 log file. Prints "executions coverage features crashes".
run_one() {
    local program=$1 seconds=$2 corpus=$3 seeds=$4 crashes=$5 log=$6 rc
    mkdir -p "$corpus" "$crashes"
    "$program" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$crashes/" "$corpus" "$seeds" >"$log" 2>&1 && rc=0 || rc=$?
    local execs cov ft found
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    found=$(find "$crashes" -type f | wc -l)
    echo "${execs:-?} ${cov:-?} ${ft:-?} $found"
    return "$rc"
}

if [ "${1:-}" = --smoke ]; then
    seconds=$2 program=$3 seeds=$4
    work=$(mktemp -d "${TMPDIR:-/tmp}/kivfuzz.XXXXXX")
    name=$(basename "$program")
    if stats=$(run_one "$program" "$seconds" "$work/corpus" "$seeds" "$work/crashes" "$work/log"); then
        read -r execs cov ft _ <<<"$stats"
        echo "$name: $execs executions in ${seconds}s, coverage $cov edges, $ft features"
        rm -rf "$work"
        exit 0
    fi
    tail -n 40 "$work/log"
    echo "$name failed; its log and the breaking input are in $work" >&2
    exit 1
fi

seconds=${1:-600}
[ $# -gt 0 ] && shift
# A fuzzer given no time limit runs until it is stopped.
if ! [[ $seconds =~ ^[0-9]+$ ]] || [ $((10#$seconds)) -eq 0 ]; then
    echo "SECONDS must be a whole number above 0, not '$seconds'" \
        "(bash tools/fuzz.sh [SECONDS] [NAME...])" >&2
    exit 2
fi
source tools/host.sh
build=$root/build/native
mkdir -p "$build"
log=$build/fuzz-build.log
# Quiet when it works; a failure shows everything the tool said.
quiet() {
    local rc
    "$@" >"$log" 2>&1 && return 0 || rc=$?
    cat "$log" >&2
    return "$rc"
}
kiv_step "configure build/native" quiet cmake -S native -B "$build"
# The list of fuzzers is known once the build is configured; a misspelt name
# would otherwise run nothing and report success.
known=$(cut -d' ' -f1 "$build/fuzzers.txt")
unknown=()
for name in "$@"; do
    grep -qxF -- "$name" <<<"$known" || unknown+=("$name")
done
if [ ${#unknown[@]} -gt 0 ]; then
    echo "No fuzzer named ${unknown[*]}; the fuzzers are:" $known >&2
    exit 2
fi
kiv_step "build build/native" quiet cmake --build "$build" -j2
mkdir -p "$build/fuzz"
summary=$build/fuzz/summary.txt
status=0
while read -r name program seeds; do
    if [ $# -gt 0 ] && ! printf '%s\n' "$@" | grep -qxF -- "$name"; then
        continue
    fi
    dir=$build/fuzz/$name
    echo "== $name: ${seconds}s"
    if stats=$(run_one "$program" "$seconds" "$dir/corpus" "$seeds" "$dir/crashes" "$dir/log"); then
        outcome=ok
    else
        outcome="STOPPED (see $dir/log)"
        status=1
    fi
    read -r execs cov ft found <<<"$stats"
    line="$(date -u +%FT%TZ) $name ${seconds}s executions=$execs coverage=$cov features=$ft corpus=$(find "$dir/corpus" -type f | wc -l) crashes=$found $outcome"
    echo "$line" | tee -a "$summary"
done <"$build/fuzzers.txt"
exit $status
