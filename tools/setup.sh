#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages.
# Quick when everything is present already.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }

pkgs=(cmake make g++ zlib1g-dev zip unzip
      g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
      googletest libz-mingw-w64-dev
      wine wine32:i386 xvfb xauth x11-apps imagemagick
      fonts-noto-cjk fonts-arabeyes fonts-dejavu-core clang-format)

# wine32 is an i386 package; apt-get update below picks up the new architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
for p in "${pkgs[@]}"; do have "$p" || need+=("$p"); done
if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
