#!/usr/bin/env bash
# Runs a Windows program under Wine with code page 936, in a private prefix
# inside the build folder (VOZ_WINEPREFIX, default build/wineprefix), on the
# current display or, when there is none, on a virtual one.
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
if [ ! -f "$WINEPREFIX/.voz-configured" ]; then
  # Once per prefix, one process at a time: 宋体, the setup's font, is drawn
  # with WenQuanYi Zen Hei Sharp, whose 12-pixel glyphs (9 points) Wine draws
  # cleanly; Wine draws window captions itself, so they show on
  # a display without a window manager; the user's folders are real folders
  # inside the prefix rather than links to the home folder, so that shortcuts
  # made by tests stay in the prefix.
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.voz-configured" ]; then
      for face in 宋体 SimSun; do
        LC_ALL=zh_CN.UTF-8 "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" \
          /d "${VOZ_SIMSUN_FONT:-WenQuanYi Zen Hei Sharp}" /f >/dev/null 2>&1
      done
      "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
      for folder in "$WINEPREFIX"/drive_c/users/*/*; do
        if [ -L "$folder" ]; then
          rm "$folder" && mkdir "$folder"
        fi
      done
      touch "$WINEPREFIX/.voz-configured"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$wine" "$@"
fi
exec "$wine" "$@"
