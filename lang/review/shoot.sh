#!/usr/bin/env bash
# Takes the review pictures: every page of the given language libraries,
# filled with their texts, shown under Xvfb and saved as PNG files.
#
#   lang/review/shoot.sh [build folder] [language code ...]
#
# Defaults: build-lang, and the languages en de ja ar ("all" takes every
# built library). Texts that do not fit their controls are listed as
# "clipped:" lines. The build folder must have built the target LangReview.
# Pictures go to <build>/lang-review/<code>/.
# Wine runs in a prefix of its own there, so that its font settings do not
# touch the prefix the tests use.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tools/page-display.sh"
build=$(cd "${1:-$root/build-lang}" && pwd)
shift || true
codes=("$@")
[ ${#codes[@]} -gt 0 ] || codes=(en de ja ar)
if [ "${codes[*]}" = all ]; then
  codes=()
  for dll in "$build"/lang/*/lang.dll; do codes+=("$(basename "$(dirname "$dll")")"); done
fi

program=$build/lang/review/LangReview.exe
[ -f "$program" ] || { echo "build the target LangReview in $build first" >&2; exit 1; }
out=$build/lang-review
mkdir -p "$out"

export KIV_WINEPREFIX=$out/wineprefix
export WINEPREFIX=$KIV_WINEPREFIX
cleanup() {
  "$build/wine-ctl" stop
  kiv_page_display_stop
}
trap cleanup EXIT
kiv_page_display "$out" 1024x768x24 || exit 1

wine_run=$build/wine-run
kiv_page_frames "$wine_run"
status=0
for code in "${codes[@]}"; do
  dll=$build/lang/$code/lang.dll
  if [ ! -f "$dll" ]; then echo "$code: no $dll" >&2; status=1; continue; fi
  rm -rf "${out:?}/$code"
  kiv_page_font "$wine_run" "$code"
  if ! "$wine_run" "$program" "Z:$dll" "Z:$out/$code" | sed "s/^/$code: /"; then
    echo "$code: some pages could not be taken" >&2; status=1
  fi
  for bmp in "$out/$code"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
  done
  echo "$code: $(ls "$out/$code"/*.png 2>/dev/null | wc -l) pictures in $out/$code"
done
exit $status
