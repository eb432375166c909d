#!/usr/bin/env bash
# The main job: a simulated K206 printer with older firmware, known to the
# machine through a spooler TCP/IP port, is found, flashed and verified by the
# console mode of the real KIV.exe under Wine.
#
#   bash tools/demo.sh            set up, build build/, run
#   KIV_BUILD_DIR=dir bash tools/demo.sh   the same in another build folder
#
# With --wizard the same printer is updated by the wizard instead (mode 1),
# worked by the scenario driver the way a user clicks through it, and a
# picture of each page is saved. --lang CODE (a folder of lang/, default en)
# runs it as a user of that language.
#
# Where this host cannot run 32-bit programs the demo runs the x86_64 build
# in build/x86_64 under wine64; build/KIV.exe is still the shipped program.
# KIV_TEST_ARCH forces either (tools/host.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source tools/host.sh
source tools/printer-sim/control.sh
build=${KIV_BUILD_DIR:-build}
case $build in /*) ;; *) build=$root/$build ;; esac

meaning() {
    case $1 in
    0) echo "every printer was updated and verified" ;;
    2) echo "a -d address where no fitting printer answered" ;;
    3) echo "a printer at a -d address does not fit this package" ;;
    4) echo "an update failed, or the update mode could not start" ;;
    5) echo "a firmware-letter change needs consent (refused)" ;;
    6) echo "the printer does not accept this firmware revision" ;;
    7) echo "skipped: the printer is already up to date" ;;
    8) echo "printers left out for different reasons" ;;
    9) echo "a -d name matched no printer" ;;
    10) echo "a listed printer does not fit this package" ;;
    11) echo "a printer could not be reached, or none was found" ;;
    12) echo "check only: a printer needs an update" ;;
    *) echo "unexpected" ;;
    esac
}

# The simulator's own account of its printers, through its control port.
sim_state() {
    { sim_cmd STATE 2>/dev/null || true; } | sed 's/^/  /'
}

if [ "${1:-}" = --inside-sim ]; then
    # Runs under with-sim.sh: KIV_SIM_NET and KIV_SIM_CONTROL are set.
    addr=$KIV_SIM_NET.2
    port=KIV_demo_$addr
    source "$root/tools/printer-sim/spooler-port.sh"
    trap 'spooler_port_remove "$build/wine-run" "$port"' EXIT
    kiv_step "register the spooler port" spooler_port_add "$build/wine-run" "$port" "$addr"
    echo "== Printer registered: spooler TCP/IP port $port -> $addr:9100 (raw)"
    echo "== Simulator before the run:"
    sim_state
    echo "== Running $build/short/KIV.exe -m 2 -e 1"
    echo "   (the short-timer variant, $KIV_TEST_ARCH: package/config-short.ini; build/KIV.exe is the shipped 32-bit one)"
    echo
    start=$(date +%s%N)
    set +e
    "$build/wine-run" "$build/short/KIV.exe" -m 2 -e 1
    rc=$?
    set -e
    end=$(date +%s%N)
    echo
    printf '== KIV.exe exit code: %d (%s), %d.%01d s\n' "$rc" "$(meaning "$rc")" \
        $(((end - start) / 1000000000)) $((((end - start) / 100000000) % 10))
    echo "== Simulator after the run:"
    sim_state
    exit "$rc"
fi

wizard=0
page_lang=en
while [ $# -gt 0 ]; do
    case $1 in
    --wizard) wizard=1 ;;
    --lang)
        page_lang=${2:-}
        shift
        ;;
    *)
        echo "usage: tools/demo.sh [--wizard [--lang CODE]]" >&2
        exit 2
        ;;
    esac
    shift
done
if [ ! -f "lang/$page_lang/strings.txt" ]; then
    echo "no language '$page_lang'; one of:" $(ls lang/*/strings.txt | cut -d/ -f2) >&2
    exit 2
fi
# The wizard needs the driver, and the program variant of the demo for a
# language whose licence the package does not carry.
extra=()
[ "$wizard" = 0 ] || extra=(kivdrive KIV_demo)

