#!/usr/bin/env bash
# batch on a folder of 50 pairs, one of them broken: the 49 others give the
# five files of `binoxa-cli all` at their position file and the profile's
# settings; the broken one gets one line on stderr, no file, and exit 1.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
printf '[Binoxa]\nMLR=200\nMRB=90\nVIEWSIZE=77\nSPACE=5\n' >"$BINOXA_PROFILE"
"$cli" sample s >/dev/null || { fail "sample"; exit 1; }
mkdir lib cli
pairs=(garden blocks rings)
for i in $(seq -w 0 49); do
  p=${pairs[10#$i % 3]}
  cp "s/${p}L.BMP" "lib/p${i}L.BMP"
  cp "s/${p}R.BMP" "lib/p${i}r.bmp"  # the partner's letter case does not matter
  # a position file (vertical offset, then horizontal) for every other pair
  ((10#$i % 2)) && perl -e 'print pack("l<l<", @ARGV)' -- $((10#$i % 3 - 1)) $((10#$i % 7 - 3)) >"lib/p${i}r.POS"
done
head -c 100 lib/p17r.bmp >broken && mv broken lib/p17r.bmp

"$cli" batch lib -o out -j 2 >summary.txt 2>err.txt
status=$?
[ "$status" = 1 ] || fail "exit status $status, expected 1"
[ "$(wc -l <err.txt)" = 1 ] && grep -q '^p17: ' err.txt || fail "stderr: $(cat err.txt)"
[ "$(cat summary.txt)" = "49 of 50 pairs exported, 1 failed" ] || fail "summary: $(cat summary.txt)"
[ "$(ls out | wc -l)" = 245 ] || fail "$(ls out | wc -l) files written, expected 245"
ls out | grep -q '^p17' && fail "files of the broken pair written"
for i in $(seq -w 0 49); do
  [ "$i" = 17 ] && continue
  "$cli" all "lib/p${i}L.BMP" "lib/p${i}r.bmp" -o "cli/p$i" 2>/dev/null || fail "binoxa-cli all of p$i"
  for s in A P C L R; do
    cmp -s "out/p${i}_$s.BMP" "cli/p${i}_$s.BMP" || fail "p${i}_$s.BMP differs from binoxa-cli all"
  done
done

# Two cameras' pairs whose names differ only in letter case: each pair gets
# its own five files, none written over another of the same run.
mkdir card
cp s/gardenL.BMP card/aL.BMP && cp s/gardenR.BMP card/aR.BMP
convert s/ringsL.BMP card/AL.JPG && convert s/ringsR.BMP card/AR.JPG
"$cli" batch card -o cardout >summary.txt 2>err.txt || fail "batch of case twins: $(cat err.txt)"
[ "$(cat summary.txt)" = "2 of 2 pairs exported" ] || fail "case twins summary: $(cat summary.txt)"
[ "$(ls cardout | wc -l)" = 10 ] || fail "case twins wrote $(ls cardout | tr '\n' ' ')"
"$cli" anaglyph card/aL.BMP card/aR.BMP -o lower.bmp && cmp -s lower.bmp cardout/a_A.BMP ||
  fail "a_A.BMP is not the first pair's anaglyph"
exit $((fails > 0))
