#!/usr/bin/env bash
# Checks that every program and library the shipped build carries is i386:
# KIV.exe, its two package programs and every .exe and .dll inside their
# archives. The tests may run another architecture; what ships may not.
#   check-shipped-arch.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR}
stage=$build/package-stage
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The machine field of a PE file, as four hex digits; "none" if not PE.
pe_machine() {
    local f=$1 off
    [ "$(head -c 2 "$f")" = MZ ] || { echo none; return; }
    off=$(od -An -tu4 -j60 -N4 "$f" | tr -d ' ')
    [ "$(od -An -tx1 -j"$off" -N4 "$f" | tr -d ' ')" = 50450000 ] || { echo none; return; }
    od -An -tx2 -j$((off + 4)) -N2 "$f" | tr -d ' '
}

files=("$build/KIV.exe" "$stage/common.exe" "$stage/package.exe")
for archive in "$stage/common.exe" "$stage/package.exe"; do
    [ -f "$archive" ] || continue
    dest=$work/$(basename "$archive" .exe)
    mkdir -p "$dest"
    unzip -qq "$archive" -d "$dest" 2>/dev/null || [ $? -eq 1 ] # 1: a prefix before the archive
    while IFS= read -r -d '' f; do files+=("$f"); done \
        < <(find "$dest" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0 | sort -z)
done

bad=0
for f in "${files[@]}"; do
    if [ ! -f "$f" ]; then
        echo "missing: $f"
        bad=1
        continue
    fi
    m=$(pe_machine "$f")
    if [ "$m" != 014c ]; then
        echo "not i386 (machine $m): ${f#"$work"/}"
        bad=1
    fi
done
echo "${#files[@]} programs and libraries checked in $build"
# KIV.exe, 2 package programs, at least the three libraries and one language.
[ "${#files[@]}" -ge 7 ] || { echo "too few files: the packages are incomplete"; bad=1; }
exit $bad
