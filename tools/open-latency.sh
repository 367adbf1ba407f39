#!/usr/bin/env bash
# Measures the real window under a private X server opening a 24-megapixel
# stereo photo (an MPO of two 6000 x 4000 views) with Fit to window on: the
# time to the first painted picture and to the painted full views, from the
# confirmation of the file dialog and from its return with the file (the
# open command proper; traced by programs that trace it, else the same).
# Medians of 5 runs.
#   tools/open-latency.sh [BUILD_DIR]   (default: build)
# BEFORE=path/to/binoxa measures an earlier program in the same runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BINOXA_BIN=${1:-$root/build}
source "$root/tests/e2e/lib.sh"
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

convert -seed 7 -size 6008x4002 plasma:fractal -blur 0x1 "$T/scene.ppm"
convert "$T/scene.ppm" -crop 6000x4000+0+0 +repage "$WORK/l.png"
convert "$T/scene.ppm" -crop 6000x4000+8+2 +repage "$WORK/r.png"
"$BINOXA_BIN/cli/binoxa-cli" pair "$WORK/l.png" "$WORK/r.png" --dx 0 --dy 0 -o "$WORK/photo.mpo"
printf '[Binoxa]\nFIT=1\n' >"$BINOXA_PROFILE"
SCREEN=2000x1300x24 start_x

# one_open PROGRAM: "first full" in ms for one opening of the photo.
one_open() {
  BINOXA=$1
  start_binoxa
  keys ctrl+m
  local dialog
  dialog=$(wait_window "Select a file")
  focus "$dialog"
  xdotool key --clearmodifiers ctrl+l ctrl+a
  xdotool type --delay 2 "$WORK/photo.mpo"
  sleep 0.5
  : >"$T/mark"
  local t0
  t0=$(date +%s%6N)
  xdotool key Return
  wait_for 60 "the photo's caption" caption_is "Binoxa - left: $WORK/photo.mpo - right: $WORK/photo.mpo"
  sleep 1
  awk -v t0="$t0" '
    $1 == "binoxa-trace" && $3 >= t0 && $2 == "chosen" { chosen = $3 }
    $1 == "binoxa-trace" && $3 >= t0 && $2 == "posted" { posted = $3 }
    $1 == "binoxa-trace" && $3 >= t0 && $2 == "paint" {
      if (!first) first = $3
      if (posted && !full) full = $3 }
    END { if (!full) full = first; if (!chosen) chosen = t0
          print (first - t0) / 1000, (full - t0) / 1000, (first - chosen) / 1000, (full - chosen) / 1000 }' "$TRACE"
  [ -z "${KEEP_TRACE:-}" ] || cp "$TRACE" "$KEEP_TRACE"
  menu_exit
  wait_exit
  rm -f "$WORK"/photo.*POS
}

for program in "$BINOXA_BIN/ui/binoxa" ${BEFORE:+"$BEFORE"}; do
  : >"$T/runs"
  for run in 1 2 3 4 5; do one_open "$program" >>"$T/runs"; done
  echo "$program, medians of 5 in ms: from the confirmation of the file dialog to the first picture" \
    "$(cut -d' ' -f1 "$T/runs" | median), to the full views $(cut -d' ' -f2 "$T/runs" | median);" \
    "from the file chosen (the dialog's return, traced) $(cut -d' ' -f3 "$T/runs" | median)" \
    "and $(cut -d' ' -f4 "$T/runs" | median)"
done
