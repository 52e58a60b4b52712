#!/usr/bin/env bash
# Regenerates the screenshots in docs/screens from the end-to-end scenarios:
# every screen a user meets, cut to its window and stored with a 256-colour palette.
# (The sample extracts too fast for a picture of the progress bar moving.)
# Runs the shipped i686 setup where this machine executes 32-bit code, the
# x86-64 build of the same sources elsewhere. Needs the builds test-all.sh makes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/machine.sh
if runs_32bit; then build=build/win32; else build=build/win64; fi
echo "screenshots of the $build setup"
work=$root/build/docs-e2e
out=$root/docs/screens
mkdir -p "$work" "$out"
for scenario in install variant broken unsaved signed uninstall upgrade interrupted; do
  bash tests/windows/setup_e2e.sh "$scenario" "$build/host/packer/vozpack" "$build/wizard/setup.exe" \
    "$build/uninstaller/uninstaller.exe" "$build/tests/windows/setup_driver.exe" "$work" $([ "$scenario" = variant ] && echo C.UTF-8) | tail -n 1
done
# scenario/screenshot -> docs name
shots=(
  install/01-welcome:welcome install/02-system-menu:system-menu install/03-about:about
  install/04-welcome-page:page-welcome install/05-folder-page:page-folder install/06-browse:folder-browser
  install/07-style-page:page-style install/08-order-page:page-order install/09-extract-page:page-extract
  install/12-settings-toolbar:settings-toolbar
  install/12-settings-order:settings-order install/12-settings-chart:settings-chart
  variant/25-variant-failures:message-install-failures broken/31-broken-package:message-broken-package
  signed/32-signature-broken:message-signature-broken unsaved/41-settings-not-saved:message-settings-not-saved
  uninstall/41-uninstall-confirm:uninstall-confirm uninstall/42-uninstall-left:uninstall-done
  uninstall/43-uninstall-damaged:uninstall-damaged uninstall/44-uninstall-no-log:uninstall-no-log
  uninstall/45-uninstall-refused:uninstall-refused
  upgrade/61-repair-folder-page:page-folder-earlier upgrade/62-upgrade-kept:message-upgrade-kept
  upgrade/63-uninstall-kept:uninstall-kept upgrade/64-files-in-use:message-files-in-use
  interrupted/65-disk-space:message-disk-space interrupted/66-disk-full-fresh:message-disk-full-fresh
  interrupted/67-disk-full-upgrade:message-disk-full-upgrade
)
for shot in "${shots[@]}"; do
  # The disk-full screens need a small volume, which only root may mount.
  [ -f "$work/${shot%%:*}.png" ] || { echo "no ${shot%%:*}.png: docs/screens/${shot##*:}.png kept as it was"; continue; }
  convert "$work/${shot%%:*}.png" -trim +repage -colors 256 "PNG8:$out/${shot##*:}.png"
done
du -ch "$out"/*.png | tail -n 1
