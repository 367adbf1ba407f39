#!/usr/bin/env bash
# Display layouts: at full size a pure rearrangement of the aligned views
# (checked against ImageMagick putting the left and right exports together),
# the half layouts and --width at their sizes, a stereo file as input, and
# the refusals.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
"$cli" sample lib >/dev/null || { fail "sample"; exit 1; }
L=lib/ringsL.BMP R=lib/ringsR.BMP  # odd sizes, and different ones
run() { "$cli" "$@" || fail "binoxa-cli $* exited $?"; }
same() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ] || fail "$3: $1 differs from $2"; }

for pos in "--dx 3 --dy 1" "--dx -7 --dy -2" "--dx 436 --dy 0"; do  # the last: a one-pixel overlap
  run left "$L" "$R" $pos -o l.png
  run right "$L" "$R" $pos -o r.png
  convert l.png r.png +append want-sbs.png
  convert l.png r.png -append want-over-under.png
  convert l.png r.png -fx 'j % 2 == 0 ? u : v' want-rows.png
  for kind in sbs over-under rows; do
    run layout "$kind" "$L" "$R" $pos -o "$kind.png"
    same "$kind.png" "want-$kind.png" "$kind at $pos"
  done
  w=$(identify -format %w l.png) h=$(identify -format %h l.png)
  run layout sbs-half "$L" "$R" $pos -o half.png
  [ "$(identify -format %wx%h half.png)" = "$((2 * ((w + 1) / 2)))x$h" ] || fail "sbs-half at $pos: $(identify -format %wx%h half.png)"
  run layout over-under-half "$L" "$R" $pos -o half.png
  [ "$(identify -format %wx%h half.png)" = "${w}x$((2 * ((h + 1) / 2)))" ] || fail "over-under-half at $pos"
done

# Written a band of rows at a time (BMP), and as JPEG in bands on every core:
# the pixels of the picture made whole, and of cjpeg's encoding of it.
for kind in sbs over-under rows; do
  run layout "$kind" "$L" "$R" --dx 3 --dy 1 -o "$kind.png"
  run layout "$kind" "$L" "$R" --dx 3 --dy 1 -o "$kind.bmp"
  same "$kind.bmp" "$kind.png" "$kind as rows"
  run layout "$kind" "$L" "$R" --dx 3 --dy 1 -o "$kind.jpg"
  convert "$kind.png" ppm:- | cjpeg -quality 92 >"want-$kind.jpg"
  same "$kind.jpg" "want-$kind.jpg" "$kind as JPEG"
done

# A stereo file in place of LEFT RIGHT; --width reduces, never enlarges.
run pair "$L" "$R" --dx 3 --dy 1 -o photo.jps
run left photo.jps -o l.bmp && run right photo.jps -o r.bmp
convert l.bmp r.bmp +append want.png
run layout sbs photo.jps -o from-stereo.png
same from-stereo.png want.png "sbs of a stereo file"
run layout sbs "$L" "$R" --dx 3 --dy 1 --width 200 -o small.png
[ "$(identify -format %wx%h small.png)" = 200x78 ] || fail "--width 200: $(identify -format %wx%h small.png)"
run layout sbs "$L" "$R" --dx 3 --dy 1 --width 5000 -o big.png
[ "$(identify -format %w big.png)" = 874 ] || fail "--width enlarged: $(identify -format %w big.png)"

expect_refused() {  # STATUS ARGS...
  local want=$1
  shift
  "$cli" "$@" >/dev/null 2>err.txt
  local got=$?
  [ "$got" = "$want" ] || fail "binoxa-cli $* exited $got, expected $want"
  [ ! -e refused.png ] || fail "binoxa-cli $* wrote refused.png"
}
expect_refused 2 layout cinema "$L" "$R" -o refused.png
expect_refused 2 layout sbs "$L" "$R" --width 0 -o refused.png
expect_refused 2 layout sbs "$L" -o refused.png
expect_refused 1 layout sbs "$L" "$R" --dx 9999 -o refused.png
exit $((fails > 0))
