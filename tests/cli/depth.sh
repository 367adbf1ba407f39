#!/usr/bin/env bash
# Depth: the disparity map of Middlebury's motorcycle pair (Debian's
# python3-skimage) judged against its truth by tests/judge/depth.py, its two
# file forms, the parallax budget and its warning, the colour-and-depth
# layout, and the refusals.
set -u
judge="$(cd "$(dirname "${BASH_SOURCE[0]}")/../judge" && pwd)/depth.py"
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
data=/usr/lib/python3/dist-packages/skimage/data
[ -f "$data/motorcycle_disp.npz" ] && /usr/bin/python3 -c 'import numpy, PIL' 2>/dev/null ||
  { echo "SKIP: python3-skimage, python3-numpy or python3-pil missing"; exit 77; }
judge() { /usr/bin/python3 "$judge" "$@"; }
L=$data/motorcycle_left.png R=$data/motorcycle_right.png T=$data/motorcycle_disp.npz
run() { "$cli" "$@" || fail "binoxa-cli $* exited $?"; }
within() { /usr/bin/python3 -c "import sys; sys.exit(abs($1 - $2) > $3)" || fail "$4: $1, want $2 within $3"; }

# Accuracy: at most 10 % of the pixels with a true disparity more than 2 px off.
run depth "$L" "$R" --dx 0 --dy 0 -o m.pfm
bad=$(judge bad "$T" m.pfm)
echo "motorcycle bad-2.0: $bad %"
/usr/bin/python3 -c "import sys; sys.exit($bad > 10)" || fail "bad-2.0 $bad % over 10 %"
run depth "$L" "$R" --dx 0 --dy 0 -o m.png
judge png m.pfm m.png || fail "the PNG does not hold round(256 d) of the PFM"

# The budget against the truth's at the aligned position, and its warning.
"$cli" align "$L" "$R" --details >align.txt 2>align.err || fail "align exited $?"
read -r dx dy <align.txt
read -r near far deviation <<<"$(judge budget "$T" "$dx" "$dy")"
within "$(sed -n 's/^parallax-near=//p' align.txt)" "$near" 1.5 parallax-near
within "$(sed -n 's/^parallax-far=//p' align.txt)" "$far" 1.5 parallax-far
within "$(sed -n 's/^deviation=//p' align.txt)" "$deviation" 0.3 deviation
grep -qx "Warning: deviation [0-9.]* % is over 3.3 %: the pair may be hard to fuse" align.err ||
  fail "no deviation warning: $(cat align.err)"
"$cli" align "$L" "$R" --max-deviation 20 >/dev/null 2>align.err || fail "align --max-deviation 20"
! grep -q "deviation" align.err || fail "warned under a 20 % limit: $(cat align.err)"

# Colour and depth: the left view as left writes it beside a depth picture
# ranking like the truth.
run layout rgbd "$L" "$R" --dx 0 --dy 0 -o rgbd.png
run left "$L" "$R" --dx 0 --dy 0 -o left.png
convert rgbd.png -crop 741x500+0+0 +repage half.png
[ "$(compare -metric AE half.png left.png null: 2>&1)" = 0 ] || fail "rgbd's left half is not left's output"
convert rgbd.png -crop 741x500+741+0 +repage depth.png
rho=$(judge spearman "$T" depth.png)
/usr/bin/python3 -c "import sys; sys.exit($rho < 0.9)" || fail "rgbd's depth ranks $rho with the truth"

# Only the two formats; nothing written for a position with no common region.
"$cli" depth "$L" "$R" -o m.tif 2>err.txt
[ $? = 2 ] && grep -q "depth writes OUT.png or OUT.pfm" err.txt || fail "m.tif: $(cat err.txt)"
"$cli" depth "$L" "$R" --dx 5000 --dy 0 -o far.png 2>/dev/null
[ $? = 1 ] && [ ! -e far.png ] || fail "a position with no common region"
exit $((fails > 0))
