#!/usr/bin/env bash
# One wizard scenario end to end: the real KIV.exe under Wine in a prefix of
# its own, on the X display that xvfb-run gives this script, against the
# printer simulator that with-sim.sh runs around it, worked by kivdrive.exe.
#
#   run-scenario.sh BUILD_DIR KIVDRIVE_EXE KIV_EXE SCENARIO
#
# The scenario is a kivdrive script; ${KIV_EXE}, ${KIV_SIM_NET},
# ${KIV_SIM_CONTROL} and ${KIV_REPORT} (a path for -report) are set for it. Its lines that begin with "#@" are
# checks and set-up for this script (kivdrive reads them as comments):
#   #@ port N          a spooler TCP/IP port for the simulated printer KIV_SIM_NET.N
#   #@ record VERSION  afterwards the installed-version record holds VERSION
#   #@ no-record       afterwards there is no installed-version record
#   #@ log TEXT        the log has a line containing TEXT, after the line that
#                      the previous "#@ log" found
#   #@ no-log TEXT     the log has no line containing TEXT
#   #@ count N TEXT    the log has exactly N lines containing TEXT
#   #@ out TEXT        the program's output has a line containing TEXT
#   #@ no-out TEXT     ... has no line containing TEXT
#   #@ report K=V ...  the report at ${KIV_REPORT} passes tools/check-report.py
#                      with these expectations (outcomes=..., exitCode=...)
#   #@ locale NAME     the run's Unix locale (LC_ALL), from which Wine takes the
#                      user's locale, for example de_DE.UTF-8
#
# KIV_SCENARIO_LANG=CODE gives the pages a dialog font with every letter of
# that language, for pictures; the user's locale is the one this script is
# started with (LC_ALL=$(kiv_page_locale CODE), tools/page-display.sh).
# KIV_SCENARIO_PREFIX names the Wine prefix instead of
# <build>/wineprefix-wizard-<scenario>.
set -eEuo pipefail
# A set-up step that fails says which one it was: the driver has not spoken yet.
trap 'echo "run-scenario: line $LINENO: \"$BASH_COMMAND\" failed (exit $?)" >&2' ERR
build=$1 driver=$2 kiv=$3 scenario=$4
name=$(basename "$scenario" .txt)
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tools/printer-sim/spooler-port.sh"
source "$root/tools/page-display.sh"
export KIV_WINEPREFIX=${KIV_SCENARIO_PREFIX:-$build/wineprefix-wizard-$name}
wine_run=$build/wine-run
work=$(mktemp -d)
ports=()
cleanup() {
    for p in "${ports[@]}"; do spooler_port_remove "$wine_run" "$p"; done
    "$build/wine-ctl" stop
    rm -rf "$work"
}
trap cleanup EXIT
win() { printf 'Z:%s' "${1//\//\\}"; }
directives() { sed -n "s/^#@ $1 *//p" "$scenario"; }

# One wineserver for the whole scenario, with Wine's services started apart
# from our pipes: the set-up's commands then never meet a server that is
# still ending after the command before them.
"$build/wine-ctl" start
# Without a window manager, and without frames of Wine's own, Wine waits in
# vain for one at each window that closes.
kiv_page_frames "$wine_run"
if [ -n "${KIV_SCENARIO_LANG:-}" ]; then
    kiv_page_font "$wine_run" "$KIV_SCENARIO_LANG"
fi
# What an earlier run of this scenario left: the record, the log.
brands=(Oskel Tavrin)
for brand in "${brands[@]}"; do
    "$wine_run" reg delete "HKLM\\Software\\${brand}Inkjet" /f >/dev/null 2>&1 || true
    "$wine_run" reg add "HKLM\\Software\\$brand" /v kivlog /t REG_DWORD /d 1 /f >/dev/null
done
log=$KIV_WINEPREFIX/drive_c/ProgramData/KIVlog.txt
rm -f "$log"
while read -r n; do
    [ -n "$n" ] || continue
    port=KIV_e2e_$KIV_SIM_NET.$n
    spooler_port_add "$wine_run" "$port" "$KIV_SIM_NET.$n"
    ports+=("$port")
done < <(directives port)

export KIV_EXE KIV_REPORT
KIV_EXE=$(win "$kiv")
KIV_REPORT=$(win "$work/report.json")
locale=$(directives locale | head -n 1)
rc=0
env ${locale:+LC_ALL=$locale} "$wine_run" "$driver" "$(win "$scenario")" >"$work/out" 2>&1 || rc=$?
cat "$work/out"
status=$rc

fail() {
    echo "FAILED: $*"
    status=1
}
record() {
    local brand
    for brand in "${brands[@]}"; do
        # Only values: Wine's reg prints "key not found" on standard output.
        "$wine_run" reg query "HKLM\\Software\\${brand}Inkjet\\KIV" 2>/dev/null | tr -d '\r' |
            grep -F REG_ || true
    done
}
# Wine takes a Unix locale it does not know for English without a word.
if [ -n "$locale" ]; then
    want=${locale%%.*}
    want=${want//_/-}
    got=$(LC_ALL=$locale "$wine_run" reg query 'HKCU\Control Panel\International' /v LocaleName |
        tr -d '\r' | sed -n 's/.*REG_SZ *//p' || true)
    [ "$got" = "$want" ] || fail "the run's user locale was '$got', not $want"
fi
while read -r version; do
    [ -n "$version" ] || continue
    record | grep -qF "$version" || fail "no installed-version record of $version: $(record | tr '\n' ' ')"
done < <(directives record)
if grep -q '^#@ no-record' "$scenario" && [ -n "$(record)" ]; then
    fail "an installed-version record was written: $(record | tr '\n' ' ')"
fi
while read -r text; do
    [ -n "$text" ] || continue
    grep -qF -- "$text" "$work/out" || fail "no output line with '$text'"
done < <(directives out)
while read -r expected; do
    [ -n "$expected" ] || continue
    # shellcheck disable=SC2086 # one expectation per word
    python3 "$root/tools/check-report.py" "$work/report.json" $expected || fail "the report"
done < <(directives report)
while read -r text; do
    [ -n "$text" ] || continue
    grep -qF -- "$text" "$work/out" && fail "an output line with '$text'"
done < <(directives no-out)
# The log lines in their order: each is looked for after the one before.
from=1
while read -r text; do
    [ -n "$text" ] || continue
    if [ ! -f "$log" ]; then
        fail "no log file"
        break
    fi
    at=$(tail -n +"$from" "$log" | grep -nF -m1 -- "$text" | cut -d: -f1 || true)
    if [ -z "$at" ]; then
        fail "no log line with '$text' after line $((from - 1))"
        break
    fi
    from=$((from + at))
done < <(directives log)
while read -r text; do
    [ -n "$text" ] || continue
    [ -f "$log" ] && grep -qF -- "$text" "$log" && fail "a log line with '$text'"
done < <(directives no-log)
while read -r n text; do
    [ -n "$n" ] || continue
    got=0
    [ -f "$log" ] && got=$(grep -cF -- "$text" "$log" || true)
    [ "$got" -eq "$n" ] || fail "$got log lines with '$text', not $n"
done < <(directives count)
if [ "$status" -ne 0 ] && [ -f "$log" ]; then
    echo "--- the log's last lines"
    tail -n 40 "$log"
fi
exit "$status"
