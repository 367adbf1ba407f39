#!/usr/bin/env bash
# The first frame on a 1600 x 1000 screen lies inside it; its size and place
# are kept in the profile at exit and the next start takes them again.
source "$(dirname "$0")/lib.sh"
SCREEN=1600x1000x24 start_x wm
start_binoxa

inside() {
  eval "$(xdotool getwindowgeometry --shell "$WIN")"
  ((X >= 0 && Y >= 0 && X + WIDTH <= 1600 && Y + HEIGHT <= 1000))
}
inside || fail "frame at $X,$Y size ${WIDTH}x$HEIGHT is not inside the screen"
first="${WIDTH}x$HEIGHT"

menu_exit
wait_exit
[ "$STATUS" = 0 ] || fail "exit status $STATUS"
for key in WINX WINY WINW WINH; do
  grep -q "^$key=-\?[0-9]" "$BINOXA_PROFILE" || fail "profile lacks $key: $(cat "$BINOXA_PROFILE")"
done
profile_has WINMAX=0 || fail "profile lacks WINMAX=0"

start_binoxa
inside || fail "restored frame at $X,$Y size ${WIDTH}x$HEIGHT is not inside the screen"
[ "${WIDTH}x$HEIGHT" = "$first" ] || fail "restored size ${WIDTH}x$HEIGHT, first $first"
echo "ok"
