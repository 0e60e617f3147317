#!/usr/bin/env bash
# Times reading sessions back: importing and listing a session of 65,000
# files (`orlix ls -l` of the whole tree) against `xorriso -indev IMG -find /
# -type f`, and extracting a 1 GiB file with `orlix extract` against `cp` of
# the disc file (and, for reference, dd in blocks of one READ). Both discs are images loaded into the virtual recorder as
# pressed DVDs. Prints each figure (the fastest of REPEAT runs, default 3)
# and the ratios.
#
#   bench/import_extract.sh [ORLIX_BINARY] [WORK_DIR]
#
# ORLIX_BINARY defaults to build/release/bin/orlix. WORK_DIR (default
# /tmp/orlix-bench-import) needs about 3.5 GiB; trees and images are kept
# between runs.
set -euo pipefail
cd "$(dirname "$0")/.."
ORLIX=$(realpath "${1:-build/release/bin/orlix}")
WORK=${2:-/tmp/orlix-bench-import}
REPEAT=${REPEAT:-3}
for tool in "$ORLIX" xorriso cp; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/deps.sh installs the packages)" >&2; exit 1; }
done
mkdir -p "$WORK"

if [ ! -f "$WORK/many.iso" ]; then
  echo "making 65,000 small files in 500 folders and their image..." >&2
  rm -rf "$WORK/many" && mkdir -p "$WORK/many"
  head -c 700 /dev/urandom >"$WORK/small"
  for d in $(seq -w 1 500); do
    mkdir "$WORK/many/folder $d"
    for f in $(seq -w 1 130); do cp "$WORK/small" "$WORK/many/folder $d/file $f.dat"; done
  done
  "$ORLIX" mkiso -q -o "$WORK/many.iso" "$WORK/many"
fi
if [ ! -f "$WORK/large.iso" ]; then
  echo "making a 1 GiB file and its image..." >&2
  rm -rf "$WORK/large" && mkdir -p "$WORK/large"
  head -c $((1 << 30)) /dev/urandom >"$WORK/large/big.bin"
  "$ORLIX" mkiso -q -o "$WORK/large.iso" "$WORK/large"
fi
# The pressed discs are made once (the recorder copies the image), outside the timings.
rm -f "$WORK/many.disc" "$WORK/many.disc.desc" "$WORK/large.disc" "$WORK/large.disc.desc"
"$ORLIX" vdisc create "$WORK/many.disc" --profile dvd-rom --image "$WORK/many.iso" >/dev/null
"$ORLIX" vdisc create "$WORK/large.disc" --profile dvd-rom --image "$WORK/large.iso" >/dev/null
MANY="virtual:$WORK/many.disc"
LARGE="virtual:$WORK/large.disc"

# Seconds of the fastest of REPEAT runs of a command (its output dropped).
fastest() {
  local best="" t
  for _ in $(seq "$REPEAT"); do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  printf '%.3f' "$best"
}

entries=$("$ORLIX" ls -q -d "$MANY" | wc -l)
ls_s=$(fastest "$ORLIX" ls -q -l -d "$MANY")
find_s=$(fastest xorriso -indev "$WORK/many.iso" -find / -type f)
rm -rf "$WORK/out" && mkdir -p "$WORK/out"
extract_s=$(fastest "$ORLIX" extract -q -d "$LARGE" /big.bin "$WORK/out/big.bin")
cmp -s "$WORK/out/big.bin" "$WORK/large/big.bin" || { echo "the extracted file differs" >&2; exit 1; }
cp_s=$(fastest cp "$WORK/large.disc" "$WORK/out/disc-copy")
# cp copies inside the kernel (copy_file_range); a drive's data must pass
# through the program. dd in 31-sector blocks, the size of one READ, shows
# what such a copy costs on this machine at this moment.
dd_s=$(fastest dd if="$WORK/large.disc" of="$WORK/out/disc-dd" bs=63488 status=none)
rm -rf "$WORK/out"

printf '%-52s %8s s\n' "orlix ls -l, whole tree ($entries entries)" "$ls_s"
printf '%-52s %8s s\n' "xorriso -indev IMG -find / -type f" "$find_s"
printf '%-52s %8.2f x  (goal: at most 2)\n' "ratio" "$(awk -v a="$ls_s" -v b="$find_s" 'BEGIN { print a / b }')"
printf '%-52s %8s s\n' "orlix extract of 1 GiB" "$extract_s"
printf '%-52s %8s s\n' "cp of the disc file" "$cp_s"
printf '%-52s %8.2f x  (goal: at most 1.3)\n' "ratio" "$(awk -v a="$extract_s" -v b="$cp_s" 'BEGIN { print a / b }')"
printf '%-52s %8s s\n' "dd of the disc file, 62 KiB blocks (for reference)" "$dd_s"
printf '%-52s %8.2f x\n' "ratio to dd" "$(awk -v a="$extract_s" -v b="$dd_s" 'BEGIN { print a / b }')"
