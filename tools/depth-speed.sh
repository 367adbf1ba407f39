#!/usr/bin/env bash
# Whole-process speed and peak memory of binoxa-cli depth on a 24 MP pair of
# photos (the Fujifilm W3 MPO of tests/fetch-mpos.sh, its views enlarged to
# 6000 x 4000 by ImageMagick and saved as JPEG), beside binoxa-cli left of the
# same pair (reading both and writing a picture: the floor depth stands on),
# medians of 5 paired runs.
#   tools/depth-speed.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/speed/lib.sh"
build=$(cd "${1:-$root/build}" && pwd)
speed_setup "$build" depth-speed
BINOXA_BIN=$build bash "$root/tests/fetch-mpos.sh"
mpo=$build/testdata/pillow/fujifilm.mpo
"$cli" left "$mpo" --dx 0 --dy 0 -o "$T/l.png"
"$cli" right "$mpo" --dx 0 --dy 0 -o "$T/r.png"
for side in l r; do convert "$T/$side.png" -resize '6000x4000!' -quality 92 "$T/$side.jpg"; done
read -r dx dy < <("$cli" align "$T/l.jpg" "$T/r.jpg" --no-correct 2>/dev/null)
args=("$T/l.jpg" "$T/r.jpg" --dx "$dx" --dy "$dy")

: >"$T/depth" >"$T/left"
for _ in 1 2 3 4 5; do
  ms "$cli" depth "${args[@]}" -o "$T/d.png" >>"$T/depth"
  ms "$cli" left "${args[@]}" -o "$T/l.bmp" >>"$T/left"
done
wall() { cut -d' ' -f1 "$1" | median; }
cpu() { cut -d' ' -f2 "$1" | median; }
echo "position $dx $dy"
echo "depth: $(wall "$T/depth") ms wall, $(cpu "$T/depth") ms processor, $(peak "$cli" depth "${args[@]}" -o "$T/d.png") MiB"
echo "left:  $(wall "$T/left") ms wall, $(cpu "$T/left") ms processor, $(peak "$cli" left "${args[@]}" -o "$T/l.bmp") MiB"
echo "depth / left (wall): $(ratio "$(wall "$T/depth")" "$(wall "$T/left")")"
