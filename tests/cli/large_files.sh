#!/usr/bin/env bash
# A file far larger than its picture is read as far as its header needs; a
# picture larger than the memory left is refused in one line.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

"$cli" sample lib || fail "sample"
cp lib/gardenL.BMP padded.bmp && truncate -s 64G padded.bmp
timeout 20 "$cli" convert padded.bmp -o out.bmp 2>err.txt || fail "convert of a padded file exited $?: $(cat err.txt)"
cmp -s out.bmp lib/gardenL.BMP || fail "convert of a padded file changed the picture"

# 16384 x 16384, 24-bit: the header holds, the rows are there (sparse), the
# raster does not fit under the limit.
printf 'BM\0\0\0\0\0\0\0\0\066\0\0\0\050\0\0\0\0\100\0\0\0\100\0\0\001\0\030\0' >huge.bmp
truncate -s $((54 + 16384 * 16384 * 3)) huge.bmp
if (ulimit -v 400000 && "$cli" --help >/dev/null 2>&1); then
  (ulimit -v 400000 && exec "$cli" convert huge.bmp -o no.bmp) 2>err.txt
  status=$?
  [ "$status" = 1 ] || fail "a picture over the memory limit exited $status"
  [ "$(cat err.txt)" = "Not enough memory" ] || fail "stderr '$(cat err.txt)'"
  [ ! -e no.bmp ] || fail "a refused picture left no.bmp"
else
  echo "skipped the memory limit: the program does not start under ulimit -v (sanitizer build)"
fi
[ "$fails" = 0 ]
