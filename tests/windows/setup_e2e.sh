#!/usr/bin/env bash
# End-to-end test of the setup program: packs a setup with vozpack and drives
# it under Wine with setup_driver, on a virtual display (started here when
# there is none) that screenshots are taken of.
#
#   setup_e2e.sh SCENARIO VOZPACK STUB UNINSTALLER DRIVER WORK-DIR [LOCALE]
#
# SCENARIO is install, variant, quit, unsaved, demo, broken, folders, nogroup,
# nofolder or uninstall (see setup_driver.cpp). The setups are packed with STUB
# and UNINSTALLER. The
# screenshots go to WORK-DIR/SCENARIO/*.png; the Wine prefix is
# WORK-DIR/wineprefix, shared by the scenarios, which must not run at once.
# LOCALE, when given, replaces the Chinese locale Wine runs in, so that the
# system's code page is another one than 936.
set -euo pipefail
scenario=$1 vozpack=$2 stub=$3 uninstaller=$4 driver=$5 work=$6 locale=${7:-}
root=$(cd "$(dirname "$0")/../.." && pwd)

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

shots=$work/$scenario
rm -rf "$shots"
mkdir -p "$shots"
# Windows programs see the Unix file system as drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

client=$root/sample/client
case $scenario in
  variant) manifest=$root/tests/windows/e2e/variant.toml ;;
  nogroup)
    # The sample client with a market-data folder of 1,500 files, more than
    # one folder record holds: the package's paths made absolute.
    client=$shots/client
    cp -r "$root/sample/client" "$client"
    mkdir -p "$client/行情数据/日线"
    for i in $(seq 1500); do echo "$i" >"$client/行情数据/日线/$i.day"; done
    manifest=$shots/nogroup.toml
    sed -e "s|\"../../../sample/client\"|'$client'|" -e "s|\"../../../sample/|\"$root/sample/|" \
      "$root/tests/windows/e2e/nogroup.toml" >"$manifest" ;;
  *) manifest=$root/sample/manifest.toml ;;
esac
"$vozpack" build "$manifest" -o "$shots/setup.exe" --stub "$stub" --uninstaller "$uninstaller" >/dev/null
case $scenario in
  broken) extra=("$(winpath "$stub")") ;;
  quit|folders|nofolder|uninstall) extra=() ;;
  # A default installation into a folder beside the screenshots.
  demo) extra=("$(winpath "$client")" "$(winpath "$shots/installed")") ;;
  *) extra=("$(winpath "$client")") ;;
esac

# The driver asks for a screenshot by creating NAME.request and waits until
# the request is gone.
take_screenshots() {
  while :; do
    for request in "$shots"/*.request; do
      [ -e "$request" ] || continue
      import -window root "${request%.request}.png" || echo "screenshot ${request##*/} failed" >&2
      rm -f "$request"
    done
    sleep 0.1
  done
}
take_screenshots &
watcher=$!
trap 'kill $watcher' EXIT

export VOZ_WINEPREFIX=$work/wineprefix
[ -z "$locale" ] || export VOZ_WINE_LOCALE=$locale
bash "$root/scripts/wine-run.sh" "$driver" "$scenario" "$(winpath "$shots/setup.exe")" "$(winpath "$shots")" "${extra[@]}"
