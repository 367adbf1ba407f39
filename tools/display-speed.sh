#!/usr/bin/env bash
# Whole-process speed of the outputs for displays on a 6000 x 4000 JPEG pair
# (tools/speed/lib.sh photo_pair): `layout sbs` to JPEG and the 1200-pixel
# wiggle GIF and WebP against `anaglyph` to JPEG of the same pair, medians of
# 7 runs taken in turn; every output a new file.
#   tools/display-speed.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/speed/lib.sh"
speed_setup "${1:-$root/build}" display
photo_pair "$T"
pair=("$T/L.jpg" "$T/R.jpg" --dx 8 --dy 2)
jobs=("anaglyph -o $T/out.jpg" "layout sbs -o $T/sbs.jpg" "wiggle -o $T/out.gif" "wiggle -o $T/out.webp")
for run in 1 2 3 4 5 6 7; do
  for i in "${!jobs[@]}"; do
    rm -f "$T"/out.* "$T/sbs.jpg"
    ms "$cli" ${jobs[$i]} "${pair[@]}" >>"$T/times.$i"
  done
done
base=$(cut -d' ' -f1 "$T/times.0" | median)
echo "wall time, medians of 7 (processor time in brackets):"
for i in "${!jobs[@]}"; do
  wall=$(cut -d' ' -f1 "$T/times.$i" | median) cpu=$(cut -d' ' -f2 "$T/times.$i" | median)
  printf '  %-12s %-5s %5s ms (%s ms)  %s x anaglyph\n' "${jobs[$i]%% -o *}" "${jobs[$i]##*.}" "$wall" "$cpu" "$(ratio "$wall" "$base")"
done
