#!/usr/bin/env bash
# What the commands write: names, sizes, the position file default, and the
# same pictures from the single commands as from all.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
run() { "$cli" "$@" || fail "binoxa-cli $* exited $?"; }
int32() { od -An -t d4 -j "$2" -N 4 "$1" | tr -d ' '; }  # FILE OFFSET
size() { echo "$(int32 "$1" 18)x$(int32 "$1" 22)"; }

run sample lib
for f in gardenL gardenR blocksL blocksR ringsL ringsR marbles; do
  [ -f "lib/$f.BMP" ] || fail "sample wrote no $f.BMP"
done
run sample again
for f in lib/*; do cmp -s "$f" "again/${f#lib/}" || fail "sample is not deterministic: $f"; done
[ "$(size lib/ringsL.BMP)" != "$(size lib/ringsR.BMP)" ] || fail "the rings pair has one size"
[ "$(od -An -t u2 -j 28 -N 2 lib/blocksL.BMP | tr -d ' ')" = 8 ] || fail "blocks is not 8-bit"

L=lib/gardenL.BMP R=lib/gardenR.BMP
# Our own 24-bit files convert to themselves; 8-bit ones become 24-bit.
run convert "$L" -o copy
cmp -s "$L" copy.BMP || fail "convert changed a 24-bit file"
run convert lib/blocksL.BMP -o blocks24.bmp
[ "$(od -An -t u2 -j 28 -N 2 blocks24.bmp | tr -d ' ')" = 24 ] || fail "convert wrote no 24-bit file"

mkdir out
run all "$L" "$R" -o out/pair.bmp
run all "$L" "$R" -o out/bare
run all "$L" "$R" -o out/pair.jpg
for base in out/pair out/bare out/pair.jpg; do
  for s in A P C L R; do [ -f "${base}_$s.BMP" ] || fail "all wrote no ${base}_$s.BMP"; done
done
[ "$(ls out | wc -l)" = 15 ] || fail "all wrote $(ls out | tr '\n' ' ')"

suffix=(A P C L R)
cmds=(anaglyph parallel crossed left right)
for i in "${!cmds[@]}"; do
  cmd=${cmds[$i]} s=${suffix[$i]}
  run "$cmd" "$L" "$R" -o "single_$s"
  cmp -s "single_$s.BMP" "out/pair_$s.BMP" || fail "$cmd differs from all's _$s"
done
[ "$(size out/pair_A.BMP)" = 480x360 ] || fail "anaglyph at 0 0 is $(size out/pair_A.BMP)"
[ "$(size out/pair_P.BMP)" = 399x149 ] || fail "parallel at the default settings is $(size out/pair_P.BMP)"

# The right picture's position file is the default position; options override it.
printf '\375\377\377\377\024\0\0\0' >lib/gardenR.POS  # dy -3, dx 20
run anaglyph "$L" "$R" -o pos.bmp
[ "$(size pos.bmp)" = 460x357 ] || fail "position file not used: $(size pos.bmp)"
run anaglyph "$L" "$R" --dx 0 -o dx0.bmp
[ "$(size dx0.bmp)" = 480x357 ] || fail "--dx did not override: $(size dx0.bmp)"

# A position file spelled like another picture belongs to that picture: both
# routes (rows to BMP, whole pictures to PNG) leave it alone.
mkdir twins && cp "$L" twins/L.BMP && cp "$R" twins/CR.BMP && cp "$R" twins/cR.BMP
printf '\373\377\377\377\050\0\0\0' >twins/cR.POS  # dy -5, dx 40: cR.BMP's
run left twins/L.BMP twins/CR.BMP -o twins/a.bmp
run left twins/L.BMP twins/CR.BMP -o twins/b.png
[ "$(size twins/a.bmp)" = 480x360 ] || fail "the twin's position file was taken: $(size twins/a.bmp)"
[ "$(identify -format %wx%h twins/b.png)" = 480x360 ] || fail "PNG route: $(identify -format %wx%h twins/b.png)"

# Profile settings are the defaults; options override them.
printf '[Binoxa]\nVIEWSIZE=240\nSPACE=5\n' >"$BINOXA_PROFILE"
run parallel "$L" "$R" --dx 0 --dy 0 -o prof.bmp
[ "$(size prof.bmp)" = 495x190 ] || fail "profile settings not used: $(size prof.bmp)"
run parallel "$L" "$R" --dx 0 --dy 0 --view-size 480 --spacing 0 -o opt.bmp
[ "$(size opt.bmp)" = 960x360 ] || fail "options did not override: $(size opt.bmp)"

exit $((fails > 0))
