#!/usr/bin/env bash
# The console mode updating a fleet: 50 simulated printers in one run of
# short-wide/KIV.exe -m 2 (every printer in flight at once), against the same
# program updating one printer alone, on this machine in one go. Prints the
# wall times and their ratio (the goal: at most 1.5), and for each run the
# peak resident memory and the most threads of the KIV.exe process (as Linux
# sees it under Wine, so Wine's own threads are counted too).
# KIV_FLEET_DEFAULT=1 also times the fleet through short/KIV.exe, which takes
# the package's default number of printers at once.
#
#   bash bench/run-fleet.sh [build folder] [printers]
# The build folder (default build/) must be built; it builds nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-${KIV_BUILD_DIR:-build}}
case $build in /*) ;; *) build=$root/$build ;; esac
count=${2:-50}
reset_seconds=3

ms() { echo $(($(date +%s%N) / 1000000)); }
s() { printf '%d.%03d s' $(($1 / 1000)) $(($1 % 1000)); }

source "$root/tools/printer-sim/control.sh"

# Runs KIV.exe with the arguments while sampling its process; sets wall,
# rc, peak_kib and threads.
measure() { # exe args...
    local exe=$1 pid= samples
    shift
    samples=$(mktemp)
    t0=$(ms)
    "$build/wine-run" "$exe" "$@" >"$samples.out" 2>&1 &
    local runner=$!
    while kill -0 "$runner" 2>/dev/null; do
        # The Windows program is its own Linux process; its command line
        # names the program's folder.
        [ -n "$pid" ] || pid=$(pgrep -n -f "$(basename "$(dirname "$exe")").KIV\.exe" || true)
        if [ -n "$pid" ] && [ -r "/proc/$pid/status" ]; then
            awk '/^VmHWM:/ { m = $2 } /^Threads:/ { t = $2 } END { if (m) print m, t }' \
                "/proc/$pid/status" >>"$samples" 2>/dev/null || true
        fi
        sleep 0.05
    done
    set +e
    wait "$runner"
    rc=$?
    set -e
    wall=$(($(ms) - t0))
    peak_kib=$(awk '$1 > m { m = $1 } END { print m + 0 }' "$samples")
    threads=$(awk '$2 > t { t = $2 } END { print t + 0 }' "$samples")
    updated=$(grep -c 'Result: Success' "$samples.out" || true)
    rm -f "$samples" "$samples.out"
}

report() { # label printers
    printf '%-34s %10s  exit %2d  updated %3d  peak RSS %4d MiB  threads %3d\n' \
        "$1" "$(s "$wall")" "$rc" "$updated" $((peak_kib / 1024)) "$threads"
}

if [ "${3:-}" = --inside-sim ]; then
    wide=$build/short-wide/KIV.exe
    [ -f "$wide" ] || { echo "not built: $wide" >&2; exit 1; }
    restore_all() {
        sim_cmd "RESTORE solo" >/dev/null
        for i in $(seq "$count"); do sim_cmd "RESTORE fleet$i" >/dev/null; done
    }
    fleet=
    for i in $(seq "$count"); do
        fleet+="${fleet:+,}$KIV_SIM_NET.$((9 + i))"
    done
    echo "printers: $count, each with a 4 MiB image, reset ${reset_seconds} s," \
         "boot wait of the short-timer package"
    restore_all
    measure "$wide" -m 2 -e 1 -d "$KIV_SIM_NET.2"
    one=$wall
    report "one printer alone" 1
    restore_all
    measure "$wide" -m 2 -e 1 -d "$fleet"
    many=$wall
    report "$count printers, all at once" "$count"
    printf 'fleet / one printer: %d.%02d (goal: at most 1.5)\n' \
        $((many / one)) $(((many * 100 / one) % 100))
    if [ -n "${KIV_FLEET_DEFAULT:-}" ]; then
        restore_all
        measure "$build/short/KIV.exe" -m 2 -e 1 -d "$fleet"
        report "$count printers, package default" "$count"
    fi
    exit 0
fi

template=$(mktemp --suffix=.ini)
trap '"$build/wine-ctl" stop >/dev/null 2>&1 || true; rm -f "$template"' EXIT
{
    printf '[solo]\nAddress=@NET@.2\nAioVersion=K206_G010111_00\nResetSeconds=%s\n' "$reset_seconds"
    for i in $(seq "$count"); do
        printf '[fleet%d]\nAddress=@NET@.%d\nAioVersion=K206_G010111_00\nResetSeconds=%s\n' \
            "$i" $((9 + i)) "$reset_seconds"
    done
} >"$template"
"$build/wine-run" cmd /c exit >/dev/null 2>&1 </dev/null
bash "$build/host/printer-sim/with-sim.sh" "$template" -- \
    bash "$root/bench/run-fleet.sh" "$build" "$count" --inside-sim
