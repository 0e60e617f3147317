#!/usr/bin/env bash
# Times `orlix mkiso` against genisoimage -J and xorriso -as mkisofs -J on
# three trees, and plain cat on the large files, and prints the ratios and
# the peak memory of each run.
#
#   bench/mkiso_vs_peers.sh [ORLIX_BINARY] [WORK_DIR]
#
# ORLIX_BINARY defaults to build/isobuilder-release/bin/orlix (configure it
# with -DCMAKE_BUILD_TYPE=Release -DORLIX_SANITIZE=OFF). WORK_DIR (default
# /tmp/orlix-bench) needs about 3 GiB; the trees are kept between runs.
# Each figure is the fastest of REPEAT runs (default 3; the peers run once on
# the one-folder tree, where they take minutes, and SKIP_SLOW_PEERS=1 leaves
# them out there).
set -euo pipefail
cd "$(dirname "$0")/.."
ORLIX=$(realpath "${1:-build/isobuilder-release/bin/orlix}")
WORK=${2:-/tmp/orlix-bench}
TIME=/usr/bin/time
for tool in "$ORLIX" genisoimage xorriso "$TIME"; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/deps.sh installs the packages)" >&2; exit 1; }
done
mkdir -p "$WORK"

make_trees() {
  if [ ! -f "$WORK/large/.done" ]; then
    echo "making 8 x 128 MiB files..." >&2
    rm -rf "$WORK/large" && mkdir -p "$WORK/large"
    for i in 1 2 3 4 5 6 7 8; do head -c $((128 << 20)) /dev/urandom >"$WORK/large/file$i.bin"; done
    touch "$WORK/large/.done"
  fi
  if [ ! -f "$WORK/many/.done" ]; then
    echo "making 65,000 1-KiB files in 500 folders..." >&2
    rm -rf "$WORK/many" && mkdir -p "$WORK/many"
    head -c 1024 /dev/urandom >"$WORK/kib"
    for d in $(seq -w 1 500); do
      mkdir "$WORK/many/folder$d"
      for f in $(seq -w 1 130); do cp "$WORK/kib" "$WORK/many/folder$d/file$f.dat"; done
    done
    touch "$WORK/many/.done"
  fi
  if [ ! -f "$WORK/onedir/.done" ]; then
    echo "making 65,000 files in one folder..." >&2
    rm -rf "$WORK/onedir" && mkdir -p "$WORK/onedir"
    (cd "$WORK/onedir" && seq -w 1 65000 | sed 's/^/file/; s/$/.dat/' | xargs -n 1000 sh -c 'for f; do cp ../kib "$f"; done' sh)
    touch "$WORK/onedir/.done"
  fi
}

# run NAME COMMAND...: prints "seconds peak_kib" of one run (files warmed).
run() {
  local name=$1; shift
  rm -f "$WORK/out.iso"
  sync
  "$TIME" -v "$@" 2>"$WORK/time.$name" >/dev/null || { echo "$name failed:" >&2; tail -20 "$WORK/time.$name" >&2; exit 1; }
  local wall rss
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$WORK/time.$name")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$WORK/time.$name")
  echo "$(echo "$wall" | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }') $rss"
}

# best NAME COMMAND...: the fastest of $REPEAT runs, with its peak memory.
best() {
  local name=$1 r out min=""; shift
  for ((r = 0; r < ${REPEAT:-3}; r++)); do
    out=$(run "$name" "$@")
    if [ -z "$min" ] || awk -v a="${out% *}" -v b="${min% *}" 'BEGIN { exit !(a < b) }'; then min=$out; fi
  done
  echo "$min"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

bench_tree() {
  local tree=$1 with_peers=$2
  local src="$WORK/$tree"
  # Warm the page cache so every tool reads the same way.
  find "$src" -type f -exec cat {} + >/dev/null
  local o g x c
  o=$(best orlix "$ORLIX" mkiso -q -o "$WORK/out.iso" "$src")
  echo "$tree: orlix mkiso        $(echo "$o" | awk '{ printf "%7.2f s  %7.1f MiB", $1, $2 / 1024 }')"
  if [ "$tree" = large ]; then
    c=$(best cat sh -c "cat '$src'/*.bin >'$WORK/out.iso'")
    echo "$tree: cat                $(echo "$c" | awk '{ printf "%7.2f s  %7.1f MiB", $1, $2 / 1024 }')"
    echo "$tree: orlix / cat        $(ratio "${o% *}" "${c% *}")  (target <= 1.2)"
  fi
  if [ "$with_peers" = 1 ]; then
    # Minutes per run on the one-folder tree: once is enough there.
    local REPEAT=${REPEAT:-3}
    [ "$tree" = onedir ] && REPEAT=1
    g=$(best genisoimage genisoimage -J -quiet -o "$WORK/out.iso" "$src")
    echo "$tree: genisoimage -J     $(echo "$g" | awk '{ printf "%7.2f s  %7.1f MiB", $1, $2 / 1024 }')"
    x=$(best xorriso xorriso -as mkisofs -J -quiet -o "$WORK/out.iso" "$src")
    echo "$tree: xorriso -as mkisofs $(echo "$x" | awk '{ printf "%6.2f s  %7.1f MiB", $1, $2 / 1024 }')"
    echo "$tree: orlix / genisoimage $(ratio "${o% *}" "${g% *}")   orlix / xorriso $(ratio "${o% *}" "${x% *}")"
  fi
  rm -f "$WORK/out.iso"
}

make_trees
# The markers would be added as files; move them aside while timing.
for t in large many onedir; do mv "$WORK/$t/.done" "$WORK/$t.done"; done
trap 'for t in large many onedir; do [ -f "$WORK/$t.done" ] && mv "$WORK/$t.done" "$WORK/$t/.done"; done' EXIT
bench_tree large 1
bench_tree many 1
if [ "${SKIP_SLOW_PEERS:-0}" = 1 ]; then bench_tree onedir 0; else bench_tree onedir 1; fi
echo "targets: large within 1.2x of cat; many under 0.8x of genisoimage and 48 MiB; onedir under 2 s"
