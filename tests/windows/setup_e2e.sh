#!/usr/bin/env bash
# End-to-end test of the setup program: packs a setup with vozpack and drives
# it under Wine with setup_driver, on a virtual display (started here when
# there is none) that screenshots are taken of.
#
#   setup_e2e.sh SCENARIO VOZPACK STUB UNINSTALLER DRIVER WORK-DIR [LOCALE]
#
# SCENARIO is install, variant, quit, unsaved, demo, signed, broken, folders,
# nogroup, nofolder, uninstall, upgrade or interrupted (see setup_driver.cpp;
# the last two also build the later version, later-setup.exe, and
# interrupted puts a small volume at drive T: where the machine lets it
# mount one); silent: the silent runs on no display at all, where Wine
# reports any window a program tries to open, and a run without /S that must
# be seen to try (that the check works), then the wizard's default
# installation compared with the silent one; or planted: the
# install scenario with the DLL named by VOZ_PLANTED_DLL copied beside the
# setup under the names of the DLLs it loads, none of which may be loaded,
# and then beside the uninstaller and in the temporary folder it works from. The
# setups are packed with STUB and UNINSTALLER. The
# screenshots go to WORK-DIR/SCENARIO/*.png; the Wine prefix is
# WORK-DIR/wineprefix, shared by the scenarios, which must not run at once.
# LOCALE, when given, replaces the Chinese locale Wine runs in, so that the
# system's code page is another one than 936.
set -euo pipefail
scenario=$1 vozpack=$2 stub=$3 uninstaller=$4 driver=$5 work=$6 locale=${7:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
# The DLLs a setup run loads under Wine (WINEDEBUG=+loaddll over the install
# scenario: the setup's imports, comctl32's wizard, the shell's folder browser,
# the signature check), and dwmapi, which programs commonly load by name.
planted_names="actxprxy.dll advapi32.dll combase.dll comctl32.dll crypt32.dll dwmapi.dll gdi32.dll imm32.dll
  kernel32.dll kernelbase.dll msimg32.dll msvcrt.dll ole32.dll oleaut32.dll rpcrt4.dll sechost.dll shcore.dll
  shell32.dll shlwapi.dll ucrtbase.dll user32.dll uxtheme.dll version.dll win32u.dll wintrust.dll"

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

shots=$work/$scenario
rm -rf "$shots"
mkdir -p "$shots"
# Windows programs see the Unix file system as drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

client=$root/sample/client
# The sample's manifest for another client tree and version, its paths made absolute.
sample_manifest() {  # client version output
  sed -e "s|^version = .*|version = \"$2\"|" -e "s|^source = \"client\"|source = '$1'|" \
    -e "s|\"texts/|\"$root/sample/texts/|" -e "s|\"screens/|\"$root/sample/screens/|" "$root/sample/manifest.toml" >"$3"
}
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
  upgrade)
    # V6.3 no longer ships 插件\news.dat and adds 插件\level2.dat.
    manifest=$root/sample/manifest.toml
    cp -r "$client" "$shots/later-client"
    rm "$shots/later-client/插件/news.dat"
    echo "level 2 quotes" >"$shots/later-client/插件/level2.dat"
    sample_manifest "$shots/later-client" V6.3 "$shots/later.toml" ;;
  interrupted)
    # The sample with 40 MB of market data that does not compress: long
    # enough to extract that the driver catches the setup at it.
    client=$shots/client
    cp -r "$root/sample/client" "$client"
    mkdir -p "$client/行情数据/日线"
    for i in $(seq 400); do head -c 100000 /dev/urandom >"$client/行情数据/日线/$i.day"; done
    manifest=$shots/big.toml
    sample_manifest "$client" V6.2 "$manifest"
    sample_manifest "$client" V6.3 "$shots/later.toml" ;;
  *) manifest=$root/sample/manifest.toml ;;
esac
sign=()
level=()
[ "$scenario" != interrupted ] || level=(--level fast)  # its market data does not compress anyway
if [ "$scenario" = signed ] || [ "$scenario" = silent ]; then
  # A throw-away code-signing certificate.
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Voz test signing" \
    -keyout "$shots/key.pem" -out "$shots/cert.pem" 2>/dev/null
  sign=(--sign-cert "$shots/cert.pem" --sign-key "$shots/key.pem")
fi
if [ "$scenario" = silent ]; then
  "$vozpack" build "$manifest" -o "$shots/signed-setup.exe" --stub "$stub" --uninstaller "$uninstaller" "${sign[@]}" \
    >/dev/null
  sign=()
fi
"$vozpack" build "$manifest" -o "$shots/setup.exe" --stub "$stub" --uninstaller "$uninstaller" "${sign[@]}" \
  "${level[@]}" >/dev/null
if [ -f "$shots/later.toml" ]; then
  "$vozpack" build "$shots/later.toml" -o "$shots/later-setup.exe" --stub "$stub" --uninstaller "$uninstaller" \
    "${level[@]}" >/dev/null
