#!/usr/bin/env bash
# A pair opened and moved through the real dialogs and saved with Save all:
# the five files are byte for byte those of binoxa-cli at the same position
# and settings, and the caption then names the aligned pictures. A new image
# size from Options changes the parallel view on the screen.
source "$(dirname "$0")/lib.sh"
CLI=$BINOXA_BIN/cli/binoxa-cli
start_x

# Settings other than the defaults, so both programs must read them.
SETTINGS=(MLR=200 MLG=30 MLB=10 MRR=5 MRG=170 MRB=250 VIEWSIZE=150 SPACE=6 SAVEPOS=1 LOCKY=1)
printf '[Binoxa]\n' >"$BINOXA_PROFILE"
printf '%s\n' "${SETTINGS[@]}" >>"$BINOXA_PROFILE"
# The rings pair has pictures of unequal size.
"$CLI" sample "$WORK" >/dev/null
"$CLI" sample "$T/scn" >/dev/null
mkdir "$WORK/out" "$T/cli"
DX=-13 DY=6
start_binoxa

# typed TEXT: the key names that type a number
typed() { echo "$1" | sed 's/-/minus /; s/[0-9]/& /g'; }
# answer TITLE KEYS...: keys typed into the dialog of that title, which they close
answer() {
  local title=$1 d
  d=$(wait_window "$title")
  shift
  focus "$d"
  xdotool key --clearmodifiers "$@"
  wait_for 20 "the dialog \"$title\" to close" gone "$d"
}

snapshots options <<SCN
exit
$(for s in "${SETTINGS[@]}"; do echo "profile ${s/=/ }"; done)
start
open $T/scn/ringsL.BMP
accel Ctrl+L
open $T/scn/ringsR.BMP
accel Ctrl+R
dialog 1 set 103 "$DX"
dialog 1 set 102 "$DY"
dialog 1 ok
accel Ctrl+O
accel Ctrl+P
paint
snapshot $T/parallel150.bmp
dialog 3 set 119 "260"
dialog 3 ok
accel Alt+O
paint
snapshot $T/parallel260.bmp
SCN

open_pair "$WORK/ringsL.BMP" "$WORK/ringsR.BMP"

# horizontal field first in tab order, then vertical; Enter presses OK
keys ctrl+o
answer "Vertical Position:" ctrl+a $(typed $DX) Tab ctrl+a $(typed $DY) Return

keys ctrl+s
save_as "$WORK/out/pair.bmp"
wait_for 20 "the aligned pictures in the caption" \
  caption_is "Binoxa - left: $WORK/out/pair_L.BMP - right: $WORK/out/pair_R.BMP"
"$CLI" all "$WORK/ringsL.BMP" "$WORK/ringsR.BMP" -o "$T/cli/pair" --dx "$DX" --dy "$DY" \
  || fail "binoxa-cli all"
for s in A P C L R; do
  cmp "$WORK/out/pair_$s.BMP" "$T/cli/pair_$s.BMP" || fail "pair_$s.BMP differs from the CLI's"
done

keys ctrl+p
expect_shows "$T/parallel150.bmp" "the parallel view at image size 150"
# image size is the seventh edit in tab order
keys alt+o
answer Options Tab Tab Tab Tab Tab Tab ctrl+a 2 6 0 Return
expect_shows "$T/parallel260.bmp" "the parallel view at image size 260"
echo "ok"
