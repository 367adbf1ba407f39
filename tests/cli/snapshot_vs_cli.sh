#!/usr/bin/env bash
# A pair view on screen shows exactly the composition binoxa-cli writes with
# the same settings, drawn at its place on the white client area.
set -euo pipefail
runner="$BINOXA_BIN/tools/binoxa-scenario"
cli="$BINOXA_CLI"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# odd sizes, so row padding and unequal pictures are covered
left_colour=200,30,10
right_colour=5,180,140
view_size=130
spacing=7

check() {  # VIEW-COMMAND CLI-COMMAND DX DY X Y
  local command=$1 kind=$2 dx=$3 dy=$4 x=$5 y=$6 name="$2_$3_$4"
  cat >"$work/$name.scn" <<SCN
bmp $work/l.BMP 47 33 noise 5
bmp $work/r.BMP 51 30 noise 9
profile MLR 200
profile MLG 30
profile MLB 10
profile MRR 5
profile MRG 180
profile MRB 140
profile VIEWSIZE $view_size
profile SPACE $spacing
start
open $work/l.BMP
command 11842
open $work/r.BMP
command 11843
dialog 1 set 103 "$dx"
dialog 1 set 102 "$dy"
dialog 1 ok
command 11844
command $command
paint
snapshot $work/$name-screen.bmp
exit
expect no-message
SCN
  "$runner" "$work/$name.scn" >/dev/null || { "$runner" "$work/$name.scn"; return 1; }
  local settings=(--view-size $view_size --spacing $spacing)
  [ "$kind" = anaglyph ] && settings=(--left-colour $left_colour --right-colour $right_colour)
  "$cli" "$kind" "$work/l.BMP" "$work/r.BMP" -o "$work/$name-cli.bmp" --dx "$dx" --dy "$dy" \
    "${settings[@]}" || return 1
  # The writer's fixed header gives a colours-used count of 65536, for which
  # ImageMagick reads a palette that a 24-bit file does not have: zero the
  # count and the important colours in the copy it reads.
  printf '\0\0\0\0\0\0\0\0' | dd of="$work/$name-cli.bmp" bs=1 seek=46 conv=notrunc status=none
  convert -size 800x600 xc:white "$work/$name-cli.bmp" -geometry "+$x+$y" -composite \
    "$work/$name-expected.png" || return 1
  local differing
  differing=$(compare -metric AE "$work/$name-screen.bmp" "$work/$name-expected.png" null: 2>&1) \
    || true
  if [ "$differing" != "0" ]; then
    echo "$kind at ($dx, $dy): $differing pixels differ from the CLI's picture at ($x, $y)"
    return 1
  fi
}

failed=0
# the anaglyph sits at the top-left of the overlap in the right picture
check 11847 anaglyph 10 -5 10 0 || failed=1
check 11847 anaglyph -7 4 0 4 || failed=1
check 11847 anaglyph 0 0 0 0 || failed=1
check 11848 parallel 3 2 0 0 || failed=1
check 11848 parallel -20 -9 0 0 || failed=1
check 11857 crossed -3 6 0 0 || failed=1
check 11857 crossed 15 0 0 0 || failed=1
exit $failed
