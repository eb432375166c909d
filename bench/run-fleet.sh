#!/usr/bin/env bash
# The console mode updating a fleet: 50 simulated printers in one run of
# short-wide/KIV.exe -m 2 (every printer in flight at once), against the same
# program updating one printer alone, on this machine in one go. Prints the
# wall times and their ratio (the goal: at most 1.5), and for each run the
# peak resident memory and the most threads of the KIV.exe process (as Linux
# sees it under Wine, so Wine's own threads are counted too), and a profile:
# the run's phases with the CPU that the program, the wineserver and the
# simulator spent in each (see measure below).
# KIV_FLEET_DEFAULT=1 also times the fleet through short/KIV.exe, which takes
# the package's default number of printers at once. KIV_FLEET_PROGRAM=<path>
# times another build of the 64-wide program instead (an earlier one, to
# compare). KIV_FLEET_KEEP=<prefix> keeps each run's console lines, with the
# moment each came out, in <prefix>.0, <prefix>.1, ...
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

# CPU seconds (user + system) a process has used so far, in clock ticks.
ticks() { # pid
    [ -r "/proc/$1/stat" ] || { echo 0; return; }
    # The command name may hold blanks: the fields are counted after it.
    sed 's/^.*) //' "/proc/$1/stat" 2>/dev/null | awk '{ print $12 + $13 }' || echo 0
}
hz=$(getconf CLK_TCK)

# The wineserver of this build's prefix (other builds may run their own).
our_wineserver() {
    local prefix=${KIV_WINEPREFIX:-$build/wineprefix} p
    for p in $(pgrep -f 'wineserver' || true); do
        tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix" &&
            { echo "$p"; return; }
    done
}

