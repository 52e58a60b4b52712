#!/usr/bin/env bash
# Times the setup's installation under Wine against a general-purpose
# installer's silent installation of the same tree: NSIS with SetCompressor
# zlib, run with /S into a fresh folder. Two trees: the benchmark corpus
# (scale 1) and a tree of this machine's libraries and headers
# (bench/make_system_tree.py).
#
# The setup is the shipped i686 build under 32-bit Wine where this machine
# executes 32-bit code, else the x86-64 build under 64-bit Wine. setup_driver
# walks its wizard and times the installation from Next on the extraction page
# to its end; the NSIS installer is timed by the same driver from its process
# start to its exit. Both run in the same Wine prefix with one wineserver kept
# running, interleaved (setup, NSIS, setup, NSIS, ...), each into a fresh
# folder. The first run of each is checked against the tree. On the corpus,
# each installation is followed by an upgrade: a later version of the same
# tree, timed as it installs over it (every file written beside the one it
# replaces and swapped in, the earlier log taken over).
#
# Prints per tree the medians of RUNS runs of each and their ratio, and with
# VOZ_BENCH_BEFORE_STUB the setup built with that stub (an earlier build's)
# timed in the same runs, for the fresh installation before and after a change.
# Environment: RUNS (default 5), VOZ_BENCH_CORPUS (default build/bench-corpus),
#              VOZ_BENCH_SYSTEM_TREE (default build/system-tree),
#              VOZ_BENCH_WIN_BUILD (default build/win32 or build/win64),
#              VOZ_BENCH_STUB (the setup stub to time, default the build's; an
#              earlier build's stub gives the figures before a change),
#              VOZ_BENCH_BEFORE_STUB (a second stub timed in the same runs).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
runs=${RUNS:-5}
corpus=${VOZ_BENCH_CORPUS:-$root/build/bench-corpus}
system=${VOZ_BENCH_SYSTEM_TREE:-$root/build/system-tree}
command -v makensis >/dev/null || { echo "install_bench: makensis is needed (package 'nsis')" >&2; exit 1; }
[ -d "$corpus" ] || "$root/../shared/bench/make_client_tree.sh" "$corpus" 1 >/dev/null
[ -d "$system" ] || python3 "$root/bench/make_system_tree.py" "$system" >/dev/null

work=$(mktemp -d "$root/build/install-bench.XXXXXX")
source "$root/bench/wine_session.sh" setup setup_driver
vozpack=$build/host/packer/vozpack
stub=${VOZ_BENCH_STUB:-$build/wizard/setup.exe}
before=${VOZ_BENCH_BEFORE_STUB:-}

. "$root/bench/tree_manifest.sh"

# The installed tree against its source: the same files with the same bytes,
# and with RECORDED=1 the source's last-write times.
check_tree() {  # label source installed check-times
  python3 - "$@" <<'PY'
import filecmp, os, sys
label, source, installed, with_times = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4] == "1"
problems = 0
for folder, _, names in os.walk(source):
    for name in names:
        a = os.path.join(folder, name)
        b = os.path.join(installed, os.path.relpath(a, source))
        same = os.path.isfile(b) and filecmp.cmp(a, b, shallow=False)
        if same and with_times:
            same = os.stat(a).st_mtime_ns // 1000000 == os.stat(b).st_mtime_ns // 1000000
        if not same:
            problems += 1
            if problems <= 5:
                print(f"{label}: {os.path.relpath(a, source)} differs", file=sys.stderr)
if problems:
    sys.exit(f"{label}: {problems} files differ from the tree")
PY
}

fresh() { rm -rf "$1"; sync; }
# The driver's "LABEL: N ms" line (Windows line ends); the run fails without it.
milliseconds() {  # label output
  local ms
  ms=$(tr -d '\r' <"$2" | sed -n "s/^$1: \([0-9]*\) ms$/\1/p")
  [ -n "$ms" ] || { cat "$2" >&2; echo "install_bench: no time from the driver" >&2; exit 1; }
  echo "$ms"
}

# Times a setup's installation into a folder, a row of the results.
time_setup() {  # tree-name row-label setup folder
  local dir=$work/$1
  wine "$driver" time "$(winpath "$3")" "$(winpath "$dir")" "$(winpath "$4")" >"$dir/run.txt" ||
    { cat "$dir/run.txt"; exit 1; }
  echo "$1 $2 $(milliseconds installation "$dir/run.txt")" >>"$work/results.txt"
}