fi
driver_scenario=$scenario
case $scenario in
  broken) extra=("$(winpath "$stub")") ;;
  quit|folders|nofolder|uninstall) extra=() ;;
  # A default installation into a folder beside the screenshots.
  demo|signed) extra=("$(winpath "$client")" "$(winpath "$shots/installed")") ;;
  planted)
    driver_scenario=install
    extra=("$(winpath "$client")")
    mkdir -p "$shots/planted"
    for dll in $planted_names; do
      cp "$VOZ_PLANTED_DLL" "$shots/$dll"
      cp "$VOZ_PLANTED_DLL" "$shots/planted/$dll"
    done
    ;;
  *) extra=("$(winpath "$client")") ;;
esac
if [ "$scenario" = signed ]; then
  osslsigncode verify -in "$shots/setup.exe" -CAfile "$shots/cert.pem" > "$shots/osslsigncode.log" 2>&1 ||
    { cat "$shots/osslsigncode.log"; echo "osslsigncode verify rejects the signed setup"; exit 1; }
  "$vozpack" verify "$shots/setup.exe" | grep -q 'signature: Authenticode SHA256, digest matches the file$' ||
    { echo "vozpack verify does not report the signature as matching"; exit 1; }
fi

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
if [ "$scenario" = interrupted ]; then
  # A 100 MB volume as drive T:, for the disk that fills.
  volume=$shots/volume
  mkdir -p "$volume" "$VOZ_WINEPREFIX/dosdevices"
  if mount -t tmpfs -o size=100m voz-e2e "$volume" 2>"$shots/mount.log"; then
    ln -sfn "$volume" "$VOZ_WINEPREFIX/dosdevices/t:"
    extra+=(T:)
    trap 'kill $watcher; rm -f "$VOZ_WINEPREFIX/dosdevices/t:"; umount "$volume"' EXIT
  else
    echo "setup_e2e interrupted: the disk-full steps are skipped: no small volume can be mounted here ($(head -n 1 "$shots/mount.log"))"
    extra+=(-)
  fi
fi
[ -z "$locale" ] || export VOZ_WINE_LOCALE=$locale
if [ "$scenario" = silent ]; then
  # Wine's desktop belongs to the display it started on: a fresh one each way.
  restart_wine() { WINEPREFIX=$VOZ_WINEPREFIX /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true; }
  # Runs a Windows program on no display, Wine's report of the windows
  # programs tried to make, and of the programs it started, into a file.
  no_display() {
    local report=$1
    shift
    VOZ_WINE_NO_DISPLAY=1 WINEDEBUG=-all,err+winediag,+pid,+loaddll timeout 600 bash "$root/scripts/wine-run.sh" "$@" \
      2>"$report"
  }
  # The lines of the report that tell of a window tried by a program other
  # than Wine's own desktop (explorer.exe, which finds no display either).
  windows_tried() {
    awk -F: '/Loaded L".*\\explorer\.exe"/ { desktop[$1] = 1 } /tried to create a window/ && !($1 in desktop)' "$1"
  }
  folder='C:\e2e\静默 安装'
  status=0
  restart_wine
  no_display "$shots/silent.stderr" "$driver" silent "$(winpath "$shots/setup.exe")" "$(winpath "$shots")" \
    "$(winpath "$client")" "$folder" || status=1
  if [ -n "$(windows_tried "$shots/silent.stderr")" ]; then
    echo "a silent run tried to open a window:" && windows_tried "$shots/silent.stderr"
    status=1
  fi
  no_display "$shots/control.stderr" "$shots/setup.exe" || true  # cancelled: its welcome window never showed
  if [ -n "$(windows_tried "$shots/control.stderr")" ]; then
    echo "the check sees the window of a setup run without /S"
  else
    echo "the check is blind: a setup run without /S on no display was not seen to try a window"
    status=1
  fi
  restart_wine
  bash "$root/scripts/wine-run.sh" "$driver" silent-compare "$(winpath "$shots/setup.exe")" "$(winpath "$shots")" \
    "$(winpath "$client")" "$folder" || status=1
  exit $status
fi
bash "$root/scripts/wine-run.sh" "$driver" "$driver_scenario" "$(winpath "$shots/setup.exe")" "$(winpath "$shots")" \
  "${extra[@]}"
case $scenario in
  planted)
    markers=$(cd "$shots" && ls -- *.loaded 2>/dev/null || true)
    if [ -n "$markers" ]; then
      echo "the setup loaded DLLs planted beside it:" $markers
      exit 1
    fi
    echo "none of the" $(echo $planted_names | wc -w) "DLLs planted beside the setup was loaded"
    # The uninstaller, beside the same DLLs in the install folder and in the temporary folder.
    bash "$root/scripts/wine-run.sh" "$driver" uninstall-planted "$(winpath "$shots/setup.exe")" "$(winpath "$shots")" \
      "$(winpath "$shots/planted")"
    ;;
  signed)
    # The copy the driver changed after signing.
    if "$vozpack" verify "$shots/changed-setup.exe" > "$shots/changed-verify.log"; then
      echo "vozpack verify accepts a setup changed after signing"
      exit 1
    fi
    grep -q 'digest does NOT match the file' "$shots/changed-verify.log" ||
      { cat "$shots/changed-verify.log"; exit 1; }
    echo "signed setup: osslsigncode and vozpack accept it; the copy changed after signing is reported"
    ;;
esac
