#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages.
# Quick when everything is present already.
#
# The i686 cross compiler is always installed: build/KIV.exe is the shipped
# 32-bit program on every host. Wine and the test build's compiler follow the
# architecture the tests run (see tools/host.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/host.sh
kiv_choose_arch "$PWD/build"

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }

# Each package is here because a step named beside it uses it.
# The build: CMake's makefiles, the native tools, zlib for them and for the
# native build, the packages' archives (zip) and the shipped-architecture
# check (unzip).
pkgs=(cmake make g++ zlib1g-dev zip unzip)
# The Windows build, its zlib and the tests' GoogleTest sources.
pkgs+=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
       googletest libz-mingw-w64-dev)
# Pages under Xvfb (xvfb-run needs xauth), their pictures (imagemagick) and
# the dialog fonts that tools/page-display.sh picks.
pkgs+=(xvfb xauth imagemagick fonts-noto-cjk fonts-dejavu-core)
# The signed programs the launcher's tests check.
pkgs+=(osslsigncode openssl)
# The native sanitized build and its fuzzers; the test command's format check.
pkgs+=(clang libclang-rt-14-dev clang-format)
# The run report's JSON library (header-only), and the schema check of the
# reports that the tests write (tools/check-report.py).
pkgs+=(nlohmann-json3-dev python3-jsonschema)

if [ "$KIV_TEST_ARCH" = i686 ]; then
  pkgs+=(wine wine32:i386)
  # wine32 is an i386 package; apt-get update below picks up the new architecture.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
else
  pkgs+=(wine wine64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
         binutils-mingw-w64-x86-64)
fi
for p in "${pkgs[@]}"; do have "$p" || need+=("$p"); done
if [ ${#need[@]} -gt 0 ]; then
  echo "== Installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  kiv_step "apt-get update" apt-get update -qq
  log=$(mktemp)
  if ! apt-get install -y -qq --no-install-recommends "${need[@]}" >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    rm -f "$log"
    echo "== Failed: apt-get install ${need[*]}" >&2
    exit 1
  fi
  rm -f "$log"
fi