bench_tree() {  # name tree
  local name=$1 tree=$2 dir=$work/$1
  mkdir -p "$dir"
  write_tree_manifest "$tree" "$dir/manifest.toml"
  "$vozpack" build "$dir/manifest.toml" -o "$dir/setup.exe" --stub "$stub" >/dev/null
  [ -z "$before" ] || "$vozpack" build "$dir/manifest.toml" -o "$dir/before-setup.exe" --stub "$before" >/dev/null
  if [ "$name" = corpus ]; then
    sed 's/^version = .*/version = "V6.3"/' "$dir/manifest.toml" >"$dir/later.toml"
    "$vozpack" build "$dir/later.toml" -o "$dir/later-setup.exe" --stub "$stub" >/dev/null
  fi
  [ "$nsis" = yes ] || { time_runs "$name" "$tree" "$dir"; return; }
  cat >"$dir/nsis.nsi" <<NSI
Unicode true
SetCompressor zlib
RequestExecutionLevel user
Name "bench"
OutFile "$dir/nsis-setup.exe"
InstallDir "C:\\nsis-bench"
Section
  SetOutPath "\$INSTDIR"
  File /r "$tree/*"
SectionEnd
NSI
  makensis -V1 "$dir/nsis.nsi" >/dev/null
  time_runs "$name" "$tree" "$dir"
}

# RUNS interleaved runs of each setup of a tree (the earlier stub's and this
# one's in turns first), and of its NSIS installer; then on the corpus RUNS
# upgrades, each over a fresh installation, so that they do not weigh on the
# fresh ones.
time_runs() {  # name tree dir
  local name=$1 tree=$2 dir=$3
  local ours=$dir/ours theirs=$dir/nsis ms order
  for ((i = 0; i < runs; i++)); do
    order="setup"
    [ -z "$before" ] || { [ $((i % 2)) -eq 0 ] && order="before setup" || order="setup before"; }
    for label in $order; do
      fresh "$ours"
      time_setup "$name" "$label" "$dir/$([ "$label" = setup ] || echo before-)setup.exe" "$ours"
      [ "$i" -gt 0 ] || [ "$label" != setup ] || check_tree "$name setup" "$tree" "$ours" 1
    done
    [ "$nsis" = yes ] || continue
    fresh "$theirs"
    wine "$driver" run-timed "$(winpath "$dir/nsis-setup.exe")" "$(winpath "$dir")" "/S /D=$(winpath "$theirs")" \
      >"$dir/run.txt" || { cat "$dir/run.txt"; exit 1; }
    ms=$(milliseconds run "$dir/run.txt")
    echo "$name nsis $ms" >>"$work/results.txt"
    [ "$i" -gt 0 ] || check_tree "$name NSIS" "$tree" "$theirs" 0
  done
  for ((i = 0; i < runs; i++)); do
    [ "$name" = corpus ] || break
    fresh "$ours"
    time_setup "$name" installed "$dir/setup.exe" "$ours"
    time_setup "$name" upgrade "$dir/later-setup.exe" "$ours"
    [ "$i" -gt 0 ] || check_tree "$name upgrade" "$tree" "$ours" 1
  done
  local files bytes
  files=$(find "$tree" -type f | wc -l)
  bytes=$(find "$tree" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
  echo "$name $files $bytes $(stat -c %s "$dir/setup.exe") $(stat -c %s "$dir/nsis-setup.exe" 2>/dev/null || echo 0)" \
    >>"$work/trees.txt"
}

# NSIS makes 32-bit installers, which only a machine that executes 32-bit code runs.
nsis=no
if runs_32bit; then
  nsis=yes
else
  echo "install_bench: this machine does not execute 32-bit programs, which NSIS installers are: the setup alone is timed"
fi
: >"$work/results.txt"
bench_tree corpus "$corpus"
bench_tree system "$system"

python3 - "$work/results.txt" "$work/trees.txt" "$runs" "$platform" <<'PY'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
trees = [line.split() for line in open(sys.argv[2])]
runs, platform = sys.argv[3], sys.argv[4]
print(f"{platform}; median of {runs} interleaved runs each; NSIS: SetCompressor zlib, /S")
print(f"{'tree':8} {'files':>6} {'MB':>6} {'setup MB':>9} {'NSIS MB':>8} {'setup s':>8} {'NSIS s':>7} {'ratio':>6}")
for name, files, size, ours_size, nsis_size in trees:
    times = {k: [int(r[2]) / 1000 for r in rows if r[0] == name and r[1] == k] for k in ("setup", "nsis")}
    ours = statistics.median(times["setup"])
    nsis = statistics.median(times["nsis"]) if times["nsis"] else float("nan")
    print(f"{name:8} {files:>6} {int(size) / 1e6:6.1f} {int(ours_size) / 1e6:9.1f} {int(nsis_size) / 1e6:8.1f} "
          f"{ours:8.2f} {nsis:7.2f} {ours / nsis:6.2f}")
    print(f"         setup runs {' '.join(f'{t:.2f}' for t in times['setup'])}; "
          f"NSIS runs {' '.join(f'{t:.2f}' for t in times['nsis'])}")
    for label, meaning in (("before", "the setup before the change"), ("upgrade", "the upgrade over it")):
        extra = [int(r[2]) / 1000 for r in rows if r[0] == name and r[1] == label]
        if extra:
            median = statistics.median(extra)
            ratio = f"; setup / before {ours / median:.2f}" if label == "before" else ""
            print(f"         {meaning}: {median:.2f} s{ratio}; runs {' '.join(f'{t:.2f}' for t in extra)}")
print("goal: ratio <= 0.70 on both trees")
PY
