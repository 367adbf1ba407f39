#!/usr/bin/env bash
# The correction of the right picture: found by --auto and align --details,
# judged by a program that shares no code with the aligner, kept after the
# position file's 8 bytes, left out by --no-correct; and --match-colours.
set -u
. "$(dirname "$0")/lib.sh"
judge="$BINOXA_BIN/tests/binoxa-judge"

aloe_pair "$dir"
# The rectified right picture turned 1.5 degrees clockwise, as a camera module set askew.
convert aloeR.jpg -virtual-pixel edge -distort SRT 1.5 -quality 95 turned.jpg

out=$("$cli" align aloeL.jpg turned.jpg --details) || fail "align --details refused the turned pair"
[ "$(echo "$out" | wc -l)" = 10 ] || fail "align --details printed: $out"
for key in roll zoom shift keystone-vertical keystone-horizontal inliers parallax-near parallax-far deviation; do
  echo "$out" | grep -q "^$key=" || fail "align --details has no $key: $out"
done
roll=$(echo "$out" | sed -n 's/^roll=//p')
awk -v r="$roll" 'BEGIN { exit !(r > -1.55 && r < -1.45) }' || fail "a 1.5 degree turn gave roll=$roll"
plain=$("$cli" align aloeL.jpg turned.jpg --no-correct)
[[ "$plain" =~ ^-?[0-9]+\ -?[0-9]+$ ]] || fail "align --no-correct printed '$plain'"

# Residual vertical disparity of the exported pictures, as the judge measures it.
rms() { "$judge" features "$1" "$2" | sed 's/.* rms \([0-9.]*\) .*/\1/'; }
"$cli" left aloeL.jpg turned.jpg --auto -o l.png && "$cli" right aloeL.jpg turned.jpg --auto -o r.png
"$cli" left aloeL.jpg turned.jpg --auto --no-correct -o l0.png &&
  "$cli" right aloeL.jpg turned.jpg --auto --no-correct -o r0.png
corrected=$(rms l.png r.png) uncorrected=$(rms l0.png r0.png)
awk -v c="$corrected" -v u="$uncorrected" 'BEGIN { exit !(c <= 0.5 && u > 2) }' ||
  fail "vertical disparity rms $corrected corrected, $uncorrected not"

# Stereo-rig pairs: lenses that bend the picture, and a chessboard whose
# squares the features match wrongly. Aligned on the board, the nearest layer.
for n in 01 07; do
  cp "$BINOXA_BIN/testdata/opencv/left$n.jpg" "$BINOXA_BIN/testdata/opencv/right$n.jpg" .
  if "$cli" left "left$n.jpg" "right$n.jpg" --auto -o rigL.png && "$cli" right "left$n.jpg" "right$n.jpg" --auto -o rigR.png; then
    board=$("$judge" chessboard rigL.png rigR.png | sed 's/.* rms \([0-9.]*\) .*/\1/')
    awk -v b="$board" 'BEGIN { exit !(b != "" && b <= 1) }' || fail "rig pair $n: chessboard rms '$board'"
  else
    fail "rig pair $n refused"
  fi
done

# Swapped, an aligned pair stays aligned: the W3's pair aligned and swapped in
# the window and by --swap, saved, judged as the pair unswapped.
camera_mpos .
cat >swap.scn <<SCN
start
open $PWD/fujifilm.mpo
command 11861
accel Ctrl+G
accel Ctrl+T
save $PWD/wl.png
accel Alt+L
save $PWD/wr.png
accel Alt+R
expect no-message
SCN
seen=$("$BINOXA_BIN/tools/binoxa-scenario" swap.scn) || fail "the swap scenario: $seen"
"$cli" left fujifilm.mpo --auto -o ul.png && "$cli" right fujifilm.mpo --auto -o ur.png
"$cli" left fujifilm.mpo --auto --swap -o cl.png && "$cli" right fujifilm.mpo --auto --swap -o cr.png
cmp -s cl.png wl.png && cmp -s cr.png wr.png || fail "--swap is not the window's swap"
unswapped=$(rms ul.png ur.png) swapped=$(rms wl.png wr.png)
awk -v u="$unswapped" -v s="$swapped" 'BEGIN { exit !(u != "" && (s - u) ^ 2 <= 0.0025) }' ||
  fail "W3 rms $unswapped unswapped, $swapped swapped"

# batch --auto aligns every pair as the pair commands do.
mkdir lib && cp aloeL.jpg lib/tL.jpg && cp turned.jpg lib/tR.jpg
"$cli" batch lib -o out --auto --only r >/dev/null && "$cli" right aloeL.jpg turned.jpg --auto -o one.bmp
cmp -s out/t_R.BMP one.bmp || fail "batch --auto is not the pair commands' --auto"
"$cli" batch lib -o swapped --auto --swap --only l >/dev/null && "$cli" left aloeL.jpg turned.jpg --auto --swap -o one.bmp
cmp -s swapped/t_L.BMP one.bmp || fail "batch --swap is not the pair commands' --swap"

# The position file: 8 bytes, then a block with the correction.
posfile() {  # posfile NAME DX DY ROLL [damaged]
  python3 - "$@" <<'PY'
import struct, sys, zlib
name, dx, dy, roll = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
block = b"BXCR" + struct.pack("<HH5d", 1, 40, roll, 1.0, 0.0, 0.0, 0.0)
block += struct.pack("<I", zlib.crc32(block) ^ (1 if len(sys.argv) > 5 else 0))
open(name, "wb").write(struct.pack("<ii", dy, dx) + (block if roll else b""))
PY
}
read -r dx dy <<<"$plain"
posfile turned.POS "$dx" "$dy" 0 && "$cli" anaglyph aloeL.jpg turned.jpg -o eight.bmp
posfile turned.POS "$dx" "$dy" -1.5 && "$cli" anaglyph aloeL.jpg turned.jpg -o stored.bmp
"$cli" anaglyph aloeL.jpg turned.jpg --no-correct -o nocorrect.bmp
posfile turned.POS "$dx" "$dy" -1.5 damaged && "$cli" anaglyph aloeL.jpg turned.jpg -o damaged.bmp
cmp -s eight.bmp stored.bmp && fail "a stored correction changed nothing"
cmp -s eight.bmp nocorrect.bmp || fail "--no-correct still applied the stored correction"
cmp -s eight.bmp damaged.bmp || fail "a damaged correction block was applied"

# Colour matching: a darker right picture brought to the left's levels.
convert aloeR.jpg -evaluate multiply 0.7 -quality 95 dark.jpg
"$cli" right aloeL.jpg dark.jpg --dx 0 --dy 0 -o dark.png
"$cli" right aloeL.jpg dark.jpg --dx 0 --dy 0 --match-colours -o matched.png
"$cli" left aloeL.jpg dark.jpg --dx 0 --dy 0 -o left.png
mean() { convert "$1" -format '%[fx:mean*255]' info:; }
awk -v l="$(mean left.png)" -v d="$(mean dark.png)" -v m="$(mean matched.png)" \
  'BEGIN { exit !((l - m) ^ 2 < 4 && (l - d) ^ 2 > 100) }' || fail "--match-colours: left $(mean left.png), dark $(mean dark.png), matched $(mean matched.png)"

[ "$fails" = 0 ] && echo "correction: all passed"
exit $((fails > 0))
