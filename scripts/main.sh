#!/usr/bin/env bash
# Builds orlix (release) and runs the main job: an ISO 9660 + Joliet image of
# the given folders (this repository's sources by default), checked by an
# outside reader, then the embedded virtual recorder's drive and disc facts.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DORLIX_TESTS=OFF >/dev/null
cmake --build build/release
orlix=build/release/bin/orlix
out=build/demo
mkdir -p "$out"
[ $# -gt 0 ] || set -- --dest '\FRAMEWORK' framework --dest '\ISO' iso --dest '\BURNER' burner
"$orlix" mkiso -o "$out/demo.iso" -V ORLIX_DEMO "$@"
isoinfo -d -i "$out/demo.iso" | grep -E '^(Volume id|Volume size|Joliet)'
# The embedded default drive: a virtual DVD+RW kept in a disc file.
[ -f "$out/disc.img" ] || "$orlix" vdisc create "$out/disc.img" --profile dvd+rw
"$orlix" info -d "virtual:$out/disc.img"
