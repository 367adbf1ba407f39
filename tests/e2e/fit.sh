#!/usr/bin/env bash
# Fit to window on the real window: Ctrl+F shows a 6000 x 4000 pair reduced
# to the client area with exactly the pixels of the headless window, the
# arrow keys move the right picture and the status line shows where to, and
# Exit stores both.
source "$(dirname "$0")/lib.sh"
start_x
start_binoxa

snapshots fit <<SCN
cd $WORK
bmp left.bmp 6000 4000 gradient
bmp right.bmp 6000 4000 noise 3
open $WORK/left.bmp
accel Ctrl+L
open $WORK/right.bmp
accel Ctrl+R
accel Ctrl+F
paint
snapshot $T/fitted.bmp
key right
accel Shift+Down
paint
snapshot $T/nudged.bmp
exit
SCN
rm -f "$WORK"/right.*POS

keys ctrl+l
choose_file "$WORK/left.bmp"
wait_for 60 "the left caption" caption_is "Binoxa - left: $WORK/left.bmp"
keys ctrl+r
choose_file "$WORK/right.bmp"
wait_for 60 "the pair caption" caption_is "Binoxa - left: $WORK/left.bmp - right: $WORK/right.bmp"

keys ctrl+f
expect_shows "$T/fitted.bmp" "the fitted pair"
grab_status "$T/status.png"
keys Right shift+Down
expect_shows "$T/nudged.bmp" "the nudged pair"
wait_for 20 "the position in the status line" \
  status_is "Position: 1, 10   Zoom: fit to window   Left: 6000 x 4000   Right: 6000 x 4000   Anaglyph: Custom weights"
status_redrawn() {
  grab_status "$T/status-now.png"
  [ "$(differing "$T/status.png" "$T/status-now.png")" != 0 ]
}
wait_for 20 "the status bar to show it" status_redrawn

menu_exit
wait_exit
[ "$STATUS" = 0 ] || fail "exit status $STATUS"
profile_has FIT=1 || fail "profile: $(cat "$BINOXA_PROFILE")"
# vertical 10, then horizontal 1
[ "$(od -An -tx1 "$WORK/right.POS" | tr -d ' \n')" = 0a00000001000000 ] || fail "position file: $(od -An -tx1 "$WORK/right.POS")"
echo "ok"
