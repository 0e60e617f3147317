#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test; then builds the threads' tests (recording, erasing, the
# framework) with ThreadSanitizer and runs them again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORLIX_SANITIZE=ON >/dev/null
cmake --build build/test
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/test --output-on-failure -j"$(nproc)"

cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORLIX_SANITIZE_THREAD=ON >/dev/null
cmake --build build/tsan --target orlix_vrecorder test_framework test_device test_burner
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
ctest --test-dir build/tsan --output-on-failure -j"$(nproc)" -L '^(framework|device|burner)$'
