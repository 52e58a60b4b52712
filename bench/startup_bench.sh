#!/usr/bin/env bash
# Compares two setups' start-up under Wine: the time from the creation of the
# setup's process to its visible welcome window, and the peak working set and
# peak commit of its process by then. setup_driver starts each setup, reads
# its memory counters (GetProcessMemoryInfo) once the welcome window shows and
# ends it with "退出安装".
#
#   bench/startup_bench.sh BEFORE-SETUP.exe AFTER-SETUP.exe
#
# Typically the same package built with an earlier stub and with the current
# one (vozpack build MANIFEST -o FILE --stub STUB). The driver is the shipped
# i686 build under 32-bit Wine where this machine executes 32-bit code, else
# the x86-64 build under 64-bit Wine. Both setups run in the same Wine prefix
# with one wineserver kept running, interleaved (before, after, before, ...),
# after one unmeasured run of each.
#
# The working set counts shared file pages too (fonts, the theme file), and how
# many of those are resident can depend on where they are mapped: under Wine a
# file mapped at a 2 MiB boundary may be mapped with one large page, all of it
# resident. The peak commit is the process's private memory alone.
#
# Prints the medians (and the fastest start) of RUNS runs of each and the
# ratios after / before.
# Environment: RUNS (default 15), VOZ_BENCH_WIN_BUILD (default build/win32 or
# build/win64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -ne 2 ]; then
  echo "usage: bench/startup_bench.sh BEFORE-SETUP.exe AFTER-SETUP.exe" >&2
  exit 2
fi
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
runs=${RUNS:-15}
work=$(mktemp -d "$root/build/startup-bench.XXXXXX")
source "$root/bench/wine_session.sh" setup_driver
cp "$1" "$work/before.exe"
cp "$2" "$work/after.exe"

# One start of a setup; appends "NAME MICROSECONDS WORKING-SET-KIB COMMIT-KIB"
# to the results unless told not to record.
measure() {  # name record
  local out=$work/run.txt
  wine "$driver" startup "$(winpath "$work/$1.exe")" "$(winpath "$work")" >"$out" || { cat "$out" >&2; exit 1; }
  local us ws commit
  us=$(tr -d '\r' <"$out" | sed -n 's/^startup: \([0-9]*\) us$/\1/p')
  ws=$(tr -d '\r' <"$out" | sed -n 's/^peak working set: \([0-9]*\) KiB$/\1/p')
  commit=$(tr -d '\r' <"$out" | sed -n 's/^peak commit: \([0-9]*\) KiB$/\1/p')
  [ -n "$us" ] && [ -n "$ws" ] && [ -n "$commit" ] || { cat "$out" >&2; echo "startup_bench: no figures from the driver" >&2; exit 1; }
  [ "$2" = 0 ] || echo "$1 $us $ws $commit" >>"$work/results.txt"
}

: >"$work/results.txt"
measure before 0
measure after 0
for ((i = 0; i < runs; i++)); do
  measure before 1
  measure after 1
done

python3 - "$work/results.txt" "$runs" "$platform" <<'PY'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
runs, platform = sys.argv[2], sys.argv[3]
def values(name, column):
    return [int(r[column]) for r in rows if r[0] == name]
print(f"setup start-up to the welcome window, {platform}; {runs} interleaved runs each")
print(f"{'':30} {'before':>10} {'after':>10} {'after/before':>13}")
# The fastest start is the one least disturbed by other work on the machine.
for label, column, unit, scale, pick in (("start-up, median", 1, "ms", 1000, statistics.median),
                                         ("start-up, fastest", 1, "ms", 1000, min),
                                         ("peak working set, median", 2, "MiB", 1024, statistics.median),
                                         ("peak commit, median", 3, "MiB", 1024, statistics.median)):
    before, after = pick(values("before", column)), pick(values("after", column))
    print(f"{label + ' (' + unit + ')':30} {before / scale:10.1f} {after / scale:10.1f} {after / before:13.3f}")
for name in ("before", "after"):
    print(f"{name} runs (ms/MiB): " +
          " ".join(f"{int(r[1]) / 1000:.0f}/{int(r[2]) / 1024:.1f}" for r in rows if r[0] == name))
PY
