#!/usr/bin/env bash
# An export interrupted at any moment leaves either the whole file or nothing:
# never a temporary file beside it.
set -u
cli="${BINOXA_CLI:?BINOXA_CLI names the binoxa-cli binary}"
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT && cd "$dir" || exit 1
export BINOXA_PROFILE="$dir/profile.ini"
"$cli" sample lib >/dev/null || { echo "FAIL: sample"; exit 1; }
mkdir out
fails=0
for delay in 0.05 0.1 0.2 0.3 0.5 0.8 1.2 2 4; do
  "$cli" parallel lib/gardenL.BMP lib/gardenR.BMP --view-size 2000 -o out/big.bmp &
  sleep "$delay"
  kill -INT $! 2>/dev/null
  wait $!
  stray=$(ls -A out | grep -vx big.bmp)
  if [ -n "$stray" ]; then echo "FAIL: interrupted after ${delay}s, left $stray"; fails=$((fails + 1)); fi
  rm -f out/* out/.[!.]*
done
exit $((fails > 0))
