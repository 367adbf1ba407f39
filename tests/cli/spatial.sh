#!/usr/bin/env bash
# Spatial photos: the headset's sample read as libheif reads it, its camera
# data kept, a copy without its group one picture; our HEIC pairs read by
# libheif's own tools; the library and batch take the sample as a pair.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
sample="${BINOXA_SHARED:-}/cameras/spatial.heic"
[ -f "$sample" ] || exit 77
cp "$sample" spatial.heic
run() { "$cli" "$@" || fail "binoxa-cli $* exited $?"; }
psnr() { compare -metric PSNR "$1" "$2" null: 2>&1 | cut -d' ' -f1 | cut -d. -f1; }
same() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }

# The views are libheif's decodes of items 26 and 52 (heif-convert writes
# the top-level images in file order: 26, then 52).
heif-convert spatial.heic item.png >/dev/null || fail "heif-convert cannot read the sample"
run left spatial.heic --dx 0 --dy 0 -o left.png
run right spatial.heic --dx 0 --dy 0 -o right.png
same left.png item-1.png || fail "the left view is not item 26"
same right.png item-2.png || fail "the right view is not item 52"
run anaglyph spatial.heic --auto -o auto.jpg
[ "$(exiftool -s3 -Make auto.jpg)" = Apple ] || fail "the anaglyph lost the headset's Make"

# Without its 'grpl' box (renamed, so nothing else moves) the file is its
# primary picture, and a pair command refuses it as a one-picture MPO.
LC_ALL=C sed 's/grpl/frpl/' spatial.heic >plain.heic
run convert plain.heic -o plain.png
same plain.png item-1.png || fail "the plain copy is not its primary item"
"$cli" pair plain.heic -o no.heic 2>err.txt
[ $? = 2 ] && grep -q "holds one picture" err.txt || fail "a pair of the plain copy: $(cat err.txt)"
[ ! -e no.heic ] || fail "a refused pair wrote a file"

# Our pair: two images, a 'ster' group whose first entity is the primary,
# the left source's Make and Model on both, each view as the exports give it.
convert -size 160x120 -seed 3 plasma: -blur 0x2 l.ppm
convert -size 160x120 -seed 5 plasma: -blur 0x2 r.ppm
cjpeg -quality 95 r.ppm >R.jpg
cjpeg -quality 95 l.ppm | exiftool -q -Make=Acme -Model="Twin 1" - >L.jpg
run pair L.jpg R.jpg --dx 4 --dy 2 -o p.heic
run left L.jpg R.jpg --dx 4 --dy 2 -o p-left.png
run right L.jpg R.jpg --dx 4 --dy 2 -o p-right.png
info=$(heif-info p.heic)
[ "$(grep -c '^image:' <<<"$info")" = 2 ] || fail "heif-info lists other than two images: $info"
primary=$(sed -n 's/^image: .*(id=\([0-9]*\)), primary$/\1/p' <<<"$info")
group=$(python3 -c 'import sys
d = open(sys.argv[1], "rb").read(); s = d.find(b"ster")
print(*[int.from_bytes(d[s + 16 + 4 * i:s + 20 + 4 * i], "big") for i in range(2)])' p.heic)
[ "${group%% *}" = "$primary" ] || fail "the group ($group) does not start with the primary item $primary"
[ "$(exiftool -a -s3 -Make -Model p.heic | sort -u | tr '\n' '/')" = "Acme/Twin 1/" ] ||
  fail "p.heic keeps '$(exiftool -a -s3 -Make -Model p.heic | tr '\n' '/')'"
heif-convert p.heic p-item.png >/dev/null || fail "heif-convert cannot read our pair"
run left p.heic --dx 0 --dy 0 -o back-left.png
run right p.heic --dx 0 --dy 0 -o back-right.png
for side in left right; do
  [ "$(psnr back-$side.png p-$side.png)" -ge 38 ] || fail "the $side view read back: $(psnr back-$side.png p-$side.png) dB"
done
same back-left.png p-item-1.png || fail "our left view is not libheif's decode of the primary item"

# HEVC in each chroma format (heif-enc codes every one as BT.601 whatever
# it is told; the sample is BT.709): libheif's pixels.
convert -size 203x131 -seed 4 plasma: -blur 0x1 -depth 8 c.png
for chroma in 420 422 444; do
  heif-enc -p chroma="$chroma" -q 80 c.png -o c.heic >/dev/null || fail "heif-enc cannot write $chroma"
  heif-convert c.heic c-item.png >/dev/null || fail "heif-convert cannot read $chroma"
  run convert c.heic -o c-ours.png
  same c-ours.png c-item.png || fail "chroma $chroma: not libheif's pixels"
done

# Batch and the library: the sample is a pair of its folder, the plain copy not.
mkdir lib
cp spatial.heic plain.heic lib/
run batch lib -o out --only a
[ "$(ls out)" = spatial_A.BMP ] || fail "batch wrote '$(ls out | tr '\n' ' ')'"
cat >library.scn <<SCN
start
open $PWD/lib/spatial.heic
command 11842
command 11852
expect library "spatial"
paint
expect nonwhite 4 4 64 64
SCN
"$BINOXA_BIN/tools/binoxa-scenario" library.scn >/dev/null || fail "library: $("$BINOXA_BIN/tools/binoxa-scenario" library.scn)"

exit $((fails > 0))
