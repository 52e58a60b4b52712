# Sourced by the benchmarks that run Windows programs under Wine, with root
# and work set and the targets to build as arguments. Chooses the Windows
# build (the shipped i686 one under 32-bit Wine where this machine executes
# 32-bit code, else x86-64 under 64-bit Wine; VOZ_BENCH_WIN_BUILD overrides
# the folder), builds the targets, and keeps one wineserver running in the
# benchmark prefix for every run, so that no run pays for starting it.
# Sets build, platform and driver; defines wine and winpath; on exit stops
# the wineserver and removes $work.
source "$root/scripts/machine.sh"
if runs_32bit; then
  build=${VOZ_BENCH_WIN_BUILD:-$root/build/win32} toolchain=mingw-i686
else
  build=${VOZ_BENCH_WIN_BUILD:-$root/build/win64} toolchain=mingw-x86_64
fi
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain.cmake" >/dev/null
ninja -C "$build" "$@" >/dev/null
# The platform named in the results is the one of the build used, which an
# override may have chosen against the machine's default.
if grep -q '^CMAKE_TOOLCHAIN_FILE:.*mingw-i686' "$build/CMakeCache.txt"; then
  platform="i686 under 32-bit Wine"
else
  platform="x86-64 under 64-bit Wine"
fi
driver=$build/tests/windows/setup_driver.exe

export VOZ_WINEPREFIX=${VOZ_BENCH_WINEPREFIX:-$root/build/bench-wineprefix}
wineserver=/usr/lib/wine/wineserver64
cleanup() {
  WINEPREFIX=$VOZ_WINEPREFIX "$wineserver" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
winpath() { printf 'Z:%s' "${1//\//\\}"; }
wine() { bash "$root/scripts/wine-run.sh" "$@"; }
wine "$driver" >/dev/null 2>&1 || true  # creates and configures the prefix on first use
WINEPREFIX=$VOZ_WINEPREFIX "$wineserver" -w
WINEPREFIX=$VOZ_WINEPREFIX "$wineserver" -p
