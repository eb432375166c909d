#!/usr/bin/env bash
# Takes a PNG of every wizard page (the 14 page numbers of -dialog) in the
# given languages, under an Xvfb of its own and in a Wine prefix of its own.
#
#   wizard/review/shoot-pages.sh [build folder] [language code ...]
#
# Defaults: build/x86_64 (or build), and en de ja ar. The build folder must
# have built the target PagePreview. Pictures go to <build>/page-review/<code>/
# as NN.png. Each page is shown by PagePreview.exe, which runs the same page
# preview as "KIV.exe -m 1 -dialog N" with the language library named, sample
# printers and the package's licence of that language (English where the
# package has none). KIV.exe itself chooses the language from the user's
# locale, and shows English pages for a language without a licence file.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tools/page-display.sh"
default=$root/build/x86_64
[ -d "$default" ] || default=$root/build
build=$(cd "${1:-$default}" && pwd)
shift || true
codes=("$@")
[ ${#codes[@]} -gt 0 ] || codes=(en de ja ar)

program=$build/wizard/review/PagePreview.exe
[ -f "$program" ] || { echo "build the target PagePreview in $build first" >&2; exit 1; }
art=$build/package/art
out=$build/page-review
mkdir -p "$out"

export KIV_WINEPREFIX=$out/wineprefix
cleanup() {
  "$build/wine-ctl" stop || true
  kiv_page_display_stop
}
trap cleanup EXIT
kiv_page_display "$out" 1280x1024x24 || exit 1

wine_run=$build/wine-run
kiv_page_frames "$wine_run"

winpath() { echo "Z:${1//\//\\}"; }
status=0
for code in "${codes[@]}"; do
  dll=$build/lang/$code/lang.dll
  if [ ! -f "$dll" ]; then echo "$code: no $dll" >&2; status=1; continue; fi
  upper=$(echo "$code" | tr a-z A-Z)
  licence=$(ls "$build"/package-stage/package/EULA-KIV-"$upper".txt 2>/dev/null ||
            ls "$build"/package-stage/package/EULA-KIV-EN.txt)
  kiv_page_font "$wine_run" "$code"
  locale=$(kiv_page_locale "$code")
  "$build/wine-ctl" stop || true
  rm -rf "${out:?}/$code"
  mkdir -p "$out/$code"
  for n in $(seq 1 14); do
    done_file=$out/$code/done
    log=$out/$code/$n.log
    rm -f "$done_file"
    LC_ALL=$locale "$wine_run" "$program" "$(winpath "$dll")" "$(winpath "$art")\\" "$n" \
      "$(winpath "$licence")" "$(winpath "$done_file")" >"$log" 2>&1 &
    pid=$!
    for _ in $(seq 600); do grep -q ready "$log" 2>/dev/null && break; sleep 0.1; done
    if grep -q ready "$log"; then
      import -window root "$out/$code/screen.png"
      convert "$out/$code/screen.png" -trim +repage "$out/$code/$(printf %02d "$n").png"
      rm -f "$out/$code/screen.png"
    else
      echo "$code: page $n was not shown" >&2; status=1
    fi
    touch "$done_file"
    wait "$pid" || { echo "$code: page $n ended with $?" >&2; status=1; }
    rm -f "$log" "$done_file"
  done
  echo "$code: $(ls "$out/$code"/*.png 2>/dev/null | wc -l) pictures in $out/$code"
done
exit $status
