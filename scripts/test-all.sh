#!/usr/bin/env bash
# Runs every test: the native unit tests under AddressSanitizer and UBSan, the
# Windows tests under Wine for the x86-64 build and, where this machine
# executes 32-bit code, for the shipped i686 build too (elsewhere the i686
# programs are built and size-checked only), and each fuzzer for a short
# fixed time. Installs what it needs first.
# Ends with one line "N passed, N failed"; exits non-zero when anything failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh || exit 1
source scripts/machine.sh

passed=0
failed=0
count() {  # name status
  if [ "$2" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1"; fi
}
# Runs a configured build's tests and adds ctest's counts to the totals.
run_ctest() {  # build-dir label
  local log=$1/ctest.log
  (cd "$1" && ctest --output-on-failure -j2 --timeout 900) > "$log" 2>&1
  local status=$?
  tail -n 25 "$log"
  local summary
  summary=$(grep -oE '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$summary" ]; then
    count "$2 (no test summary)" 1
    return
  fi
  local bad total
  bad=$(echo "$summary" | awk '{print $1}')
  total=$(echo "$summary" | awk '{print $NF}')
  passed=$((passed + total - bad))
  failed=$((failed + bad))
  [ "$status" -eq 0 ] || [ "$bad" -gt 0 ] || count "$2 (ctest exit $status)" 1
}
configure_and_build() {  # build-dir label cmake-args...
  local dir=$1 label=$2
  shift 2
  if cmake -S "$root" -B "$dir" -G Ninja "$@" > "$dir.configure.log" 2>&1 && ninja -C "$dir" > "$dir.build.log" 2>&1; then
    return 0
  fi
  tail -n 40 "$dir.configure.log" "$dir.build.log" 2>/dev/null
  count "$label build" 1
  return 1
}

mkdir -p build
echo "== native unit tests (ASan + UBSan)"
if configure_and_build build/asan "native" -DVOZ_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug; then
  run_ctest build/asan "native tests"
fi

echo "== Windows tests under Wine (x86-64 build)"
if configure_and_build build/win64 "win64" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake; then
  run_ctest build/win64 "Windows tests"
fi

# The i686 stub's size is checked when it links (cmake/pad_stub.cmake).
if runs_32bit; then
  echo "== Windows tests under Wine (shipped i686 build; this machine executes 32-bit code)"
  if configure_and_build build/win32 "win32" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake; then
    run_ctest build/win32 "i686 Windows tests"
  fi
else
  echo "== shipped i686 Windows build"
  configure_and_build build/win32 "win32" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake && count "win32 build" 0
  echo "this machine cannot execute 32-bit code: the i686 programs were built and size-checked but not run"
fi

echo "== Debian package: installed vozpack packs the sample"
if [ -f build/win32/wizard/setup.exe ] && bash scripts/package-test.sh; then
  count "Debian package" 0
else
  count "Debian package" 1
fi

echo "== fuzzers"
if FUZZ_SECONDS=${FUZZ_SECONDS:-30} bash scripts/run-fuzzers.sh; then
  count "fuzzers" 0
else
  count "fuzzers" 1
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
