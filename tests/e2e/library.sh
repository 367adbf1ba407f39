#!/usr/bin/env bash
# The library view on the real window: Ctrl+I shows the grid of the current
# folder as the headless window does, a click on a thumbnail loads that pair,
# Page Down the next one and Page Up the one before.
# In a small window a library of many pairs gets the scroll bar, the mouse
# bottom of its trough moves the grid to the last row, and a pick removes the
# bar again.
source "$(dirname "$0")/lib.sh"
start_x
"$BINOXA_BIN/cli/binoxa-cli" sample "$WORK" >/dev/null
# The headless runs get their own copy: they leave position files behind.
"$BINOXA_BIN/cli/binoxa-cli" sample "$T/scn" >/dev/null
MANY=$WORK/many
for i in $(seq -w 0 29); do
  echo "bmp $MANY/p${i}L.BMP 60 40 noise 1$i"
  echo "bmp $MANY/p${i}R.BMP 60 40 noise 2$i"
done >"$T/many.scn"
"$SCENARIO" "$T/many.scn" >/dev/null || fail "the pictures of the large library"
start_binoxa

client_width() { read -r w _ < <(client_size) && echo "$w"; }
width_is() { [ "$(client_width)" "${2:-=}" "$1" ]; }
# click X Y: the left button at that point of the client area
click() {
  read -r cx cy _ < <(client_geometry)
  xdotool mousemove $((cx + $1)) $((cy + $2)) click 1
}
library_caption() { caption_is "Binoxa - Select from library"; }
pair_caption() { caption_is "Binoxa - left: $1L.BMP - right: $1R.BMP"; }

# blocks, garden, rings in the first three cells; the second cell is picked
snapshots sample <<SCN
cd $T/scn
accel Ctrl+I
paint
expect nonwhite 4 4 64 64
expect nonwhite 84 4 64 64
expect nonwhite 164 4 64 64
expect white 244 4 64 64
snapshot $T/grid.bmp
ldown 116 36
lup 116 36
paint
snapshot $T/garden.bmp
key pagedown
paint
snapshot $T/rings.bmp
SCN

keys ctrl+i
wait_for 20 "the library caption" library_caption
expect_shows "$T/grid.bmp" "the library grid"
click 116 36
wait_for 20 "the garden caption" pair_caption "$WORK/garden"
expect_shows "$T/garden.bmp" "the garden anaglyph"
# Page Down and Page Up step through the folder's three pairs.
keys Next
wait_for 20 "the rings caption" pair_caption "$WORK/rings"
expect_shows "$T/rings.bmp" "the rings anaglyph"
keys Prior
wait_for 20 "the garden caption again" pair_caption "$WORK/garden"
expect_shows "$T/garden.bmp" "the garden anaglyph again"

# Four columns with or without the bar, two rows: eight rows of pairs, so
# scroll positions 0 to 7.
xdotool windowsize "$WIN" 400 230
# at most: the pair shown, larger than the window, has its scroll bars
wait_for 20 "the small window" width_is 400 -le
keys ctrl+e
choose_file "$MANY/p00L.BMP"
keys ctrl+i
wait_for 20 "the library caption" library_caption
wait_for 20 "the scroll bar" width_is 400 -lt

snapshots many <<SCN
cd $MANY
accel Ctrl+I
paint
snapshot $T/many.bmp
vscroll thumbtrack 7
paint
snapshot $T/scrolled.bmp
SCN
expect_shows "$T/many.bmp" "the first rows of the large library"
read -r cx cy cw ch < <(client_geometry)
# GTK's scroll bar has no arrows; a click in the trough takes the slider there.
xdotool mousemove $((cx + cw + 4)) $((cy + ch - 3)) click 1
expect_shows "$T/scrolled.bmp" "the last row of the large library"

# the first cell now holds the 29th pair
click 30 30
wait_for 20 "the caption of the picked pair" pair_caption "$MANY/p28"
wait_for 20 "the scroll bar to go" width_is 400
echo "ok"
