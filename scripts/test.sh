#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test, those against the kernel's own CD driver in a guest on
# their own afterwards; then builds the threads' tests (recording, erasing,
# the framework) with ThreadSanitizer and runs them again; then builds the
# fuzz targets with clang and runs each for a fixed time. Between the two,
# it installs the library and tool and uses them as an application would.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORLIX_SANITIZE=ON -DORLIX_WERROR=ON >/dev/null
cmake --build build/test
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/test --output-on-failure -j"$(nproc)" -LE '^kernel_drive$'
# One emulated machine at a time: each boots a guest that wants a core.
ctest --test-dir build/test --output-on-failure -L '^kernel_drive$'

cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORLIX_SANITIZE_THREAD=ON -DORLIX_WERROR=ON >/dev/null
cmake --build build/tsan --target orlix_vrecorder test_framework test_device test_burner
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
ctest --test-dir build/tsan --output-on-failure -j"$(nproc)" -L '^(framework|device|burner)$'

# The Windows build (mingw-w64, release, no sanitizers) and its unit tests
# under wine in a throw-away prefix; prints how many ran.
scripts/wine_tests.sh

# The installed package, used as an application outside this tree uses it:
# a release build of the library alone, in a temporary prefix and as a
# Debian package (scripts/check_install.sh).
scripts/check_install.sh

# The fuzz targets in a clang build of their own, each for a fixed time
# ($ORLIX_FUZZ_SECONDS, 60 by default). An input that fails one is kept in
# fuzz/regressions/NAME, where the normal test run replays it once committed,
# and fails this script.
CC=clang-14 CXX=clang++-14 cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORLIX_FUZZ=ON \
  -DORLIX_TESTS=OFF -DORLIX_WERROR=ON >/dev/null
cmake --build build/fuzz --target fuzz_import orlix_vrecorder
mkdir -p build/fuzz/corpus/import fuzz/regressions/import
build/fuzz/bin/fuzz_import -max_total_time="${ORLIX_FUZZ_SECONDS:-60}" -max_len=65536 -print_final_stats=1 \
  -artifact_prefix=fuzz/regressions/import/ build/fuzz/corpus/import fuzz/corpus/import