# Runs KIV.exe with the arguments while sampling its processes, the
# wineserver and the simulator every 0.1 s; sets wall, rc, peak_kib,
# threads, updated and phases: one line per phase of the run with its end
# (ms after the start) and the CPU (ms) that the program, the wineserver and
# the simulator spent in it. The phases are read from the console lines'
# moments: start-up (to "Looking for"), search (to the first printer's
# turn), the checks in the turns (to the last "updating to"), the file
# transfers (to the last printer's first "waiting for the printer to
# restart") and the resets, boot waits and verification (to the end).
measure() { # exe args...
    local exe=$1 samples out sim_pid server_pid
    shift
    samples=$(mktemp)
    out=$(mktemp)
    sim_pid=$(pgrep -n -f "^$KIV_PRINTER_SIM " || true)
    server_pid=$(our_wineserver)
    t0=$(ms)
    echo "0 sim - $(ticks "$sim_pid")" >"$samples"
    echo "0 server - $(ticks "$server_pid")" >>"$samples"
    # Each console line with the moment it came out. The program is the
    # process that wine-run becomes: it is sampled by its id, since a search
    # of the process list every tenth of a second would cost more CPU than
    # some of the phases measured.
    rm -f "$out.fifo" && mkfifo "$out.fifo"
    perl -MTime::HiRes=time -ne 'BEGIN { $| = 1; $t0 = '"$t0"' } printf "%d %s", time * 1000 - $t0, $_' \
        <"$out.fifo" >"$out" &
    local stamper=$!
    "$build/wine-run" "$exe" "$@" >"$out.fifo" 2>&1 </dev/null &
    local runner=$!
    while kill -0 "$runner" 2>/dev/null; do
        local now=$(($(ms) - t0))
        awk -v now="$now" -v t="$(ticks "$runner")" \
            '/^VmHWM:/ { m = $2 } /^Threads:/ { n = $2 } END { if (m) print now, "kiv", 0, t, m, n }' \
            "/proc/$runner/status" >>"$samples" 2>/dev/null || true
        [ -r "/proc/${server_pid:-0}/stat" ] || server_pid=$(our_wineserver)
        echo "$now server - $(ticks "$server_pid")" >>"$samples"
        echo "$now sim - $(ticks "$sim_pid")" >>"$samples"
        sleep 0.1
    done
    set +e
    wait "$runner"
    rc=$?
    wait "$stamper"
    set -e
    rm -f "$out.fifo"
    wall=$(($(ms) - t0))
    echo "$wall server - $(ticks "$server_pid")" >>"$samples"
    echo "$wall sim - $(ticks "$sim_pid")" >>"$samples"
    peak_kib=$(awk '$2 == "kiv" && $5 > m { m = $5 } END { print m + 0 }' "$samples")
    threads=$(awk '$2 == "kiv" && $6 > t { t = $6 } END { print t + 0 }' "$samples")
    updated=$(grep -c 'Result: Success' "$out" || true)
    local bounds
    bounds=$(awk -v wall="$wall" '
        !start && /Looking for/ { start = $1 }
        !search && $2 ~ /^\[1\// { search = $1 }
        /: updating to / { checked = $1 }
        /: waiting for the printer to restart/ || /\] waiting for the printer to restart/ {
            key = $0; sub(/^[0-9]+ +\[ *[0-9]+%\] /, "", key); sub(/: waiting.*/, "", key)
            if (!(key in seen)) { seen[key] = 1; sent = $1 }
        }
        END { print start + 0, search + 0, checked + 0, sent + 0, wall }' "$out")
    # Cumulative CPU of each source at each phase end: the last sample
    # before it (the program's processes summed).
    phases=$(awk -v hz="$hz" -v bounds="$bounds" '
        BEGIN { n = split(bounds, end, " ") }
        { t[NR] = $1; src[NR] = $2; pid[NR] = $3; tk[NR] = $4 }
        END {
            for (i = 1; i <= n; ++i) {
                delete last; s = 0; sv = 0; sm = 0
                for (r = 1; r <= NR; ++r) {
                    if (t[r] > end[i]) continue
                    if (src[r] == "kiv") last[pid[r]] = tk[r]
                    else if (src[r] == "server") sv = tk[r]
                    else sm = tk[r]
                }
                for (p in last) s += last[p]
                if (i == 1) { sv0 = first("server"); sm0 = first("sim") }
                printf "%d %d %d %d\n", end[i], s * 1000 / hz, (sv - sv0) * 1000 / hz, (sm - sm0) * 1000 / hz
            }
        }
        function first(what,  r) { for (r = 1; r <= NR; ++r) if (src[r] == what) return tk[r]; return 0 }' "$samples")
    [ -z "${KIV_FLEET_KEEP:-}" ] || cp "$out" "$KIV_FLEET_KEEP.${count_runs:-0}"
    count_runs=$((${count_runs:-0} + 1))
    rm -f "$samples" "$out"
}

report() { # label
    printf '%-30s %10s  exit %2d  updated %3d  peak RSS %4d MiB  threads %3d\n' \
        "$1" "$(s "$wall")" "$rc" "$updated" $((peak_kib / 1024)) "$threads"
    printf '  %-34s %9s %9s %9s %9s\n' phase "ends at" program wineserver simulator
    local names=("start-up" "search" "checks in the turns" "file transfers"
        "resets, boot waits, verification") i=0 prev="0 0 0 0" line
    while read -r line; do
        # shellcheck disable=SC2086
        set -- $line $prev
        printf '  %-34s %9s %9s %9s %9s\n' "${names[$i]}" "$(s "$1")" \
            "$(s $(($2 - $6)))" "$(s $(($3 - $7)))" "$(s $(($4 - $8)))"
        prev=$line
        i=$((i + 1))
    done <<<"$phases"
    set -- $prev
    printf '  %-34s %9s %9s %9s %9s\n' "whole run" "$(s "$wall")" "$(s "$2")" "$(s "$3")" "$(s "$4")"
}

if [ "${3:-}" = --inside-sim ]; then
    wide=${KIV_FLEET_PROGRAM:-$build/short-wide/KIV.exe}
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
# One wineserver, kept warm for both runs: a server that ends between them
# (nothing of the console run keeps it alive) would put its restart and
# Wine's own services into the second run's start-up.
"$build/wine-ctl" start
bash "$build/host/printer-sim/with-sim.sh" "$template" -- \
    bash "$root/bench/run-fleet.sh" "$build" "$count" --inside-sim
