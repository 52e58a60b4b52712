#!/usr/bin/env bash
# Sizes and speeds of the packing levels for client trees (default: the
# benchmark corpus at scale 1 and a tree copied from this machine's libraries
# and headers by bench/make_system_tree.py). For each tree it prints one table
# row: the files' stored bytes at each level, the fewest bytes whole
# 65,536-byte blocks allow (every block parsed optimally), gzip -9 and lz4 -12
# run file by file, the build speed of each level on two cores (wall clock and
# per core of CPU time), the best level's peak memory, and the block decoder's
# speed on each level's setup against zlib's inflate in the same run. Every
# setup is checked to decode to the tree bit for bit.
# Usage: bench/compression_bench.sh [TREE...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VOZ_BENCH_BUILD:-$root/build/release}
gnu_time=/usr/bin/time
for tool in "$gnu_time" gzip lz4 taskset; do
  command -v "$tool" >/dev/null || { echo "compression_bench: $tool is needed (scripts/install-deps.sh)" >&2; exit 1; }
done
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" vozpack compression_report >/dev/null
vozpack=$build/packer/vozpack
. "$root/bench/tree_manifest.sh"

trees=("$@")
if [ ${#trees[@]} -eq 0 ]; then
  corpus=${VOZ_BENCH_CORPUS:-$root/build/bench-corpus}
  [ -d "$corpus" ] || "$root/../shared/bench/make_client_tree.sh" "$corpus" 1 >/dev/null
  system=$root/build/bench-system
  [ -d "$system" ] || python3 "$root/bench/make_system_tree.py" "$system" >/dev/null
  trees=("$corpus" "$system")
fi

work=$(mktemp -d "$root/build/compression-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Sum of the sizes of every file of a tree compressed on its own by a command.
per_file_total() {
  local tree=$1
  shift
  find "$tree" -type f -print0 | xargs -0 -P2 -n 64 sh -c 'c=$0; for f; do $c "$f" | wc -c; done' "$*" |
    awk '{s += $1} END {print s}'
}

# Stored bytes of a setup's files, from its listing.
stored_total() {
  "$vozpack" list --json "$1" | python3 -c '
import json, sys
print(sum(f["stored"] for d in json.load(sys.stdin)["folders"] for f in d["files"]))'
}

printf '| tree | files | MB | fast | best | bound | best/bound | gzip -9 | lz4 -12 | build MB/s fast, best (wall; per core of CPU) | best peak MiB | decode/inflate fast, best |\n'
printf '|---|---|---|---|---|---|---|---|---|---|---|---|\n'
for tree in "${trees[@]}"; do
  write_tree_manifest "$tree" "$work/manifest.toml"
  declare -A stored wall cpu peak
  for level in fast best; do
    taskset -c 0,1 "$gnu_time" -f "%e %U %S %M" -o "$work/time.txt" \
      "$vozpack" build "$work/manifest.toml" -o "$work/$level.exe" --level "$level" --placeholder-stub 2>/dev/null
    read -r w u s m <"$work/time.txt"
    wall[$level]=$w
    cpu[$level]="$u+$s"
    peak[$level]=$m
    stored[$level]=$(stored_total "$work/$level.exe")
  done
  "$build/bench/compression_report" "$tree" "$work/fast.exe" "$work/best.exe" >"$work/report.txt"
  gzip9=$(per_file_total "$tree" gzip -9 -c)
  lz4hc=$(per_file_total "$tree" lz4 -12 -c)
  python3 - "$tree" "$work/report.txt" "${stored[fast]}" "${stored[best]}" "$gzip9" "$lz4hc" \
    "${wall[fast]}" "${cpu[fast]}" "${wall[best]}" "${cpu[best]}" "${peak[best]}" \
    "$(find "$tree" -type f | wc -l)" <<'PY'
import os, sys
tree, report, fast, best, gz, lz, wf, cf, wb, cb, peak, files = sys.argv[1:]
kv, setups = {}, []
for line in open(report):
    pairs = dict(p.split("=", 1) for p in line.split())
    (setups.append(pairs) if "setup" in pairs else kv.update(pairs))
raw, bound = int(kv["raw"]), int(kv["bound"])
fast, best = int(fast), int(best)
if any(s["bit_exact"] != "yes" for s in setups):
    sys.exit(f"compression_bench: a setup of {tree} does not decode to the tree")
speed = lambda seconds: raw / sum(map(float, seconds.split("+"))) / 1e6
ratio = lambda s: float(s["decode_mbps"]) / float(s["inflate_mbps"])
print(f"| {os.path.basename(tree)} | {files} | {raw / 1e6:.1f} | {fast:,} | {best:,} | {bound:,} | {best / bound:.4f} "
      f"| {int(gz):,} | {int(lz):,} | {speed(wf):.1f}; {speed(cf):.1f} — {speed(wb):.1f}; {speed(cb):.1f} "
      f"| {int(peak) / 1024:.0f} | {ratio(setups[0]):.2f}, {ratio(setups[1]):.2f} |")
PY
  unset stored wall cpu peak
done
