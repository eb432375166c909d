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
xvfb_pid=
cleanup() {
  "$build/wine-ctl" stop
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# Xvfb picks a free display itself and tells us its number.
display_file=$out/display
: > "$display_file"
Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
[ -s "$display_file" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$display_file")

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
