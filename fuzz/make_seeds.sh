#!/usr/bin/env bash
# Makes the import target's seeds in corpus/import: small discs written by
# orlix and by other tools (Rock Ridge and XA system use included), each
# from sector 16 on and cut to 64 KiB. Run from a build that has bin/orlix.
set -euo pipefail
orlix=${1:?usage: make_seeds.sh PATH/TO/orlix}
here=$(cd "$(dirname "$0")" && pwd)
out=$here/corpus/import
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/src/sub/deeper" "$out"
printf 'a' >"$scratch/src/a.txt"
printf 'bb' >"$scratch/src/A long name with spaces.text"
printf 'c' >"$scratch/src/sub/c"
printf 'd' >"$scratch/src/sub/deeper/Ünïcødé.txt"
cut() { dd if="$1" of="$out/$2" bs=2048 skip=16 count=32 status=none; }
"$orlix" mkiso -q --date 2001-02-03 -o "$scratch/orlix.iso" "$scratch/src" && cut "$scratch/orlix.iso" orlix-joliet
"$orlix" mkiso -q --date 2001-02-03 --xa --no-joliet -o "$scratch/xa.iso" "$scratch/src" && cut "$scratch/xa.iso" orlix-xa-iso
genisoimage -quiet -J -o "$scratch/g.iso" "$scratch/src" && cut "$scratch/g.iso" genisoimage-joliet
genisoimage -quiet -R -J -o "$scratch/gr.iso" "$scratch/src" && cut "$scratch/gr.iso" genisoimage-rockridge
xorriso -outdev "$scratch/x.iso" -joliet on -map "$scratch/src" / >/dev/null 2>&1 && cut "$scratch/x.iso" xorriso-joliet
