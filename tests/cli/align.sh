#!/usr/bin/env bash
# binoxa-cli align on a real rectified pair, on textures without corners, its
# refusals, and the --auto and --swap options of the pair commands.
set -u
. "$(dirname "$0")/lib.sh"

aloe_pair "$dir"
out=$("$cli" align aloeL.jpg aloeR.jpg --no-correct) || fail "align refused the aloe pair"
[[ "$out" =~ ^-?[0-9]+\ -?[0-9]+$ ]] || fail "align printed '$out', not 'dx dy'"
read -r dx dy <<<"$out"
((dy >= -1 && dy <= 1)) || fail "the aloe pair is rectified, yet dy = $dy"

"$cli" anaglyph aloeL.jpg aloeR.jpg --auto --no-correct -o auto.bmp
"$cli" anaglyph aloeL.jpg aloeR.jpg --dx "$dx" --dy "$dy" -o given.bmp
cmp -s auto.bmp given.bmp || fail "--auto is not the position align prints"

# A cloud-like scene cut twice, 14 columns and 5 rows apart: matched by its areas.
for seed in 1 2 3 4 5 6 7 8; do
  for blur in 0 1; do
    convert -seed "$seed" -size 1300x900 plasma:fractal -blur "0x$blur" plasma.png
    convert plasma.png -crop 1200x800+40+20 +repage plasmaL.png
    convert plasma.png -crop 1200x800+54+15 +repage plasmaR.png
    read -r px py <<<"$("$cli" align plasmaL.png plasmaR.png 2>&1)"
    ((${px:-99} + 14 <= 1 && ${px:-99} + 14 >= -1 && ${py:-99} - 5 <= 1 && ${py:-99} - 5 >= -1)) ||
      fail "plasma seed $seed blur $blur gave '$px $py', not -14 5"
  done
done
# The speed scripts' 6000 x 4000 photo pair, 8 columns and 2 rows apart: exactly.
. "$(dirname "$0")/../../tools/speed/lib.sh"
mkdir big && photo_pair big
[ "$("$cli" align big/R.jpg big/L.jpg)" = "8 2" ] || fail "the 6000 x 4000 pair gave $("$cli" align big/R.jpg big/L.jpg 2>&1)"
rm -rf big

# The rectified pair turned a quarter turn: its disparity is vertical.
convert aloeL.jpg -rotate 90 upL.jpg && convert aloeR.jpg -rotate 90 upR.jpg
"$cli" align upL.jpg upR.jpg >/dev/null 2>err.txt
[ $? = 1 ] && [ "$(cat err.txt)" = "Cannot align: the pictures were taken one above the other" ] ||
  fail "the pair turned a quarter turn: $(cat err.txt)"

convert -size 300x200 xc:black -type TrueColor BMP3:black.bmp
"$cli" align black.bmp black.bmp >out.txt 2>err.txt
[ $? = 1 ] || fail "align of black pictures did not exit 1"
[ -s out.txt ] && fail "align of black pictures printed $(cat out.txt)"
grep -q "too few points" err.txt || fail "align of black pictures said: $(cat err.txt)"
"$cli" left black.bmp black.bmp --auto -o none.bmp 2>/dev/null
[ $? = 1 ] && [ ! -e none.bmp ] || fail "--auto that cannot align still wrote a picture"

# --swap comes after the position: the pair the other way round at -5.
"$cli" parallel aloeL.jpg aloeR.jpg --swap --dx 5 -o swapped.bmp
"$cli" parallel aloeR.jpg aloeL.jpg --dx -5 --dy 0 -o reversed.bmp
cmp -s swapped.bmp reversed.bmp || fail "--swap --dx 5 is not the reversed pair at -5"

[ "$fails" = 0 ] && echo "align: all passed"
exit $((fails > 0))
