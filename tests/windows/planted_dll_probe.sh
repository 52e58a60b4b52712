#!/usr/bin/env bash
# Shows that a DLL planted beside a program is loaded when the program does
# not restrict its DLL search, and is not once it does:
#   planted_dll_probe.sh PROBE PLANTED-DLL WORK-DIR WINE-RUN
# Each DLL name is a system DLL that Wine loads by a bare name from the
# program's folder when asked to.
set -euo pipefail
probe=$1 planted=$2 work=$3 wine_run=$4
failed=0
for mode in open restricted; do
  dir=$work/$mode
  rm -rf "$dir"
  mkdir -p "$dir"
  cp "$probe" "$dir/probe.exe"
  cp "$planted" "$dir/dwmapi.dll"
  VOZ_WINEPREFIX=$work/wineprefix bash "$wine_run" "$dir/probe.exe" "$mode" dwmapi.dll || true
  if [ -e "$dir/dwmapi.dll.loaded" ]; then loaded=yes; else loaded=no; fi
  want=$([ "$mode" = open ] && echo yes || echo no)
  echo "$mode DLL search: the planted dwmapi.dll was loaded: $loaded (expected $want)"
  [ "$loaded" = "$want" ] || failed=1
done
exit $failed
