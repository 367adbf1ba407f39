#!/usr/bin/env bash
# A file name that is not UTF-8 still shows: a library pick of such a pair
# gives the caption its names, not an empty one.
source "$(dirname "$0")/lib.sh"
start_x
B=$'b\xff'
"$SCENARIO" <(printf 'bmp %s 60 40 noise 1\nbmp %s 60 40 noise 2\n' "$WORK/${B}L.BMP" "$WORK/${B}R.BMP") >/dev/null ||
  fail "the pictures"
start_binoxa

keys ctrl+i
wait_for 20 "the library caption" caption_is "Binoxa - Select from library"
read -r cx cy _ < <(client_geometry)
xdotool mousemove $((cx + 36)) $((cy + 36)) click 1
picked() { caption | grep -q "^Binoxa - left: $WORK/b.*L\.BMP - right: $WORK/b.*R\.BMP\$"; }
wait_for 20 "the caption of the picked pair" picked
echo "ok"
