#!/usr/bin/env bash
# Runs a Windows program under Wine with code page 936, in a private prefix
# inside the build folder (VOZ_WINEPREFIX, default build/wineprefix), on the
# current display or, when there is none, on a virtual one; with
# VOZ_WINE_NO_DISPLAY=1 on no display at all, where any window a program
# tries to make fails and Wine says so on standard error ("Application tried
# to create a window").
#
# The prefix is a 64-bit one. Where 32-bit Wine is installed (install-deps.sh
# installs it on machines whose kernel executes 32-bit programs), the 64-bit
# loader hands i686 programs over to it, so both builds run here; elsewhere
# only the x86-64 build does.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${VOZ_WINEPREFIX:-$here/../build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono, no Gecko, and no desktop menu entries for the shortcuts tests make.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
export LC_ALL=${VOZ_WINE_LOCALE:-zh_CN.UTF-8}
wine=/usr/lib/wine/wine64
mkdir -p "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # First use: create the prefix once (later runs reuse it).
  "$wine" wineboot --init >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver64 -w || true
fi
# 宋体, the setup's font, is drawn with AR PL UMing, a Song face like it with
# the same metrics (dialogs keep their size and texts wrap where they would
# with 宋体), whose 8- and 9-point glyphs Wine draws whole. Side by side on
# the setup's pages, WenQuanYi Zen Hei Sharp cut the tops off the 8-point texts
# of fields and buttons, and WenQuanYi Micro Hei and Noto Sans CJK SC, wider,
# made every dialog larger than its pictures. VOZ_SIMSUN_FONT names another
# font for such a comparison.
font=${VOZ_SIMSUN_FONT:-AR PL UMing CN}
marker=$WINEPREFIX/.voz-configured
if [ "$(cat "$marker" 2>/dev/null)" != "$font" ]; then
  # Once per prefix (and font), one process at a time: the font; Wine draws
  # window captions itself, so they show on a display without a window
  # manager; the user's folders are real folders inside the prefix rather
  # than links to the home folder, so that shortcuts made by tests stay in
  # the prefix.
  (
    flock 9
    if [ "$(cat "$marker" 2>/dev/null)" != "$font" ]; then
      for face in 宋体 SimSun; do
        LC_ALL=zh_CN.UTF-8 "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" \
          /d "$font" /f >/dev/null 2>&1
      done
      "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
      for folder in "$WINEPREFIX"/drive_c/users/*/*; do
        if [ -L "$folder" ]; then
          rm "$folder" && mkdir "$folder"
        fi
      done
      echo "$font" > "$marker"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
if [ -n "${VOZ_WINE_NO_DISPLAY:-}" ]; then
  unset DISPLAY
  exec "$wine" "$@"
fi
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$wine" "$@"
fi
exec "$wine" "$@"
