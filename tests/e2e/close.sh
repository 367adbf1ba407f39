#!/usr/bin/env bash
# Closing the frame by the window manager tears down exactly like Exit: the
# changed settings reach the profile and the program ends with status 0.
source "$(dirname "$0")/lib.sh"
start_x wm
printf '[Binoxa]\nVIEWSIZE=321\nSPACE=9\n' >"$BINOXA_PROFILE"
start_binoxa

# The window manager's Alt+F4 closes the window it has made active.
active() { [ "$(xdotool getactivewindow)" = "$WIN" ]; }
wait_for 20 "the window to be active" active
# Pressed again, as a person would, when the window manager was not ready.
for _ in 1 2 3 4 5; do
  xdotool key --clearmodifiers alt+F4
  for _ in $(seq 40); do ended && break 2; sleep 0.05; done
done
wait_exit
[ "$STATUS" = 0 ] || fail "exit status $STATUS"
for line in VIEWSIZE=321 SPACE=9 MLR=255 LOCKY=1; do
  profile_has "$line" || fail "profile lacks $line: $(cat "$BINOXA_PROFILE")"
done
echo "ok"
