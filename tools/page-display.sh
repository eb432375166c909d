# Sourced by the scripts that show the wizard's pages under Xvfb for
# pictures, in a given language (page pictures, language review, the demo).
#
#   kiv_page_locale CODE            prints the Unix locale of a user of that
#                                   language; Wine takes the user's locale,
#                                   and so the ANSI code page, from it
#   kiv_page_font WINE_RUN CODE     makes the dialog font, in the prefix that
#                                   WINE_RUN uses, a face with every letter of
#                                   the language, regular and bold
#   kiv_page_frames WINE_RUN        has Wine draw window frames and captions
#                                   itself (no window manager runs on Xvfb)

kiv_page_locale() {
  case $1 in
    pt_BR|zh_TW) echo "$1.UTF-8" ;;
    en) echo en_US.UTF-8 ;;
    ar) echo ar_SA.UTF-8 ;;
    ja) echo ja_JP.UTF-8 ;;
    ko) echo ko_KR.UTF-8 ;;
    zh) echo zh_CN.UTF-8 ;;
    he) echo he_IL.UTF-8 ;;
    el) echo el_GR.UTF-8 ;;
    cs) echo cs_CZ.UTF-8 ;;
    da) echo da_DK.UTF-8 ;;
    sv) echo sv_SE.UTF-8 ;;
    no) echo nb_NO.UTF-8 ;;
    *) echo "${1}_$(echo "$1" | tr a-z A-Z).UTF-8" ;;
  esac
}

# Wine's stand-in for the dialog font lacks several scripts, and right-to-left
# text is shaped with the glyphs of the dialog font itself, where linked fonts
# do not help.
kiv_page_font() {
  local wine_run=$1 face name
  case $2 in
    ja) face="Noto Sans CJK JP" ;;
    ko) face="Noto Sans CJK KR" ;;
    zh) face="Noto Sans CJK SC" ;;
    zh_TW) face="Noto Sans CJK TC" ;;
    *) face="DejaVu Sans" ;;
  esac
  for name in "MS Shell Dlg" "MS Shell Dlg 2"; do
    "$wine_run" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
      /v "$name" /d "$face" /f >/dev/null
  done
}

kiv_page_frames() {
  "$1" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
  "$1" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
}

# kiv_page_display DIR SIZE   starts an Xvfb of SIZE (e.g. 1280x1024x24) on a
#                             display it picks itself, and exports DISPLAY
# kiv_page_display_stop       stops it again (for the caller's EXIT trap)
kiv_xvfb_pid=
kiv_page_display() {
  local display_file=$1/display
  : > "$display_file"
  Xvfb -displayfd 9 -screen 0 "$2" -nolisten tcp 9>"$display_file" >/dev/null 2>&1 &
  kiv_xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  [ -s "$display_file" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=:$(head -n1 "$display_file")
}
kiv_page_display_stop() {
  if [ -n "$kiv_xvfb_pid" ]; then
    kill "$kiv_xvfb_pid" 2>/dev/null || true
    wait "$kiv_xvfb_pid" 2>/dev/null || true
  fi
}
