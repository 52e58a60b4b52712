#!/usr/bin/env bash
# Builds the vozpack Debian package (vozpack, its manual page, the shipped
# i686 setup stub and uninstaller), unpacks it into a scratch root and packs
# the sample with the tool as installed there, which must find its stub and
# its uninstaller on its own.
#   package-test.sh [BUILD-DIR]   (default build/release; build/win32 must hold the stub and the uninstaller)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
stub=$root/build/win32/wizard/setup.exe
uninstaller=$root/build/win32/uninstaller/uninstaller.exe
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOZ_BENCH=OFF -DVOZ_SETUP_STUB="$stub" \
  -DVOZ_UNINSTALLER="$uninstaller" >/dev/null
ninja -C "$build" vozpack vozpack_manpage >/dev/null
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/vozpack_*.deb | head -n 1)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"
echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
for file in usr/bin/vozpack usr/share/vozpack/setup-stub.exe usr/share/vozpack/uninstaller.exe usr/share/man/man1/vozpack.1; do
  [ -f "$scratch/$file" ] || { echo "the package lacks /$file"; exit 1; }
done
cmp -s "$stub" "$scratch/usr/share/vozpack/setup-stub.exe" || { echo "the packaged stub is not the built one"; exit 1; }
cmp -s "$uninstaller" "$scratch/usr/share/vozpack/uninstaller.exe" ||
  { echo "the packaged uninstaller is not the built one"; exit 1; }
vozpack=$scratch/usr/bin/vozpack
"$vozpack" build --help | grep -q -- '--sign-cert' || { echo "vozpack build --help is incomplete"; exit 1; }
# The sample names no uninstaller: the tool says which one it packs, and nothing else.
"$vozpack" build "$root/sample/manifest.toml" -o "$scratch/setup.exe" 2> "$scratch/build.err"
if [ "$(cat "$scratch/build.err")" != "vozpack: uninstaller: the manifest names none; packing $scratch/usr/share/vozpack/uninstaller.exe" ]; then
  cat "$scratch/build.err"
  echo "the installed vozpack did not find its stub and its uninstaller"
  exit 1
fi
cmp -s -n "$(stat -c %s "$stub")" "$stub" "$scratch/setup.exe" || { echo "the setup does not start with the installed stub"; exit 1; }
"$vozpack" list --json "$scratch/setup.exe" | grep -q '"kind": "32-bit Windows program"' ||
  { echo "the setup does not hold the installed uninstaller"; exit 1; }
"$vozpack" verify "$scratch/setup.exe" | tail -n 1
echo "the installed vozpack packed the sample with its installed stub and uninstaller"
