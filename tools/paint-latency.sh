#!/usr/bin/env bash
# Measures the real window under a private X server: start-up time to the
# first painted window, and the time from a mouse move to the finished
# repaint over a 100-move right-button drag of a 24-megapixel pair
# (6000 x 4000 pictures) in a 1920 x 1080 client area. Prints medians; the
# raw trace stays in the output folder given (default: a temporary one).
#   tools/paint-latency.sh [BUILD_DIR]   (default: build)
#   FIT=1 tools/paint-latency.sh ...     the same with Fit to window on
#   ZOOM=1 tools/paint-latency.sh ...    the same zoomed in to 2:1 (Ctrl+=)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BINOXA_BIN=${1:-$root/build}
source "$root/tests/e2e/lib.sh"

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

cat >"$T/pictures.scn" <<SCN
cd $WORK
bmp left.bmp 6000 4000 gradient
bmp right.bmp 6000 4000 noise 3
SCN
"$SCENARIO" "$T/pictures.scn" >/dev/null

if [ "${FIT:-0}" = 1 ]; then printf '[Binoxa]\nFIT=1\n' >"$BINOXA_PROFILE"; fi
SCREEN=2000x1300x24 start_x
startups=()
for run in 1 2 3; do
  : >"$TRACE"
  t0=$(date +%s%6N)
  start_binoxa
  t1=$(grep '^binoxa-trace paint' "$TRACE" | head -n 1 | cut -d' ' -f3)
  startups+=($((t1 - t0)))
  menu_exit
  wait_exit
done
echo "start-up to the first painted window, ms: $(printf '%s\n' "${startups[@]}" | median | awk '{print $1 / 1000}')"

start_binoxa
# a 1920 x 1080 client: the window's height is the client's plus the menu bar
read -r w h < <(client_size)
read -r ww wh < <(xdotool getwindowgeometry "$WIN" | awk '/Geometry/ {sub("x", " ", $2); print $2}')
xdotool windowsize "$WIN" $((ww + 1920 - w)) $((wh + 1080 - h))
client_is_full_hd() { [ "$(client_size)" = "1920 1080" ]; }
wait_for 20 "the 1920 x 1080 client" client_is_full_hd

keys ctrl+l
choose_file "$WORK/left.bmp"
keys ctrl+r
choose_file "$WORK/right.bmp"
wait_for 60 "the pair" caption_is "Binoxa - left: $WORK/left.bmp - right: $WORK/right.bmp"
if [ "${ZOOM:-0}" = 1 ]; then keys ctrl+equal; fi

read -r cx cy _ < <(client_geometry)
xdotool mousemove $((cx + 400)) $((cy + 300)) mousedown 3
# The move to the start point is traced too, but it is no part of the drag.
sleep 0.5
mark=$(($(wc -l <"$TRACE") + 1))
moves=()
for i in $(seq 1 100); do moves+=(mousemove_relative -- 2 1 sleep 0.02); done
xdotool "${moves[@]}"
xdotool mouseup 3
last=$(tail -n +"$mark" "$TRACE" | grep -c '^binoxa-trace move' || true)
repainted() { grep -E '^binoxa-trace (move|paint)' "$TRACE" | tail -n 1 | grep -q ' paint '; }
wait_for 120 "the repaint after the last move" repainted

tail -n +"$mark" "$TRACE" | awk '
  $1 == "binoxa-trace" && $2 == "move" { pending[++n] = $3 }
  $1 == "binoxa-trace" && $2 == "paint" {
    for (i = done + 1; i <= n; i++) print $3 - pending[i]; done = n; paints++
    print $8 > "'"$T/draw"'"; print $9 > "'"$T/present"'" }
  END { print paints " paints for " n " moves" > "/dev/stderr" }' >"$T/latency"
echo "moves traced: $last"
echo "mouse move to finished repaint, ms (median): $(median <"$T/latency" | awk '{print $1 / 1000}')"
echo "slowest, ms: $(sort -n "$T/latency" | tail -n 1 | awk '{print $1 / 1000}')"
echo "per paint, ms (median): drawing $(median <"$T/draw" | awk '{print $1 / 1000}'), transfer to the screen $(median <"$T/present" | awk '{print $1 / 1000}')"
menu_exit
wait_exit
