#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a fixed time
# (FUZZ_SECONDS, default 30) on its seed corpus. New inputs go to a scratch
# corpus in the build folder; a crash leaves its input there and fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
seconds=${FUZZ_SECONDS:-30}
cmake -S "$root" -B "$build" -G Ninja -DVOZ_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
ninja -C "$build" $(cd "$root/fuzz" && ls *_fuzzer.cpp | sed 's/\.cpp$//') >/dev/null
status=0
for src in "$root"/fuzz/*_fuzzer.cpp; do
  name=$(basename "$src" .cpp)
  seeds=$root/fuzz/corpus/${name%_fuzzer}
  scratch=$build/corpus/$name
  mkdir -p "$scratch" "$build/crashes"
  echo "fuzzing $name for ${seconds}s"
  if ! "$build/fuzz/$name" -max_total_time="$seconds" -print_final_stats=0 -artifact_prefix="$build/crashes/$name-" \
      "$scratch" "$seeds" > "$build/$name.log" 2>&1; then
    tail -40 "$build/$name.log"
    status=1
  else
    grep -E '^Done [0-9]+ runs' "$build/$name.log" || true
  fi
done
exit $status
