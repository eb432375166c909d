#!/usr/bin/env bash
# The run report (-report) end to end: the short-timer KIV.exe in console
# mode under Wine, in a prefix of its own, against the printer simulator that
# with-sim.sh runs around this script (nogui/e2e/report-printers.ini).
#
#   report-e2e.sh BUILD_DIR KIV_EXE
#
# A report is checked against docs/report.schema.json by
# tools/check-report.py; a path that cannot be written must leave the run as
# it is without the option, and be told on the console and in the log.
set -euo pipefail
build=$1 kiv=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tools/printer-sim/control.sh"
export KIV_WINEPREFIX=${KIV_REPORT_PREFIX:-$build/wineprefix-report}
wine_run=$build/wine-run
work=$(mktemp -d)
cleanup() {
    "$build/wine-ctl" stop
    chmod -R u+w "$work"
    rm -rf "$work"
}
trap cleanup EXIT
win() { printf 'Z:%s' "${1//\//\\}"; }
net=$KIV_SIM_NET
status=0
fail() {
    echo "FAILED: $*"
    status=1
}

"$build/wine-ctl" prefix
for brand in Oskel Tavrin; do
    "$wine_run" reg add "HKLM\\Software\\$brand" /v kivlog /t REG_DWORD /d 1 /f >/dev/null
done
log=$KIV_WINEPREFIX/drive_c/ProgramData/KIVlog.txt

# kiv NAME EXIT ARGS...: one run; its output goes to $work/NAME.out.
kiv() {
    local name=$1 want=$2 rc=0
    shift 2
    rm -f "$log"
    "$wine_run" "$kiv" "$@" >"$work/$name.out" 2>&1 </dev/null || rc=$?
    if [ "$rc" != "$want" ]; then
        fail "$name: exit $rc, expected $want"
        cat "$work/$name.out"
    fi
}
check() { python3 "$root/tools/check-report.py" "$@" || status=1; }
# unwritten NAME PATH: the run told that the report was not written, and why.
unwritten() {
    grep -q "^Report not written: .*: ." "$work/$1.out" ||
        fail "$1: no console line about the report: $(cat "$work/$1.out")"
    grep -q "Report not written: " "$log" 2>/dev/null || fail "$1: no log line about the report"
}
accepted() { sim_cmd STATE | awk -v p="$1" '$1 == p { print $7 }'; }

# A successful run replaces a file that is there, and leaves nothing beside it.
mkdir "$work/reports"
echo "an older report" >"$work/reports/run.json"
kiv success 0 -m 2 -d "$net.2" -report "$(win "$work/reports/run.json")"
check "$work/reports/run.json" mode=2 exitCode=0 checkOnly=false outcomes=updated errors=-
[ "$(ls "$work/reports")" = run.json ] || fail "left beside the report: $(ls "$work/reports")"

# Failures: an update that fails, an address where nothing answers, a name
# that matches nothing; told in the order of the result lines.
kiv failures 4 -m 2 -e 1 -d "$net.3,$net.9,nosuch" -report "$(win "$work/reports/failures.json")"
check "$work/reports/failures.json" exitCode=4 outcomes=not-found,not-found,failed \
    errors=ErrorIPNoPrinter,"Miscellaneous Error",ErrorUpdateFailed
grep -q "Device: $net.3, Result: Failure, ErrorCode: ErrorUpdateFailed" "$work/failures.out" ||
    fail "failures: the result lines changed: $(cat "$work/failures.out")"

# A check-only run sends nothing and tells what is due.
before=$(accepted spare)
kiv check-only 12 -m 2 -check 1 -d "$net.6,$net.5,$net.9" -report "$(win "$work/reports/check.json")"
check "$work/reports/check.json" checkOnly=true exitCode=12 outcomes=unreachable,update-due,up-to-date \
    errors=ErrorIPNoPrinter,DeviceUpdateDue,DeviceAlreadyUpToDate
[ "$(accepted spare)" = "$before" ] || fail "check-only: the printer was sent firmware"

# Paths that cannot be written: the update runs as it does without the option.
kiv missing-folder 0 -m 2 -d "$net.6" -report "$(win "$work/no/such/folder/r.json")"
unwritten missing-folder
# The system's error number goes with its text, which may be in any language.
grep -q "^Report not written: .*: error 3: " "$work/missing-folder.out" ||
    fail "missing-folder: no error number: $(cat "$work/missing-folder.out")"
[ "$(accepted spare)" = "accepted=$((${before#accepted=} + 1))" ] ||
    fail "missing-folder: the printer was not updated: $(accepted spare)"
echo "keep me" >"$work/reports/kept.json"
chmod a-w "$work/reports/kept.json"
kiv read-only 7 -m 2 -f 2 -d "$net.5" -report "$(win "$work/reports/kept.json")"
unwritten read-only
[ "$(cat "$work/reports/kept.json")" = "keep me" ] || fail "read-only: the file was changed"
for refused in "$(win "$work/reports")\\CON" "$(win "$work/reports")\\a<b.json" \
    "$(win "$work/reports")\\r.json."; do
    kiv refused 7 -m 2 -f 2 -d "$net.5" -report "$refused"
    unwritten refused
done
[ "$(ls "$work/reports" | sort | tr '\n' ' ')" = "check.json failures.json kept.json run.json " ] ||
    fail "files left by refused paths: $(ls "$work/reports")"
exit "$status"
