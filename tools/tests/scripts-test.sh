#!/usr/bin/env bash
# Checks how test.sh and fuzz.sh go on, stop and report when a step fails. They
# run in a scratch git checkout of their own, with set-up, cmake and ctest
# replaced by stand-ins that record their arguments and fail on request;
# clang-format and git are the real ones.
# usage: scripts-test.sh
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

repo=$work/repo
mkdir -p "$repo/tools" "$work/bin"
cp "$tools/test.sh" "$tools/fuzz.sh" "$tools/host.sh" "$tools/../.clang-format" "$repo/tools/"
mv "$repo/tools/.clang-format" "$repo/"
echo 'exit 0' >"$repo/tools/setup.sh"
printf 'struct A {\n    int a;\n};\n' >"$repo/tidy.h"
printf 'int  f( );\n' >"$repo/sloppy.cpp"
git -C "$repo" init -q && git -C "$repo" add -A

# ctest: one line of arguments per run; fails with WINE_RC or NATIVE_RC.
cat >"$work/bin/ctest" <<'EOF'
#!/usr/bin/env bash
printf '%s|' "$@" >>"$CALLS"; echo >>"$CALLS"
case " $* " in *" build/native "*) exit "${NATIVE_RC:-0}" ;; esac
exit "${WINE_RC:-0}"
EOF
# cmake: configuring (-S source -B folder) makes the folder, and native/
# leaves the fuzzers' list there (name, program, seeds); a build fails with
# BUILD_RC, after a compiler's complaint.
cat >"$work/bin/cmake" <<'EOF'
#!/usr/bin/env bash
echo "cmake $*" >>"$CALLS"
if [ "$1" = --build ]; then
    [ -z "${BUILD_RC:-}" ] && exit 0
    echo "Parser.cpp:12:5: error: expected ';'"
    exit "$BUILD_RC"
fi
mkdir -p "$4"
if [ "$2" = native ]; then
    printf 'one_fuzz %s/one seeds\ntwo_fuzz %s/two seeds\n' "$4" "$4" >"$4/fuzzers.txt"
fi
EOF
chmod +x "$work/bin/ctest" "$work/bin/cmake"

run() { # script, environment..., then -- and the script's arguments
    local script=$1 env=()
    shift
    while [ "$1" != -- ]; do env+=("$1"); shift; done
    shift
    : >"$work/calls"
    env -u KIV_TEST_ARCH_REASON PATH="$work/bin:$PATH" CALLS="$work/calls" KIV_TEST_ARCH=i686 "${env[@]}" \
        bash "$repo/tools/$script" "$@" >"$work/out" 2>&1
}

# A misformatted file and a failing run under Wine: the native tests still
# run with the same arguments, and every failure is named.
run test.sh WINE_RC=8 -- -R 'a b'
check "test.sh fails" test $? -ne 0
check "the misformatted file is named" grep -q '^sloppy.cpp:1:' "$work/out"
check "the tidy file is not" bash -c "! grep -q tidy.h '$work/out'"
check "both ctest runs, native after Wine, with the arguments" \
    diff <(printf '%s\n' '--test-dir|build|--output-on-failure|-j2|-R|a b|' \
        '--test-dir|build/native|--output-on-failure|-j2|-R|a b|') <(grep -e --test-dir "$work/calls")
check "failed steps named at the end" \
    diff <(printf '%s\n' '== Failed: format (clang-format)' '== Failed: test build (i686)') \
    <(tail -n 2 "$work/out")

git -C "$repo" rm -q --cached sloppy.cpp
run test.sh NATIVE_RC=8 -- -R x
check "a native failure alone fails test.sh" test $? -eq 8
check "and is named" grep -qx '== Failed: test build/native' "$work/out"
run test.sh -- -R x
check "all passing: test.sh passes" test $? -eq 0
check "format step counts one file" grep -q '^== Format: 1 files follow' "$work/out"
run test.sh BUILD_RC=2 -- -R x
check "a failed build ends test.sh" test $? -eq 2
check "before any test" bash -c "! grep -q -e --test-dir '$work/calls'"

# fuzz.sh: a name it does not know is refused before anything is built.
run fuzz.sh -- 5 one_fuzz tow_fuzz
check "unknown fuzzer refused" test $? -ne 0
check "names it and lists the known ones" grep -q 'tow_fuzz.*one_fuzz two_fuzz' "$work/out"
check "nothing built" bash -c "! grep -q -e --build '$work/calls'"
run fuzz.sh -- one_fuzz
check "a name in place of the seconds refused" test $? -ne 0
run fuzz.sh BUILD_RC=2 -- 5 one_fuzz
check "failed build fails fuzz.sh" test $? -eq 2
check "the build's output is shown" grep -q "Parser.cpp:12:5: error: expected ';'" "$work/out"
check "and the step named" grep -q '^== Failed: build build/native' "$work/out"

[ "$failures" -eq 0 ] || cat "$work/out"
echo "$failures failure(s)"
[ "$failures" -eq 0 ]
