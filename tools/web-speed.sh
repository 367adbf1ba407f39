#!/usr/bin/env bash
# Whole-process speed and size of binoxa-cli web on a 6000 x 4000 photo-like
# pair saved by `cjpeg -quality 92` (the right view cut 8, 2 pixels
# further), at the default width and quality 92, against `binoxa-cli layout
# sbs` of the same pair to a JPEG (decodes both views and writes one 48 MP
# JPEG), medians of 7 paired runs; then the size of each view in the page.
#   tools/web-speed.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/speed/lib.sh"
speed_setup "${1:-$root/build}" web

photo_pair "$T"
pair=("$T/L.jpg" "$T/R.jpg" --dx 8 --dy 2 --quality 92)
: >"$T/web" >"$T/sbs"
for run in 1 2 3 4 5 6 7; do
  rm -f "$T/page.html" "$T/sbs.jpg"
  ms "$cli" layout sbs "${pair[@]}" -o "$T/sbs.jpg" >>"$T/sbs"
  ms "$cli" web "${pair[@]}" -o "$T/page.html" >>"$T/web"
done
kinds=(wall processor)
for column in 1 2; do
  s=$(cut -d' ' -f$column "$T/sbs" | median) w=$(cut -d' ' -f$column "$T/web" | median)
  echo "${kinds[column - 1]} time, medians of 7: layout sbs $s ms, web $w ms ($(ratio "$w" "$s") x)"
done
echo "page: $(stat -c %s "$T/page.html") bytes"
for side in left right; do
  bytes=$(grep -o "<img id=\"$side\"[^>]*" "$T/page.html" | sed 's/.*base64,//; s/"$//' | base64 -d | wc -c)
  echo "  $side view: $bytes bytes of JPEG"
done
echo "peak memory, web: $(peak "$cli" web "${pair[@]}" -o "$T/page.html") MiB"
