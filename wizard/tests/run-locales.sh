#!/bin/sh
# Runs the language-choice test once per user locale: Wine takes the user's
# locale from the Unix locale it starts with. Each case is
# "<Unix locale>:<language code>:<library of the pages>:<licence>".
#   run-locales.sh <build folder> <test program> <Wine prefix>
build=$1
program=$2
prefix=$3
rc=0
. "$(dirname "$0")/../../tools/page-display.sh"
KIV_WINEPREFIX=$prefix "$build/wine-ctl" prefix || exit 1
KIV_WINEPREFIX=$prefix kiv_page_frames "$build/wine-run"
KIV_WINEPREFIX=$prefix "$build/wine-ctl" stop
for case in de_DE.UTF-8:de:de:DE ko_KR.UTF-8:ko:en:EN pt_BR.UTF-8:pt-BR:en:EN ja_JP.UTF-8:ja:ja:JA; do
  LC_ALL=${case%%:*} KIV_LOCALE_CASE=$case KIV_WINEPREFIX=$prefix "$build/wine-run" "$program" \
    --gtest_filter='LanguageChoice.UserLocale*' || rc=1
  KIV_WINEPREFIX=$prefix "$build/wine-ctl" stop
done
exit $rc
