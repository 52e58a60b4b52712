#!/usr/bin/env bash
# Runs a Windows program under Wine with code page 936, in a private prefix
# inside the build folder (VOZ_WINEPREFIX, default build/wineprefix), on the
# current display or, when there is none, on a virtual one.
#
# This machine's kernel cannot execute 32-bit programs, so 32-bit Wine cannot
# start here; the tests run the x86-64 build of the same sources under 64-bit Wine.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${VOZ_WINEPREFIX:-$here/../build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LC_ALL=${VOZ_WINE_LOCALE:-zh_CN.UTF-8}
wine=/usr/lib/wine/wine64
mkdir -p "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # First use: create the prefix once (later runs reuse it).
  "$wine" wineboot --init >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver64 -w || true
fi
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$wine" "$@"
fi
exec "$wine" "$@"
