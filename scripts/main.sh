#!/usr/bin/env bash
# Builds orlix (release) and runs the main job: records the given folders
# (this repository's sources by default) on the embedded virtual recorder
# with `orlix burn --verify`, shows the disc with `orlix info`, and checks it
# with outside readers: isoinfo, a xorriso listing, and every file extracted
# by osirrox compared with its source.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DORLIX_TESTS=OFF >/dev/null
cmake --build build/release
orlix=build/release/bin/orlix
out=build/demo
disc="$out/disc.img"
mkdir -p "$out"

# PATHs with their image folders: the source folders by default.
if [ $# -eq 0 ]; then
  for d in platform framework messages streams transport device iso burner dragdrop vrecorder cli; do
    set -- "$@" --dest "\\${d^^}" "$d"
  done
fi

# A blank DVD+RW each run: the disc of the last run is erased, or a new one made.
if [ -f "$disc" ] && ! "$orlix" erase -q -d "virtual:$disc,op-ms=0" >/dev/null; then
  rm -f "$disc" "$disc.desc"
fi
[ -f "$disc" ] || "$orlix" vdisc create "$disc" --profile dvd+rw >/dev/null
drive="virtual:$disc,profile=dvd+rw,op-ms=0"
"$orlix" burn --verify -V ORLIX_DEMO -d "$drive" "$@"
"$orlix" info -d "$drive" | grep -E '^(disc|status|used|free):'

isoinfo -d -i "$disc" | grep -E '^(Volume id|Volume size|Joliet)'
echo "files on the disc: $(xorriso -indev "$disc" -find / -type f 2>/dev/null | wc -l)"
rm -rf "$out/extracted"
osirrox -indev "$disc" -extract / "$out/extracted" 2>/dev/null
if [ $# -eq 1 ] && [ -d "$1" ]; then
  diff -r "$1" "$out/extracted"
  echo "every file reads back as its source"
elif [ "${1:-}" = --dest ]; then
  # Each source folder against its image folder.
  while [ $# -ge 3 ] && [ "$1" = --dest ]; do
    diff -r "$3" "$out/extracted/${2#\\}"
    shift 3
  done
  echo "every file reads back as its source"
fi
