#!/usr/bin/env bash
# Start-up: the caption "Binoxa" over a white client area. Exit from the File
# menu, chosen with the keyboard as a person would, ends the run with status 0
# and writes all ten settings to the profile.
source "$(dirname "$0")/lib.sh"
start_x
start_binoxa

caption_is Binoxa || fail "caption is \"$(caption)\""
grab "$T/start.png"
all_white "$T/start.png" || fail "the client area is not white at start"

menu_exit
wait_exit
[ "$STATUS" = 0 ] || fail "exit status $STATUS"
for line in MLR=255 MLG=0 MLB=0 MRR=0 MRG=192 MRB=128 VIEWSIZE=200 SPACE=0 SAVEPOS=1 LOCKY=1; do
  profile_has "$line" || fail "profile lacks $line: $(cat "$BINOXA_PROFILE" 2>&1)"
done
echo "ok"
