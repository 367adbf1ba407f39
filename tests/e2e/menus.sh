#!/usr/bin/env bash
# The menus by keyboard with a window manager: an Alt key the accelerator
# table binds keeps its command (Alt+L saves the left picture), the others
# open their menu, whose mnemonics then work (Alt+F, X exits with every
# setting in the profile).
source "$(dirname "$0")/lib.sh"
CLI=$BINOXA_BIN/cli/binoxa-cli
start_x wm
"$CLI" sample "$WORK" >/dev/null
start_binoxa

open_pair "$WORK/ringsL.BMP" "$WORK/ringsR.BMP"

keys alt+l
save_as "$WORK/left.bmp"
"$CLI" left "$WORK/ringsL.BMP" "$WORK/ringsR.BMP" -o "$T/left.bmp" || fail "binoxa-cli left"
wait_for 20 "the left picture" test -s "$WORK/left.bmp"
cmp "$WORK/left.bmp" "$T/left.bmp" || fail "Alt+L saved something else than the left picture"

menu_closed() { ! menu_open; }
for menu in v s h; do
  keys "alt+$menu"
  wait_for 10 "the menu of Alt+$menu" menu_open
  xdotool key Escape
  wait_for 10 "the menu of Alt+$menu to close" menu_closed
done

keys alt+f
wait_for 10 "the File menu" menu_open
xdotool key x
exited_with_defaults
echo "ok"
