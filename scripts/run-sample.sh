#!/usr/bin/env bash
# The main job on the bundled sample: installs what the build needs, builds
# everything, packs the sample client into build/sample/setup.exe and shows
# what it holds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build/release vozpack >/dev/null
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
ninja -C build/win32 >/dev/null
# vozpack takes the setup stub from its own folder.
cp build/win32/wizard/setup.exe build/release/packer/setup-stub.exe
mkdir -p build/sample
build/release/packer/vozpack build sample/manifest.toml -o build/sample/setup.exe
build/release/packer/vozpack list build/sample/setup.exe
build/release/packer/vozpack verify build/sample/setup.exe
