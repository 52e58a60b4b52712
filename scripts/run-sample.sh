#!/usr/bin/env bash
# The main job on the bundled sample: installs what the build needs, builds
# everything, packs the sample client into build/sample/setup.exe, shows what
# it holds, and runs the setup under Wine: on the user's display when there
# is one; otherwise on a virtual display, driven through a default
# installation into a temporary folder, with a screenshot of every screen.
#
# Where this machine executes 32-bit code, the shipped i686 setup itself runs;
# elsewhere the same sources built for x86-64 (build/win64) do.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build/release vozpack >/dev/null
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
ninja -C build/win32 >/dev/null
# vozpack takes the setup stub and the uninstaller from its own folder.
cp build/win32/wizard/setup.exe build/release/packer/setup-stub.exe
cp build/win32/uninstaller/uninstaller.exe build/release/packer/uninstaller.exe
echo "uninstaller: $(stat -c %s build/win32/uninstaller/uninstaller.exe) bytes (i686)"
mkdir -p build/sample
build/release/packer/vozpack build sample/manifest.toml -o build/sample/setup.exe
build/release/packer/vozpack list build/sample/setup.exe
build/release/packer/vozpack verify build/sample/setup.exe

source scripts/machine.sh
if runs_32bit; then
  echo "this machine executes 32-bit code: running the shipped i686 setup"
  setup=build/sample/setup.exe stub=build/win32/wizard/setup.exe uninstaller=build/win32/uninstaller/uninstaller.exe
  driver=build/win32/tests/windows/setup_driver.exe
else
  echo "this machine cannot execute 32-bit code: running the x86-64 build of the setup"
  cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null
  ninja -C build/win64 setup uninstaller setup_driver >/dev/null
  setup=build/sample/setup-x64.exe stub=build/win64/wizard/setup.exe uninstaller=build/win64/uninstaller/uninstaller.exe
  driver=build/win64/tests/windows/setup_driver.exe
  build/release/packer/vozpack build sample/manifest.toml -o "$setup" --stub "$stub" --uninstaller "$uninstaller" >/dev/null
fi
if [ -n "${DISPLAY:-}" ]; then
  echo "running $setup under Wine on $DISPLAY"
  bash scripts/wine-run.sh "$setup"
else
  work=$(mktemp -d /tmp/voz-setup-run.XXXXXX)
  echo "no display: a default installation under a virtual display, in $work"
  bash tests/windows/setup_e2e.sh demo build/release/packer/vozpack "$stub" "$uninstaller" "$driver" "$work"
  echo "installed client: $work/demo/installed"
  echo "screenshots:"
  ls -1 "$work"/demo/*.png
fi
