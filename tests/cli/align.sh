#!/usr/bin/env bash
# binoxa-cli align on a real rectified pair, its refusal, and the --auto and
# --swap options of the pair commands.
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
