#!/usr/bin/env bash
# Files dragged from another program and dropped on the real window: a pair,
# given right first, opens as left and right in name order.
source "$(dirname "$0")/lib.sh"
CLI=$BINOXA_BIN/cli/binoxa-cli
DRAG=$BINOXA_BIN/tests/binoxa-dragsource
[ -x "$DRAG" ] || skip "$DRAG was not built"
start_x wm
"$CLI" sample "$WORK" >/dev/null
start_binoxa

"$DRAG" "$WORK/ringsR.BMP" "$WORK/ringsL.BMP" >"$T/drag.log" 2>&1 &
PIDS+=($!)
source_window=$(wait_window binoxa-dragsource)
# beside the main window, clear of it
xdotool windowmove --sync "$source_window" 1100 850
g=($(client_geometry))
to_x=$((g[0] + g[2] / 2)) to_y=$((g[1] + g[3] / 2))
xdotool mousemove --sync 1160 910 mousedown 1
for i in $(seq 1 20); do
  xdotool mousemove $((1160 + (to_x - 1160) * i / 20)) $((910 + (to_y - 910) * i / 20))
  sleep 0.05
done
sleep 0.3
xdotool mouseup 1
wait_for 20 "the dropped pair" \
  caption_is "Binoxa - left: $WORK/ringsL.BMP - right: $WORK/ringsR.BMP"
echo "ok"
