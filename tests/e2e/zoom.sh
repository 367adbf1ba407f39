#!/usr/bin/env bash
# Zoom and pan on the real window: Ctrl+= shows a 6000 x 4000 pair at 2:1,
# a left drag pans it, and the screen holds exactly the headless window's
# pixels for the same steps, at the client size the scroll bars leave.
source "$(dirname "$0")/lib.sh"
start_x
start_binoxa

(cd "$WORK" && "$SCENARIO" /dev/stdin >"$T/files.out" 2>&1 <<SCN) || fail "files: $(cat "$T/files.out")"
cd $WORK
bmp left.bmp 6000 4000 gradient
bmp right.bmp 6000 4000 noise 3
SCN
open_pair "$WORK/left.bmp" "$WORK/right.bmp"
keys ctrl+equal
read -r cx cy cw ch < <(client_geometry)
xdotool mousemove $((cx + cw - 10)) $((cy + ch - 10)) mousedown 1 \
  mousemove $((cx + 20)) $((cy + ch / 2)) mousemove $((cx + 10)) $((cy + 10)) mouseup 1
wait_for 20 "the panned paint" grep -q '^binoxa-trace move' "$TRACE"
read -r cx cy cw ch < <(client_geometry)

snapshots zoom <<SCN
cd $WORK
open $WORK/left.bmp
accel Ctrl+L
open $WORK/right.bmp
accel Ctrl+R
accel Ctrl+=
paint
ldown $((cw - 10)) $((ch - 10))
move 10 10 l
lup 10 10
paint
snapshot $T/panned.bmp
exit
SCN
expect_shows "$T/panned.bmp" "the zoomed and panned pair"
echo "ok"