# The one-printer wizard scenario with a picture of each page, under an X
# display, Wine prefix and simulator of its own (wizard/e2e/run-scenario.sh).
wizard_demo() {
    local code=$1 short upper program=$build/short/KIV.exe out=$build/wizard-demo/$1 rc png
    short=${code:0:2}
    upper=$(echo "$short" | tr a-z A-Z)
    if [ "$short" != en ] && [ ! -f "package/licence/EULA-KIV-$upper.txt" ]; then
        # The program follows the licence: without one in the user's language
        # it shows English pages.
        program=$build/demo/KIV.exe
        echo "== The package has no $code licence; $program carries the English text under its name"
    fi
    rm -rf "$out"
    mkdir -p "$out"
    awk -v en=lang/en/strings.txt -v lang="lang/$code/strings.txt" -f tools/demo-scenario.awk \
        wizard/e2e/scenarios/one-printer.txt >"$out/wizard-demo.txt"
    source tools/page-display.sh
    KIV_SHOT_DIR=$(printf 'Z:%s' "${out//\//\\}")
    export KIV_SHOT_DIR KIV_SCENARIO_LANG=$code KIV_SCENARIO_PREFIX=$build/wineprefix-wizard-demo
    echo "== Running the wizard of $program -m 1 as a user of '$code' (locale $(kiv_page_locale "$code")),"
    echo "   worked by $build/wizard/e2e/kivdrive.exe; a new Wine prefix takes a minute once"
    # Each script started under the user's locale warns that the host lacks
    # it; only Wine uses it.
    set +e
    LC_ALL=$(kiv_page_locale "$code") xvfb-run -a -s "-screen 0 1280x1024x24" \
        bash "$build/host/printer-sim/with-sim.sh" wizard/e2e/scenarios/one-printer.ini -- \
        bash wizard/e2e/run-scenario.sh "$build" "$build/wizard/e2e/kivdrive.exe" "$program" \
        "$out/wizard-demo.txt" 2>&1 | grep -v 'warning: setlocale: LC_ALL: cannot change locale'
    rc=${PIPESTATUS[0]}
    set -e
    for bmp in "$out"/*.bmp; do
        [ -e "$bmp" ] || continue
        convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
    done
    echo "== Wizard scenario: $([ "$rc" = 0 ] && echo passed || echo "FAILED ($rc)"); pictures of the pages:"
    for png in $(ls "$out"/*.png 2>/dev/null | sort -V); do echo "   $png"; done
    return "$rc"
}

shipped=$build
kiv_choose_arch "$shipped"
echo "== Setting up and building $shipped"
kiv_step "set-up (tools/setup.sh)" bash tools/setup.sh
# The build's output goes to a log; its last lines are shown if it fails.
quiet_build() {
    local log=$1
    shift
    mkdir -p "$(dirname "$log")"
    if ! (kiv_build "$@") >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "== The whole log is $log" >&2
        return 1
    fi
}
if [ "$KIV_TEST_ARCH" = i686 ]; then
    kiv_step "build $shipped" quiet_build "$shipped/demo-build.log" "$shipped" i686
    [ ${#extra[@]} -eq 0 ] ||
        kiv_step "build $shipped" quiet_build "$shipped/demo-build.log" "$shipped" i686 -- "${extra[@]}"
else
    kiv_step "build $shipped" quiet_build "$shipped/demo-build.log" "$shipped" i686 -- KIV
    build=$shipped/x86_64
    echo "== Building $build (x86_64) for the run"
    kiv_step "build $build" quiet_build "$build/demo-build.log" "$build" x86_64 \
        -DKIV_SHIPPED_BUILD_DIR="$shipped" -- KIV_short host "${extra[@]}"
fi

if [ "$wizard" = 1 ]; then
    wizard_demo "$page_lang"
    exit
fi

template=$(mktemp --suffix=.ini)
cleanup() {
    "$build/wine-ctl" stop >/dev/null 2>&1 || true
    rm -f "$template"
}
trap cleanup EXIT
cat >"$template" <<'INI'
; The demo's printer: a K206 on firmware older than the package's.
[office]
Address=@NET@.2
Model=K206
AioVersion=K206_G010111_00
ResetSeconds=3
INI

export KIV_BUILD_DIR="$build"
echo "== Starting Wine (a new prefix takes a minute once)"
# Not "wine-ctl start": that waits for any server already running to end.
kiv_step "start Wine" "$build/wine-ctl" prefix
kiv_step "start Wine" "$build/wine-run" cmd /c exit </dev/null >/dev/null
echo "== Starting the printer simulator"
set +e
bash "$build/host/printer-sim/with-sim.sh" "$template" -- bash "$root/tools/demo.sh" --inside-sim
rc=$?
set -e
echo "== Simulator and wineserver stopped"
exit "$rc"
