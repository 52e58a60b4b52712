#!/usr/bin/env bash
# Times `vozpack extract` of a package of the benchmark corpus (scale 1)
# against `tar -xf` of the same tree and `tar -xzf` of it gzip-compressed, each
# into a fresh folder, in the same run. First checks the extraction file by
# file (bytes, last-access and last-write times) against the corpus.
# Prints the median of RUNS runs of each, the ratios and the extraction's peak memory.
# Environment: RUNS (default 5), VOZ_BENCH_CORPUS (default build/bench-corpus),
#              VOZ_BENCH_BUILD (release build folder, default build/release).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VOZ_BENCH_BUILD:-$root/build/release}
corpus=${VOZ_BENCH_CORPUS:-$root/build/bench-corpus}
runs=${RUNS:-5}
gnu_time=/usr/bin/time
[ -x "$gnu_time" ] || { echo "extract_bench: GNU time is needed (package 'time')" >&2; exit 1; }

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" vozpack >/dev/null
vozpack=$build/packer/vozpack
if [ ! -d "$corpus" ]; then
  "$root/../shared/bench/make_client_tree.sh" "$corpus" 1
fi

work=$(mktemp -d "$root/build/extract-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The corpus as a setup: the sample's screens, the corpus as the client tree,
# one of its programs standing in for the uninstaller.
. "$root/bench/tree_manifest.sh"
write_tree_manifest "$corpus" "$work/manifest.toml"
uninstaller=$tree_uninstaller
"$vozpack" build "$work/manifest.toml" -o "$work/setup.exe" --placeholder-stub >/dev/null
"$vozpack" list --json "$work/setup.exe" >"$work/list.json"
tar -cf "$work/corpus.tar" -C "$corpus" .
gzip -c "$work/corpus.tar" >"$work/corpus.tar.gz"

# Correctness: every file and folder of the corpus, with its bytes and the
# times the package recorded (the corpus's own last-write times too), and the
# uninstaller followed by its data.
"$vozpack" extract "$work/setup.exe" -d "$work/check" >/dev/null
python3 - "$corpus" "$work/check" "$work/list.json" "$uninstaller" <<'PY'
import calendar, datetime, hashlib, json, os, sys
corpus, installed, listing, uninstaller = sys.argv[1:]

def ms(text):  # "YYYY-MM-DD HH:MM:SS.mmm", UTC
    t = datetime.datetime.strptime(text, "%Y-%m-%d %H:%M:%S.%f")
    return calendar.timegm(t.timetuple()) * 1000 + t.microsecond // 1000

def tree(top):
    out = set()
    for folder, dirs, files in os.walk(top):
        rel = os.path.relpath(folder, top)
        out.update(os.path.normpath(os.path.join(rel, d)) + "/" for d in dirs)
        out.update(os.path.normpath(os.path.join(rel, f)) for f in files)
    return out

problems = []
expected = tree(corpus) | {"卸载.exe"}
got = tree(installed)
if got != expected:
    problems.append(f"tree differs: missing {sorted(expected - got)[:5]}, extra {sorted(got - expected)[:5]}")
recorded = {}
for folder in json.load(open(listing))["folders"]:
    for f in folder["files"]:
        name = (folder["name"] + "\\" if folder["name"] else "") + f["name"]
        recorded[name.replace("\\", "/")] = (ms(f["accessed"]), ms(f["written"]))
files = sorted(p for p in expected if not p.endswith("/") and p != "卸载.exe")
for rel in files:  # times first: reading the bytes may move the access time
    st = os.lstat(os.path.join(installed, rel))
    source = os.lstat(os.path.join(corpus, rel))
    times = (st.st_atime_ns // 1000000, st.st_mtime_ns // 1000000)
    if rel not in recorded or times != recorded[rel] or times[1] != source.st_mtime_ns // 1000000:
        problems.append(f"{rel}: times {times}, recorded {recorded.get(rel)}")
def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).digest()
for rel in files:
    if digest(os.path.join(installed, rel)) != digest(os.path.join(corpus, rel)):
        problems.append(f"{rel}: bytes differ")
program = open(uninstaller, "rb").read()
if not open(os.path.join(installed, "卸载.exe"), "rb").read().startswith(program):
    problems.append("卸载.exe does not start with the uninstaller program")
for p in problems[:20]:
    print("MISMATCH:", p)
if problems:
    sys.exit(f"extract_bench: {len(problems)} mismatches")
print(f"check: {len(files)} files and {len(expected) - len(files) - 1} folders match the corpus, with times")
PY

# One timed run into a fresh folder; prints "seconds peak-KiB".
timed() {
  local dest=$1
  shift
  rm -rf "$dest"
  sync
  "$gnu_time" -f "%e %M" -o "$work/time.txt" "$@" >/dev/null
  cat "$work/time.txt"
}

: >"$work/results.txt"
for ((i = 0; i < runs; i++)); do
  echo "vozpack $(timed "$work/out" "$vozpack" extract "$work/setup.exe" -d "$work/out")" >>"$work/results.txt"
  mkdir -p "$work/tar"
  echo "tar $(timed "$work/tar" sh -c "mkdir -p '$work/tar' && tar -xf '$work/corpus.tar' -C '$work/tar'")" >>"$work/results.txt"
  echo "targz $(timed "$work/targz" sh -c "mkdir -p '$work/targz' && tar -xzf '$work/corpus.tar.gz' -C '$work/targz'")" >>"$work/results.txt"
done

python3 - "$work/results.txt" "$runs" "$(du -sb "$corpus" | cut -f1)" "$(stat -c %s "$work/setup.exe")" <<'PY'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
runs, tree_bytes, setup_bytes = int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
med = {k: statistics.median(float(r[1]) for r in rows if r[0] == k) for k in ("vozpack", "tar", "targz")}
peak = max(int(r[2]) for r in rows if r[0] == "vozpack")
print(f"corpus {tree_bytes / 1e6:.1f} MB, setup {setup_bytes / 1e6:.1f} MB; median of {runs} runs")
print(f"vozpack extract {med['vozpack']:.3f} s, tar -xf {med['tar']:.3f} s, tar -xzf {med['targz']:.3f} s")
print(f"vozpack / tar -xf  = {med['vozpack'] / med['tar']:.2f}  (goal <= 1.25)")
print(f"vozpack / tar -xzf = {med['vozpack'] / med['targz']:.2f}  (goal < 1)")
print(f"vozpack peak memory {peak / 1024:.1f} MiB  (goal < 16)")
PY
