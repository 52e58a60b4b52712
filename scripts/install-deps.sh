#!/usr/bin/env bash
# Installs everything the build, the tests and the benchmarks need on Debian 12.
# Idempotent: packages already present are left alone, so a second run is quick.
set -euo pipefail
source "$(dirname "$0")/machine.sh"

packages=(
  build-essential cmake ninja-build pkg-config python3
  clang-14 libclang-rt-14-dev llvm-14
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libtomlplusplus-dev
  nlohmann-json3-dev zlib1g-dev lz4
  wine64 xvfb xauth x11-utils imagemagick fonts-wqy-zenhei fonts-arphic-uming locales
  liblnk-utils time osslsigncode libssl-dev
  nsis  # the yardstick of bench/install_bench.sh
)
# Where the kernel executes 32-bit programs, 32-bit Wine runs the shipped i686
# setup itself; it comes from the i386 architecture.
if runs_32bit; then
  packages+=(wine32:i386)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages (${missing[*]}); run as root" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  if [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -o DPkg::Lock::Timeout=600 -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine reads code page 936 from a Chinese locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
