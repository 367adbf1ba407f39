#!/usr/bin/env bash
# Whole-process speed of camera-file work on 6000 x 4000 photo-like pairs
# saved by `cjpeg -quality 92` (the right view cut 8, 2 pixels further), the
# smooth plasma and the same with a sensor's noise (tools/speed/lib.sh): the
# JPEG anaglyph against the codec floor (djpeg of each view and cjpeg of one
# 24 MP picture, one after another), medians of 7 paired runs, with peak
# memory; every output a new file.
#   tools/jpeg-speed.sh [BUILD_DIR]   (default: build)
# BEFORE=path/to/binoxa-cli adds an earlier binoxa-cli to the same runs and
# checks that it writes the same bytes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/speed/lib.sh"
speed_setup "${1:-$root/build}" jpeg

floor() { djpeg "$L" >/dev/null && djpeg "$R" >/dev/null && cjpeg -quality 92 "$T/l.ppm" >"$T/floor.jpg"; }
export -f floor
before=${BEFORE:-}
for pair in plasma noisy; do
  photo_pair "$T" "$([ $pair = plasma ] || echo 0.22)"
  echo "$pair pair: $(($(stat -c %s "$T/L.jpg") / 1000)) kB a view"
  L=$T/L.jpg R=$T/R.jpg
  job=(anaglyph "$L" "$R" --dx 8 --dy 2 --method dubois-red-cyan -o)
  export L R T
  [ -z "$before" ] || same_output "$T/cli.jpg" "$T/before.jpg" "$cli" "$before" "${job[@]}"

  : >"$T/floor" >"$T/cli" >"$T/before"
  for run in 1 2 3 4 5 6 7; do
    rm -f "$T/cli.jpg" "$T/before.jpg" "$T/floor.jpg"
    ms bash -c floor >>"$T/floor"
    ms "$cli" "${job[@]}" "$T/cli.jpg" >>"$T/cli"
    [ -z "$before" ] || ms "$before" "${job[@]}" "$T/before.jpg" >>"$T/before"
  done
  for column in 1 2; do
    f=$(cut -d' ' -f$column "$T/floor" | median) c=$(cut -d' ' -f$column "$T/cli" | median)
    [ $column = 1 ] && echo "wall time, medians of 7:" || echo "processor time, medians of 7:"
    echo "  codec floor:  $f ms"
    echo "  binoxa-cli:   $c ms   ($(ratio "$c" "$f") x the floor)"
    [ -z "$before" ] || {
      b=$(cut -d' ' -f$column "$T/before" | median)
      echo "  before:       $b ms   ($(ratio "$b" "$f") x the floor)"
    }
  done
  rm -f "$T/cli.jpg" "$T/before.jpg"
  echo "peak memory: binoxa-cli $(peak "$cli" "${job[@]}" "$T/cli.jpg") MiB"
  [ -z "$before" ] || echo "             before $(peak "$before" "${job[@]}" "$T/before.jpg") MiB"
done
