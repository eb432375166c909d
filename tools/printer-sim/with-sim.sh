#!/usr/bin/env bash
# with-sim.sh TEMPLATE.ini -- COMMAND ARGS...
#
# Runs COMMAND while a printer simulator serves the printers of TEMPLATE.ini.
# "@NET@" in the template becomes a loopback /24 prefix such as 127.23.41, picked
# from a hash of the template path, the command line and the current folder, so
# that tests run side by side (ctest -j, other build folders) never share an
# address. KIV_SIM_NET=<a.b.c> forces the prefix.
#
# The simulator is $KIV_PRINTER_SIM, or printer-sim next to this script (the build
# copies the script beside the program). COMMAND gets KIV_SIM_NET=<prefix> and
# KIV_SIM_CONTROL=<prefix>.1:9199. The exit code is COMMAND's; 125 means the
# simulator could not be started.
set -u

die() { echo "with-sim: $*" >&2; exit 125; }

[ $# -ge 3 ] && [ "$2" = "--" ] || die "usage: with-sim.sh TEMPLATE.ini -- COMMAND ARGS..."
template=$1
shift 2
[ -r "$template" ] || die "cannot read $template"
sim=${KIV_PRINTER_SIM:-$(cd "$(dirname "$0")" && pwd)/printer-sim}
[ -x "$sim" ] || die "no simulator at $sim (set KIV_PRINTER_SIM)"

work=$(mktemp -d "${TMPDIR:-/tmp}/with-sim.XXXXXX") || die "no temporary folder"
simpid=
cleanup() {
    exec 9>&- 2>/dev/null
    if [ -n "$simpid" ]; then
        # Closing its input stops the simulator; a signal only if it hangs.
        for _ in $(seq 50); do kill -0 "$simpid" 2>/dev/null || break; sleep 0.1; done
        kill -TERM "$simpid" 2>/dev/null && sleep 0.5
        kill -KILL "$simpid" 2>/dev/null
        wait "$simpid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Prefix from a hash: second byte 16..254 (clear of 127.0.x and friends), third 1..254.
pick_net() {
    local h
    h=$(printf '%s\n%s\n%s\n%s' "$(realpath "$template")" "$*" "$PWD" "$1" | cksum | cut -d' ' -f1)
    echo "127.$((16 + h % 239)).$((1 + (h / 239) % 254))"
}

start_sim() { # prefix
    sed "s/@NET@/$1/g" "$template" >"$work/sim.ini"
    rm -f "$work/in" && mkfifo "$work/in"
    "$sim" "$work/sim.ini" --control "$1.1:9199" <"$work/in" >"$work/out" 2>"$work/err" 9>&- &
    simpid=$!
    exec 9>"$work/in"
    # A loaded machine may take a while to schedule it; 10 s is plenty.
    for _ in $(seq 200); do
        grep -qx ready "$work/out" 2>/dev/null && return 0
        if ! kill -0 "$simpid" 2>/dev/null; then
            wait "$simpid"
            local rc=$?
            simpid=
            exec 9>&-
            return $rc
        fi
        sleep 0.05
    done
    return 124
}

if [ -n "${KIV_SIM_NET:-}" ]; then
    net=$KIV_SIM_NET
    start_sim "$net"
    rc=$?
else
    # Another run may hold the hashed prefix; the simulator exits with 3 then.
    rc=3
    for salt in 0 1 2 3; do
        net=$(pick_net "$salt" "$@")
        start_sim "$net"
        rc=$?
        [ $rc -eq 3 ] || break
    done
fi
if [ $rc -ne 0 ]; then
    cat "$work/err" >&2
    [ $rc -eq 124 ] && die "simulator not ready after 10 s"
    die "simulator failed (exit $rc)"
fi

export KIV_SIM_NET=$net KIV_SIM_CONTROL=$net.1:9199 KIV_PRINTER_SIM=$sim
"$@" 9>&-
rc=$?
exit $rc
