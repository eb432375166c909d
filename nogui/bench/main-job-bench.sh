#!/usr/bin/env bash
# Wall time of the main job (short/KIV.exe -m 2 -e 1 flashing one printer
# behind a spooler port) against the time the simulated printer itself
# imposes: receiving the firmware file, its reset time, and the package's boot
# wait. The difference is the program's own overhead.
#
#   bash nogui/bench/main-job-bench.sh [build folder] [runs]
# The build folder (default build/) must be built; prints figures only.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=${1:-${KIV_BUILD_DIR:-build}}
case $build in /*) ;; *) build=$root/$build ;; esac
runs=${2:-3}
export KIV_BUILD_DIR=$build KIV_BENCH_RUNS=$runs
reset_seconds=3

ms() { echo $(($(date +%s%N) / 1000000)); }

source "$root/tools/printer-sim/control.sh"
field() { # section field
    sim_cmd STATE | awk -v s="$1" -v f="$2=" '$1 == s { for (i = 3; i <= NF; i++) if (index($i, f) == 1) print substr($i, length(f) + 1) }'
}

if [ "${3:-}" = --inside-sim ]; then
    cfg=$root/package/config-short.ini
    boot=$(sed -n 's/^[ \t]*BootTimeout[ \t]*=[ \t]*\([0-9]*\).*/\1/p' "$cfg" | head -n1)
    fls=$(find "$build"/package-stage* -name flash.fls 2>/dev/null | head -n1)
    [ -n "$fls" ] || { echo "no flash.fls under $build/package-stage*" >&2; exit 1; }

    # The printer's own receive time: the same file sent natively to a spare
    # printer, until the printer has checked and accepted it.
    t0=$(ms)
    cat "$fls" >"/dev/tcp/$KIV_SIM_NET.3/9100"
    until [ "$(field spare accepted)" = 1 ]; do
        [ $(($(ms) - t0)) -lt 20000 ] || { echo "spare printer did not accept" >&2; exit 1; }
        sleep 0.01
    done
    transfer=$(($(ms) - t0))
    imposed=$((transfer + reset_seconds * 1000 + boot * 1000))

    addr=$KIV_SIM_NET.2
    source "$root/tools/printer-sim/spooler-port.sh"
    trap 'spooler_port_remove "$build/wine-run" "KIV_bench_$addr"' EXIT
    spooler_port_add "$build/wine-run" "KIV_bench_$addr" "$addr"

    # Start-up alone: unpacking, loading, enumeration, no flash.
    t0=$(ms)
    "$build/wine-run" "$build/short/KIV.exe" -m 2 -d NoSuchPrinter >/dev/null 2>&1 || true
    startup=$(($(ms) - t0))

    total=0
    best=
    for i in $(seq "$KIV_BENCH_RUNS"); do
        sim_cmd "RESTORE office" >/dev/null
        t0=$(ms)
        set +e
        "$build/wine-run" "$build/short/KIV.exe" -m 2 -e 1 >/dev/null 2>&1
        rc=$?
        set -e
        wall=$(($(ms) - t0))
        [ "$rc" -eq 0 ] || { echo "run $i: exit code $rc" >&2; exit 1; }
        total=$((total + wall))
        if [ -z "$best" ] || [ "$wall" -lt "$best" ]; then best=$wall; fi
        printf 'run %d: %d.%03d s\n' "$i" $((wall / 1000)) $((wall % 1000))
    done
    mean=$((total / KIV_BENCH_RUNS))
    s() { printf '%d.%03d s' $(($1 / 1000)) $(($1 % 1000)); }
    echo "firmware file: $(stat -c %s "$fls") bytes"
    echo "printer-imposed time: $(s "$imposed") (receive $(s "$transfer") + reset ${reset_seconds} s + boot wait ${boot} s)"
    echo "main job wall time:   $(s "$mean") mean, $(s "$best") best of $KIV_BENCH_RUNS"
    echo "overhead (mean):      $(s $((mean - imposed)))"
    echo "  of which start-up without a flash (unpack, load, enumerate): $(s "$startup")"
    exit 0
fi

template=$(mktemp --suffix=.ini)
trap '"$build/wine-ctl" stop >/dev/null 2>&1 || true; rm -f "$template"' EXIT
cat >"$template" <<INI
[office]
Address=@NET@.2
AioVersion=K206_G010111_00
ResetSeconds=$reset_seconds
[spare]
Address=@NET@.3
AioVersion=K206_G010111_00
ResetSeconds=$reset_seconds
INI
"$build/wine-run" cmd /c exit >/dev/null 2>&1 </dev/null
bash "$build/host/printer-sim/with-sim.sh" "$template" -- bash "$root/nogui/bench/main-job-bench.sh" "$build" "$runs" --inside-sim
