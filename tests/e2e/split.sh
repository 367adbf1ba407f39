#!/usr/bin/env bash
# A side-by-side picture opened with Ctrl+N through the file dialog: the split
# view, a left area dragged with the mouse and Enter show exactly what the
# headless window shows after the same steps, ending in the anaglyph of the
# two cut-outs under the bare caption.
source "$(dirname "$0")/lib.sh"
start_x
"$BINOXA_BIN/cli/binoxa-cli" sample "$WORK" >/dev/null
start_binoxa

# The press is far from both edges of the area the split starts with, so it
# starts a new one.
snapshots split <<SCN
open $WORK/marbles.BMP
accel Ctrl+N
paint
snapshot $T/split.bmp
ldown 100 60
move 200 150 l
move 340 250 l
lup 340 250
paint
snapshot $T/dragged.bmp
key 13
paint
snapshot $T/anaglyph.bmp
SCN

keys ctrl+n
choose_file "$WORK/marbles.BMP"
expect_shows "$T/split.bmp" "the split view"

read -r cx cy _ < <(client_geometry)
xdotool mousemove $((cx + 100)) $((cy + 60)) mousedown 1
xdotool mousemove $((cx + 200)) $((cy + 150))
xdotool mousemove $((cx + 340)) $((cy + 250)) mouseup 1
expect_shows "$T/dragged.bmp" "the new left area"

keys Return
expect_shows "$T/anaglyph.bmp" "the anaglyph of the two areas"
caption_is Binoxa || fail "caption is \"$(caption)\""
echo "ok"
