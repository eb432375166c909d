#!/usr/bin/env bash
# Checks how test.sh and fuzz.sh go on, stop and report when a step fails, in a
# scratch git checkout of their own. Set-up, cmake and ctest are stand-ins that
# record their arguments and fail on request; clang-format and git are real.
set -u
tools=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { # description, then a command that must succeed
    local what=$1
    shift
    if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
repo=$work/repo bin=$work/bin
mkdir -p "$repo/tools" "$bin"
cp "$tools/test.sh" "$tools/fuzz.sh" "$tools/host.sh" "$repo/tools/"
cp "$tools/../.clang-format" "$repo/"
echo 'exit 0' >"$repo/tools/setup.sh"
printf 'struct A {\n    int a;\n};\n' >"$repo/tidy.h"
printf 'int  f( );\n' >"$repo/sloppy.cpp"
git -C "$repo" init -q && git -C "$repo" add -A
# ctest fails with WINE_RC or NATIVE_RC; asked only to list (-N), it counts
# MATCHED tests (1 unless set) and records nothing. cmake -S src -B dir makes dir, and
# native/ leaves its fuzzers' list (name, program, seeds) there; --build fails
# with BUILD_RC after a compiler's complaint.
printf '%s\n' '#!/usr/bin/env bash' \
    'case " $* " in *" -N "*) echo "Total Tests: ${MATCHED:-1}"; exit 0 ;; esac' \
    'printf "%s|" "$@" >>"$CALLS"; echo >>"$CALLS"' \
    'case " $* " in *" build/native "*) exit "${NATIVE_RC:-0}" ;; esac; exit "${WINE_RC:-0}"' \
    >"$bin/ctest"
printf '%s\n' '#!/usr/bin/env bash' 'echo "cmake $*" >>"$CALLS"' \
    '[ "$1" = --build ] && { [ -z "${BUILD_RC:-}" ] || echo "Parser.cpp:12:5: error: expected ;"; exit "${BUILD_RC:-0}"; }' \
    'mkdir -p "$4"; [ "$2" != native ] || printf "one_fuzz $4/one s\ntwo_fuzz $4/two s\n" >"$4/fuzzers.txt"' \
    >"$bin/cmake"
chmod +x "$bin/ctest" "$bin/cmake"
run() { # [VAR=value...] command [arguments...]: output in out, tool calls in calls
    : >"$work/calls"
    env -u KIV_TEST_ARCH_REASON PATH="$bin:$PATH" CALLS="$work/calls" KIV_TEST_ARCH=i686 \
        "$@" >"$work/out" 2>&1
}

run WINE_RC=8 bash "$repo/tools/test.sh" -R 'a b'
check "misformatted file and failed Wine tests fail the run" test $? -eq 8
check "only the misformatted file is named" \
    test "$(grep -o '^[a-z]*\.[a-z]*:' "$work/out" | sort -u)" = sloppy.cpp:
check "native tests still run, both runs with the arguments" test \
    "$(grep -c '|-R|a b|$' "$work/calls")" = 2 -a -n "$(grep 'build/native|.*|-R|a b|$' "$work/calls")"
check "failed steps repeated at the end" \
    diff <(printf '%s\n' '== Failed: format (clang-format)' '== Failed: test build (i686)') \
    <(tail -n 2 "$work/out")
git -C "$repo" rm -q --cached sloppy.cpp
run BUILD_RC=2 bash "$repo/tools/test.sh"
check "formatted tree passes the check; a failed build ends the run before any test" \
    test $? -eq 2 -a -z "$(grep '|$' "$work/calls")" -a -n "$(grep '^== Format:' "$work/out")"

run MATCHED=0 bash "$repo/tools/test.sh" -R typo
check "a selection that matches no test fails the run, and says so last" test $? -ne 0 -a \
    "$(tail -n 1 "$work/out")" = '== Failed: test selection (-R typo)'

run bash "$repo/tools/fuzz.sh" 5 one_fuzz tow_fuzz
check "unknown fuzzer refused before building, the known ones listed" test $? -ne 0 -a \
    -n "$(grep 'tow_fuzz.*one_fuzz two_fuzz' "$work/out")" -a -z "$(grep -e --build "$work/calls")"
run BUILD_RC=2 bash "$repo/tools/fuzz.sh" 5 one_fuzz
check "failed fuzzer build shown and named" test $? -eq 2 -a \
    -n "$(grep 'Parser.cpp:12:5: error' "$work/out")" -a -n "$(grep '^== Failed: build build/native' "$work/out")"

[ "$failures" -eq 0 ] || cat "$work/out"
echo "$failures failure(s)"
[ "$failures" -eq 0 ]
