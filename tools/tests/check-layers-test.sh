#!/usr/bin/env bash
# Checks check-layers.py on small trees of its own: include lines in a scratch
# git checkout, and the target graph of a tiny CMake project configured for
# real (configure only, nothing is compiled).
set -u
tools=$(cd "$(dirname "$0")/.." && pwd)
checker=$tools/check-layers.py
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { # description, expected exit code, expected text ('' for none), then the arguments
    local what=$1 want=$2 text=$3 out rc
    shift 3
    out=$(python3 "$checker" "$@" 2>&1)
    rc=$?
    if [ "$rc" = "$want" ] && { [ -z "$text" ] || grep -qF -- "$text" <<<"$out"; }; then
        echo "ok   $what"
    else
        echo "FAIL $what (exit $rc)"
        printf '%s\n' "$out" | sed 's/^/     /'
        failures=$((failures + 1))
    fi
}
put() { mkdir -p "$(dirname "$1")" && printf '%s\n' "${@:2}" >"$1"; }

src=$work/src
put "$src/base/Text.h" '#pragma once'
put "$src/base/Text.cpp" '#include "Text.h"'
put "$src/log/Log.h" '#pragma once' '#include "Text.h"'
put "$src/log/tests/LogTest.cpp" '#include "Log.h"' '#include <vector>' '#include "Generated.h"'
# Two headers of one name: each side must find its own.
put "$src/sim/Replies.h" '#pragma once'
put "$src/sim/tests/SimTest.cpp" '#include "Replies.h"'
put "$src/link/Replies.h" '#pragma once' '#include "Log.h"'
put "$src/link/Replies.cpp" '#include "Replies.h"'
git -C "$src" init -q && git -C "$src" add -A
check "a tree whose folders point one way passes" 0 "point one way" --source "$src"

put "$src/base/Text.cpp" '#include "Text.h"' '#include "../log/Log.h"'
check "an include back down the layers is a cycle, named with the line" 1 \
    "cycle base -> log -> base" --source "$src"
check "each hop is explained" 1 "base/Text.cpp includes log/Log.h" --source "$src"
put "$src/base/Text.cpp" '#include "Text.h"'

put "$src/log/Log.cpp" '#include "Log.h"' '#include "LogTest.h"'
put "$src/log/tests/LogTest.h" '#pragma once'
git -C "$src" add -A
check "a product folder that includes a test header fails" 1 \
    "product folder log depends on log/tests" --source "$src"
rm "$src/log/tests/LogTest.h"
git -C "$src" add -A

# The target graph of a real configure, with the project's own writer.
proj=$work/proj build=$work/build
put "$proj/CMakeLists.txt" 'cmake_minimum_required(VERSION 3.20)' 'project(L C)' \
    'add_subdirectory(base)' 'add_subdirectory(log)' "include($tools/../cmake/KivTargetGraph.cmake)" \
    'kiv_write_target_graph(${CMAKE_BINARY_DIR}/target-graph.tsv)'
put "$proj/base/CMakeLists.txt" 'add_library(base STATIC Text.c)' \
    'add_executable(base_tests tests/TextTest.c)' 'target_link_libraries(base_tests base)'
put "$proj/log/CMakeLists.txt" 'add_library(log STATIC Log.c)' 'target_link_libraries(log base)'
for f in base/Text.c base/tests/TextTest.c log/Log.c; do put "$proj/$f" 'int x;'; done
git -C "$proj" init -q && git -C "$proj" add -A
configure() { cmake -S "$proj" -B "$build" >"$work/cmake.log" 2>&1 || cat "$work/cmake.log"; }
configure
check "targets that point one way pass" 0 "point one way" --source "$proj" --build "$build"
echo 'target_link_libraries(base log)' >>"$proj/base/CMakeLists.txt"
configure
check "two folders' libraries linking each other are a cycle" 1 \
    "target graph: cycle base -> log -> base" --source "$proj" --build "$build"
put "$proj/base/CMakeLists.txt" 'add_library(base STATIC Text.c)' \
    'add_executable(base_tests tests/TextTest.c)' 'target_link_libraries(base_tests base)'
echo 'add_dependencies(log base_tests)' >>"$proj/log/CMakeLists.txt"
configure
check "a product target that needs a test program of another folder fails" 1 \
    "product folder log depends on base/tests" --source "$proj" --build "$build"
# Only CMake knows that a custom command running a program needs it built;
# the code model, written from the configure after its query, says so.
put "$proj/log/CMakeLists.txt" 'add_library(log STATIC Log.c)' 'target_link_libraries(log base)'
put "$proj/base/CMakeLists.txt" 'add_library(base STATIC Text.c gen.c)' \
    'add_custom_command(OUTPUT gen.c COMMAND logtool > gen.c)'
echo 'add_executable(logtool Log.c)' >>"$proj/log/CMakeLists.txt"
mkdir -p "$build/.cmake/api/v1/query/client-kiv" && : >"$build/.cmake/api/v1/query/client-kiv/codemodel-v2"
configure
check "a program run by a custom command of a lower folder is a cycle" 1 \
    "target graph: cycle base -> log -> base" --source "$proj" --build "$build"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
