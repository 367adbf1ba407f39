#!/usr/bin/env bash
# The template dialogs on the real window, driven from the keyboard: the
# position dialog (tab order, Enter for the default button, the 9-character
# limit, Escape), and the Options dialog whose refused OK keeps it open. The
# screen must match the headless window given the same answers.
source "$(dirname "$0")/lib.sh"
start_x
start_binoxa

snapshots dialogs <<SCN
cd $WORK
bmp a.bmp 120 90 checker 7
bmp b.bmp 110 95 noise 5
open $WORK/a.bmp
accel Ctrl+L
open $WORK/b.bmp
accel Ctrl+R
dialog 1 set 103 "25"
dialog 1 set 102 "-4"
dialog 1 ok
accel Ctrl+O
paint
snapshot $T/moved.bmp
dialog 1 set 103 "123456789"
dialog 1 ok
accel Ctrl+O
paint
snapshot $T/too-far.bmp
dialog 3 set 106 "256"
dialog 3 ok
dialog 3 set 106 "0"
dialog 3 set 118 "255"
dialog 3 ok
dialog 1 set 103 "25"
dialog 1 ok
accel Ctrl+O
accel Alt+O
paint
snapshot $T/colours.bmp
exit
SCN
rm -f "$WORK"/*.POS

keys ctrl+l
choose_file "$WORK/a.bmp"
keys ctrl+r
choose_file "$WORK/b.bmp"
wait_for 20 "the pair caption" caption_is "Binoxa - left: $WORK/a.bmp - right: $WORK/b.bmp"

# in_dialog TITLE KEYS...: keys typed into the dialog of that title
in_dialog() {
  local d
  d=$(wait_window "$1")
  shift
  focus "$d"
  # At a person's pace: on a loaded machine a Tab typed at full speed could
  # reach the dialog before the focus had moved to the next field.
  xdotool key --clearmodifiers --delay 80 "$@"
}

# horizontal first (tab order), then vertical; Enter presses OK
keys ctrl+o
in_dialog "Vertical Position:" ctrl+a 2 5 Tab ctrl+a minus 4 Return
expect_shows "$T/moved.bmp" "the moved pair"

# typed beyond the limit, the tenth character and after are refused
keys ctrl+o
in_dialog "Vertical Position:" ctrl+a 1 2 3 4 5 6 7 8 9 0 5 Return
expect_shows "$T/too-far.bmp" "the position message"

# Escape leaves everything as it was
keys ctrl+o
in_dialog "Vertical Position:" ctrl+a 7 Escape
wait_for 20 "the dialog to close" sh -c '! xdotool search --onlyvisible --name "^Vertical Position:$"'
keys ctrl+o
in_dialog "Vertical Position:" ctrl+a 2 5 Return
expect_shows "$T/moved.bmp" "the moved pair again"

# Left red 256 is refused and the dialog stays for the correction; the
# first field has the focus when it opens.
keys alt+o
in_dialog Options ctrl+a 2 5 6 Return
in_dialog Options ctrl+a 0 Tab Tab Tab Tab Tab ctrl+a 2 5 5 Return
expect_shows "$T/colours.bmp" "the new colours"

menu_exit
wait_exit
[ "$STATUS" = 0 ] || fail "exit status $STATUS"
profile_has MLR=0 || fail "profile: $(cat "$BINOXA_PROFILE")"
profile_has MRB=255 || fail "profile: $(cat "$BINOXA_PROFILE")"
echo "ok"
