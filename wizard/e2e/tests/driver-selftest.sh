#!/usr/bin/env bash
# The driver against a stand-in program that shows the real page templates:
# every kind of step passes where it should, each page is told apart by its
# controls, and a scenario that expects the wrong thing fails, says what it
# saw and leaves no program behind. Runs under its own X display, inside
# with-sim.sh (the driver also talks to the simulator's control port).
#   driver-selftest.sh BUILD_DIR KIVDRIVE_EXE TARGET_EXE LANG_DLL
set -euo pipefail
build=$1 driver=$2 target=$3 lang=$4
export KIV_WINEPREFIX=$build/wineprefix-driver
work=$(mktemp -d)
trap '"$build/wine-ctl" stop; rm -rf "$work"' EXIT
source "$(dirname "$0")/../../../tools/page-display.sh"
"$build/wine-ctl" prefix
kiv_page_frames "$build/wine-run"
win() { printf 'Z:%s' "${1//\//\\}"; }
run_target="start $(win "$target") $(win "$lang")"

printf '%s\n' "$run_target 130 131 132 135" \
    "page select" \
    "text 1038 control 1038" \
    "contains 1039 1039" \
    "rows 1004 3" \
    "cell 1004 1 1 second column 1" \
    "enabled 1067 0" \
    "click-row 1004 2" \
    "selected 1004 2 1" \
    "selected 1004 0 0" \
    "click 1" \
    "gone" \
    "page ip" \
    "ip 1002 10.1.2.3" \
    "click 1" \
    "gone" \
    "page progress" \
    "rises 1003" \
    "progress 1003 50 20" \
    "watch 1" \
    "shot $(win "$work/progress.bmp")" \
    "escape" \
    "gone" \
    "page error" \
    "close" \
    "gone" \
    "sim SET office fault silent" \
    "sim-state fault=silent" \
    "exit 0" >"$work/pages.txt"

{
    echo "$run_target 102 129 130 131 132 133 134 135 136 137"
    for name in welcome licence select ip progress summary result; do
        printf 'page %s\nclose\n' "$name"
    done
    printf 'page error\nclick 1066\npage spr\nclose\npage revision\nclose\nexit 0\n'
} >"$work/every-page.txt"

# Expects a text the page does not show.
printf '%s\n' "$run_target 130" "page select" "text 1038 something else" >"$work/wrong.txt"

status=0
check() { # what, output file, pattern
    if ! grep -qE "$3" "$2"; then
        echo "FAILED: $1 (no '$3' in $(basename "$2"))"
        status=1
    fi
}
"$build/wine-run" "$driver" "$(win "$work/pages.txt")" >"$work/pages.out" 2>&1 || true
check "every step passes" "$work/pages.out" '^driver: all [0-9]+ steps passed'
check "the row click and the first button reach the program" "$work/pages.out" '^page 130: 1'
check "the address is entered" "$work/pages.out" '^page 131: 5'
check "Escape ends a page as Escape does" "$work/pages.out" '^page 132: 2'
check "the close box ends a page" "$work/pages.out" '^page 135: 8'
check "a watched page reports how long it kept a message waiting" "$work/pages.out" \
    '^watch: the progress page answered [1-9][0-9]* times, the longest wait [0-9]+ ms'
[ -s "$work/progress.bmp" ] || { echo "FAILED: no picture"; status=1; }

"$build/wine-run" "$driver" "$(win "$work/every-page.txt")" >"$work/every.out" 2>&1 || true
check "every page is told apart" "$work/every.out" '^driver: all [0-9]+ steps passed'
check "button 1066" "$work/every.out" '^page 135: 3'

rc=0
"$build/wine-run" "$driver" "$(win "$work/wrong.txt")" >"$work/wrong.out" 2>&1 || rc=$?
[ "$rc" -eq 1 ] || { echo "FAILED: a wrong expectation gave exit $rc, not 1"; status=1; }
check "a failure names its line and what was seen" "$work/wrong.out" \
    '^FAIL line 3 .*the text is "control 1038"'
check "the program is closed after a failure" "$work/wrong.out" '^page 130: 8'
for f in pages every wrong; do
    echo "--- $f"
    cat "$work/$f.out"
done
exit $status
