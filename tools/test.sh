#!/usr/bin/env bash
# Sets up the machine, checks the sources' format, builds everything and runs
# every test under Wine, then the logic natively under the sanitizers.
#
# Where this host runs 32-bit programs the tests run the shipped i686 build in
# build/. Where it cannot, build/ still gets the shipped KIV.exe and the tests
# run an x86_64 build in build/x86_64 under wine64. KIV_TEST_ARCH forces
# either (tools/host.sh). Extra arguments go to both ctest runs.
#
# A failed format check or a failed ctest run does not stop the steps after
# it; the script ends non-zero when any of them failed. A failed set-up,
# configure or build ends it at once.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source tools/host.sh

# Every tracked C and C++ source against the checked-in .clang-format;
# clang-format names each file and line that differs.
check_format() {
    local sources=() f
    while IFS= read -r -d '' f; do
        # Deleted but not yet removed from the index: nothing to check.
        [ -f "$f" ] && sources+=("$f")
    done < <(git ls-files -z -- '*.c' '*.cc' '*.cpp' '*.cxx' '*.h' '*.hh' '*.hpp')
    [ ${#sources[@]} -gt 0 ] || { echo "no C or C++ source is tracked here" >&2; return 1; }
    clang-format --dry-run --Werror "${sources[@]}" || return
    echo "== Format: ${#sources[@]} files follow .clang-format ($(clang-format --version))"
}

kiv_choose_arch "$root/build"
kiv_step "set-up (tools/setup.sh)" bash tools/setup.sh
# A step that may fail without stopping the run. The names of those that
# failed are repeated at the end, where the test output that follows cannot
# hide them, also when a later build ends the script.
status=0
failed=()
report_failed() {
    [ ${#failed[@]} -eq 0 ] || printf '== Failed: %s\n' "${failed[@]}" >&2
}
trap report_failed EXIT
go_on() {
    local name=$1 rc
    kiv_try_step "$@" && return 0 || rc=$?
    status=$rc
    failed+=("$name")
}
go_on "format (clang-format)" check_format

if [ "$KIV_TEST_ARCH" = i686 ]; then
    kiv_build build i686
    tests=build
else
    kiv_build build i686 -- KIV
    tests=build/x86_64
    kiv_build "$tests" x86_64 -DKIV_SHIPPED_BUILD_DIR="$root/build"
fi
echo "== Testing $tests ($KIV_TEST_ARCH)"
go_on "test $tests ($KIV_TEST_ARCH)" ctest --test-dir "$tests" --output-on-failure -j2 "$@"

# The logic again, natively under the sanitizers, and every fuzzer for a few
# seconds (native/; README "Native build and fuzzing").
echo "== Testing build/native (clang, sanitizers, fuzzers)"
kiv_step "configure build/native" cmake -S native -B build/native
kiv_step "build build/native" cmake --build build/native -j"$(nproc)"
go_on "test build/native" ctest --test-dir build/native --output-on-failure -j2 "$@"
# A selection (-R, -L, ...) that matches no test in either build is a typing
# mistake, not a pass.
if [ $# -gt 0 ]; then
    matched=0
    for dir in "$tests" build/native; do
        n=$(ctest --test-dir "$dir" -N "$@" 2>/dev/null | sed -n 's/^Total Tests: //p')
        matched=$((matched + ${n:-0}))
    done
    if [ "$matched" -eq 0 ]; then
        echo "no test matches: $*" >&2
        status=1
        failed+=("test selection ($*)")
    fi
fi
echo "== Disk: build/ takes $(du -sh build | cut -f1); $(df -h --output=avail build | tail -1 | tr -d ' ') left"
exit "$status"
