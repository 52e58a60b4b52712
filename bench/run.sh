#!/usr/bin/env bash
# Builds the benchmarks in release mode, makes the benchmark corpus (scale 1,
# once) and runs them. Prints the decoder's and zlib's output speeds and their ratio.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/release
corpus=${VOZ_BENCH_CORPUS:-$root/build/bench-corpus}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" package_bench vozpack >/dev/null
if [ ! -d "$corpus" ]; then
  "$root/../shared/bench/make_client_tree.sh" "$corpus" 1
fi
VOZ_BENCH_CORPUS=$corpus "$build/bench/package_bench" --benchmark_format=console \
  --benchmark_out="$build/package_bench.json" --benchmark_out_format=json "$@"
python3 - "$build/package_bench.json" <<'PY'
import json, sys
runs = {b["name"].split("/min_time")[0]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
ours, zlib = runs["BM_BlockDecoder"]["bytes_per_second"], runs["BM_ZlibInflate"]["bytes_per_second"]
print(f"decoder {ours/1e6:.0f} MB/s, zlib inflate {zlib/1e6:.0f} MB/s: {ours/zlib:.2f}x")
full, small = runs["BM_LoadPackage/0"]["real_time"], runs["BM_LoadPackage/1"]["real_time"]
print(f"package load: whole corpus {full:.2f} ms, files cut to 1 KiB {small:.2f} ms: {full/small:.2f}x")
PY
