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
exited_with_defaults
echo "ok"
