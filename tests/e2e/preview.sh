#!/usr/bin/env bash
# A stereo photo opened with Fit to window: its views decoded reduced are
# painted first, then the full views replace them, and the screen ends as the
# headless window (which decodes them whole at once) shows the same steps.
source "$(dirname "$0")/lib.sh"
printf '[Binoxa]\nFIT=1\n' >"$BINOXA_PROFILE"
cat >"$T/pictures.scn" <<SCN
cd $WORK
bmp left.bmp 3000 2000 gradient
bmp right.bmp 3000 2000 noise 3
SCN
"$SCENARIO" "$T/pictures.scn" >/dev/null || fail "test pictures"
"$BINOXA_BIN/cli/binoxa-cli" pair "$WORK/left.bmp" "$WORK/right.bmp" --dx 0 --dy 0 -o "$WORK/photo.mpo" ||
  fail "the stereo photo"
start_x
start_binoxa

snapshots preview <<SCN
accel Ctrl+F
cd $WORK
open $WORK/photo.mpo
accel Ctrl+M
paint
snapshot $T/fitted.bmp
exit
SCN

keys ctrl+m
choose_file "$WORK/photo.mpo"
wait_for 60 "the photo's caption" caption_is "Binoxa - left: $WORK/photo.mpo - right: $WORK/photo.mpo"
expect_shows "$T/fitted.bmp" "the full views fitted"
grep -q '^binoxa-trace posted' "$TRACE" || fail "the full views were not decoded in the background"
menu_exit
wait_exit
[ "$STATUS" = 0 ] || fail "exit status $STATUS"
echo "ok"
