#!/usr/bin/env bash
# Builds orlix (release) and runs the main job on this repository's sources.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DORLIX_TESTS=OFF >/dev/null
cmake --build build/release
build/release/bin/orlix tree "$@" "${ORLIX_DEMO_PATHS:-$PWD/framework}"
