#!/usr/bin/env bash
# Installs what building and testing need, once: packages already present are
# not fetched again.
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libcli11-dev libxxhash-dev
          tzdata
          # outside readers that check our images, and tools the tests and
          # benchmarks use
          genisoimage xorriso 7zip libcdio-utils python3-pycdlib jq time
          # the fuzz targets' compiler and libFuzzer
          clang-14 libclang-rt-14-dev
          # building and checking the installed package and the .deb
          pkgconf bash-completion dpkg-dev file)
# The kernel-drive tests' guest: QEMU, a kernel with its modules, a static
# busybox and what packs its RAM disc; without the recommended desktop parts.
guest_packages=(qemu-system-x86 linux-image-amd64 busybox-static cpio kmod)
# The Windows build and its tests under wine (scripts/wine_tests.sh):
# mingw-w64 with posix threads, wine and GoogleTest's sources; like the
# guest's, without the recommended extras.
guest_packages+=(g++-mingw-w64-x86-64 wine wine64 googletest)
missing=()
missing_guest=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
for p in "${guest_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing_guest+=("$p")
done
[ ${#missing[@]} -eq 0 ] && [ ${#missing_guest[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
if [ ${#missing_guest[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing_guest[@]}"
fi
