#!/usr/bin/env bash
# Times `vozpack build` of the benchmark corpus (scale 1) by the Linux vozpack
# and by vozpack.exe under Wine, the same tree in the same run, and checks that
# both setups hold the same. Prints vozpack.exe's size, the median of RUNS runs
# of each with its speed in MB/s of client files, the start-up of vozpack.exe
# under Wine alone (`--help`), and the ratios.
# Environment: RUNS (default 3), VOZ_BENCH_CORPUS (default build/bench-corpus),
#              VOZ_BENCH_BUILD (release build folder, default build/release),
#              VOZ_BENCH_WIN_BUILD (Windows build folder, default build/win64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VOZ_BENCH_BUILD:-$root/build/release}
win_build=${VOZ_BENCH_WIN_BUILD:-$root/build/win64}
corpus=${VOZ_BENCH_CORPUS:-$root/build/bench-corpus}
runs=${RUNS:-3}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" vozpack >/dev/null
cmake -S "$root" -B "$win_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
ninja -C "$win_build" vozpack >/dev/null
vozpack=$build/packer/vozpack
vozpack_exe=$win_build/packer/vozpack.exe
wine_run=$root/scripts/wine-run.sh
if [ ! -d "$corpus" ]; then
  "$root/../shared/bench/make_client_tree.sh" "$corpus" 1
fi

work=$(mktemp -d "$root/build/windows-pack-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
winpath() { printf 'Z:%s' "${1//\//\\}"; }

. "$root/bench/tree_manifest.sh"
write_tree_manifest "$corpus" "$work/manifest.toml"

seconds() {  # command...: wall-clock seconds of one run
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

linux_times=() wine_times=() start_times=()
for _ in $(seq "$runs"); do
  linux_times+=("$(seconds "$vozpack" build "$work/manifest.toml" -o "$work/linux.exe" --placeholder-stub)")
  wine_times+=("$(seconds "$wine_run" "$vozpack_exe" build "$(winpath "$work/manifest.toml")" \
    -o "$(winpath "$work/windows.exe")" --placeholder-stub)")
  start_times+=("$(seconds "$wine_run" "$vozpack_exe" --help)")
done
# Wine reports a Unix file's last-write time as its creation time, Linux its
# birth time: where the corpus's two differ, only the creation times may.
if cmp -s "$work/linux.exe" "$work/windows.exe"; then
  same="identical setups"
else
  "$vozpack" list --json "$work/linux.exe" >"$work/linux.json"
  "$vozpack" list --json "$work/windows.exe" >"$work/windows.json"
  python3 - "$work/linux.json" "$work/windows.json" <<'PY' || { echo "windows_pack_bench: the setups differ" >&2; exit 1; }
import json, sys
def without_creation(path):
    listing = json.load(open(path))
    for folder in listing["folders"]:
        for f in folder["files"]:
            del f["created"]
    return listing
sys.exit(0 if without_creation(sys.argv[1]) == without_creation(sys.argv[2]) else 1)
PY
  same="setups identical but for creation times (Wine reports the last-write time)"
fi

bytes=$(find "$corpus" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
linux=$(printf '%s\n' "${linux_times[@]}" | median)
wine=$(printf '%s\n' "${wine_times[@]}" | median)
start=$(printf '%s\n' "${start_times[@]}" | median)
echo "vozpack.exe: $(stat -c %s "$vozpack_exe") bytes; corpus: $bytes bytes; $(nproc) cores; median of $runs runs; $same"
awk -v b="$bytes" -v l="$linux" -v w="$wine" -v s="$start" 'BEGIN {
  printf "Linux vozpack:         %6.2f s  %6.1f MB/s\n", l, b / l / 1e6
  printf "vozpack.exe (Wine):    %6.2f s  %6.1f MB/s  (%.2f x the Linux time)\n", w, b / w / 1e6, w / l
  printf "  of which Wine start: %6.2f s; without it %.2f x the Linux time\n", s, (w - s) / l
}'
