#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test under Wine.
#
# Where this host runs 32-bit programs the tests run the shipped i686 build in
# build/. Where it cannot, build/ still gets the shipped KIV.exe and the tests
# run an x86_64 build in build/x86_64 under wine64. KIV_TEST_ARCH forces
# either (tools/host.sh). Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source tools/host.sh
kiv_choose_arch "$root/build"
kiv_step "set-up (tools/setup.sh)" bash tools/setup.sh

if [ "$KIV_TEST_ARCH" = i686 ]; then
    kiv_build build i686
    tests=build
else
    kiv_build build i686 -- KIV
    tests=build/x86_64
    kiv_build "$tests" x86_64 -DKIV_SHIPPED_BUILD_DIR="$root/build"
fi
cd "$tests"
echo "== Testing $tests ($KIV_TEST_ARCH)"
ctest --output-on-failure -j2 "$@"

# The logic again, natively under the sanitizers, and every fuzzer for a few
# seconds (native/; README "Native build and fuzzing").
cd "$root"
echo "== Testing build/native (clang, sanitizers, fuzzers)"
kiv_step "configure build/native" cmake -S native -B build/native
kiv_step "build build/native" cmake --build build/native -j"$(nproc)"
kiv_step "test build/native" ctest --test-dir build/native --output-on-failure -j2 "$@"
