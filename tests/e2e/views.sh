#!/usr/bin/env bash
# A pair opened through the real file dialogs shows, in every view and after
# a right-button drag, exactly the pixels of the headless window given the
# same steps; Ctrl+Z takes the drag back and Ctrl+Y makes it again; Exit then
# stores the dragged position beside the right picture.
source "$(dirname "$0")/lib.sh"
start_x
start_binoxa

# Odd sizes and unequal pictures; the file names differ in letter case from
# the filter's pattern.
snapshots views <<SCN
cd $WORK
bmp left.bmp 301 203 gradient
bmp right.Bmp 297 207 noise 11
open $WORK/left.bmp
accel Ctrl+L
open $WORK/right.Bmp
accel Ctrl+R
paint
snapshot $T/anaglyph.bmp
accel Ctrl+P
paint
snapshot $T/parallel.bmp
accel Ctrl+C
paint
snapshot $T/crossed.bmp
accel Ctrl+A
rdown 100 80
move 90 70 r
move 131 97 r
rup 131 97
paint
snapshot $T/dragged.bmp
exit
SCN
# The headless run stored its position (0, 0) beside the pictures; this run
# must start from the same.
rm -f "$WORK"/right.*POS

keys ctrl+l
choose_file "$WORK/left.bmp"
wait_for 20 "the left caption" caption_is "Binoxa - left: $WORK/left.bmp"
keys ctrl+r
choose_file "$WORK/right.Bmp"
wait_for 20 "the pair caption" \
  caption_is "Binoxa - left: $WORK/left.bmp - right: $WORK/right.Bmp"

expect_shows "$T/anaglyph.bmp" "the anaglyph"
keys ctrl+p
expect_shows "$T/parallel.bmp" "the parallel view"
keys ctrl+c
expect_shows "$T/crossed.bmp" "the crossed view"
keys ctrl+a
expect_shows "$T/anaglyph.bmp" "the anaglyph again"

# The right button held over a few moves; the last one sets the position.
read -r cx cy _ < <(client_geometry)
xdotool mousemove $((cx + 100)) $((cy + 80)) mousedown 3
xdotool mousemove $((cx + 90)) $((cy + 70))
xdotool mousemove $((cx + 131)) $((cy + 97)) mouseup 3
expect_shows "$T/dragged.bmp" "the dragged anaglyph"
# The drag is one step back and forth.
keys ctrl+z
expect_shows "$T/anaglyph.bmp" "the anaglyph before the drag"
keys ctrl+y
expect_shows "$T/dragged.bmp" "the dragged anaglyph again"

menu_exit
wait_exit
[ "$STATUS" = 0 ] || fail "exit status $STATUS"
# 8 bytes: vertical offset 17, then horizontal position 31
pos=$(od -An -tx1 "$WORK/right.POS" | tr -d ' \n')
[ "$pos" = 110000001f000000 ] || fail "position file holds $pos"
echo "ok"
