#!/bin/sh
# Runs a Windows test program on the X display this script was given, in a Wine
# prefix of its own, and stops that prefix's server afterwards.
#   run-on-display.sh <build folder> <Wine prefix> <test program> [arguments...]
# Wine draws the frames itself: with no window manager on the display it
# would otherwise wait for one at each window that closes.
build=$1
KIV_WINEPREFIX=$2
export KIV_WINEPREFIX
shift 2
. "$(dirname "$0")/page-display.sh"
"$build/wine-ctl" prefix || exit 1
kiv_page_frames "$build/wine-run"
"$build/wine-run" "$@"
rc=$?
"$build/wine-ctl" stop
exit $rc
