#!/usr/bin/env bash
# Refused inputs and failed writes exit 1 with the window's one-line message
# on stderr and leave no output file.
set -u
cli="${BINOXA_CLI:?BINOXA_CLI names the binoxa-cli binary}"
dir=$(mktemp -d) && trap 'chmod -R u+w "$dir"; rm -rf "$dir"' EXIT && cd "$dir" || exit 1
export BINOXA_PROFILE="$dir/profile.ini"
fails=0
# STATUS MESSAGE OUTPUT ARGS...: exit status, exact stderr ("" = any one line), file that must not exist
expect_refusal() {
  local message=$1 output=$2; shift 2
  "$cli" "$@" >/dev/null 2>err.txt
  local got=$?
  if [ "$got" != 1 ]; then
    echo "FAIL: binoxa-cli $* exited $got, expected 1"; fails=$((fails + 1))
  fi
  if [ -n "$message" ] && [ "$(cat err.txt)" != "$message" ]; then
    echo "FAIL: binoxa-cli $*: stderr '$(cat err.txt)', expected '$message'"; fails=$((fails + 1))
  fi
  if [ "$(wc -l <err.txt)" != 1 ]; then
    echo "FAIL: binoxa-cli $*: not one line on stderr"; cat err.txt; fails=$((fails + 1))
  fi
  if [ -e "$output" ]; then
    echo "FAIL: binoxa-cli $* left $output"; fails=$((fails + 1)); rm -f "$output"
  fi
}
# A 54-byte header with the given bits per pixel and compression, then one pixel.
header() {  # BITS COMPRESSION
  printf 'BM\072\0\0\0\0\0\0\0\066\0\0\0\050\0\0\0\001\0\0\0\001\0\0\0\001\0'
  printf "\\$(printf %03o "$1")\\0"
  printf "\\$(printf %03o "$2")\\0\\0\\0"
  head -c 20 /dev/zero
}
"$cli" sample lib >/dev/null || { echo "FAIL: sample"; exit 1; }
L=lib/gardenL.BMP R=lib/gardenR.BMP
{ header 4 0; printf '\0\0\0\0'; } >deep4.bmp
{ header 8 1; head -c 1028 /dev/zero; } >rle.bmp
{ header 16 3; printf '\0\0\0\0'; } >c16.bmp
{ header 24 0; } >norows.bmp
printf 'BM' >short.bmp

expect_refusal "Must be an 8 or 24 bit bitmap" out.BMP convert deep4.bmp -o out.bmp
expect_refusal "Cannot handle compressed bitmaps" out.BMP anaglyph rle.bmp "$R" -o out.bmp
expect_refusal "Must be an 8 or 24 bit bitmap" out.BMP anaglyph "$L" c16.bmp -o out.bmp
expect_refusal "" out.BMP convert norows.bmp -o out.bmp
expect_refusal "" out.BMP convert short.bmp -o out.bmp
expect_refusal "" out.BMP convert missing.bmp -o out.bmp
expect_refusal "Change position of right picture first!" out.BMP anaglyph "$L" "$R" --dx 481 -o out.bmp
expect_refusal "Change position of right picture first!" all_A.BMP all "$L" "$R" --dy -361 -o all
# An empty overlap fits, but a picture without pixels is never written.
expect_refusal "Cannot write e.bmp: bitmap has no pixels" e.bmp parallel "$L" "$R" --dx 480 --view-size 960 -o e.bmp
expect_refusal "Cannot write e_A.BMP: bitmap has no pixels" e_A.BMP all "$L" "$R" --dy 360 -o e

# Settings out of range in a hand-edited profile.
printf '[Binoxa]\nVIEWSIZE=0\n' >"$BINOXA_PROFILE"
expect_refusal "Image size for viewing or space between images out of range" out.BMP parallel "$L" "$R" -o out.bmp
expect_refusal "Image size for viewing or space between images out of range" set_A.BMP all "$L" "$R" -o set
printf '[Binoxa]\nSPACE=-4\n' >"$BINOXA_PROFILE"
expect_refusal "Image size for viewing or space between images out of range" out.BMP crossed "$L" "$R" -o out.bmp
rm -f "$BINOXA_PROFILE"
# A common region one pixel wide has no 4:3 part to scale to a console's views.
expect_refusal "The common region (1 x 360) is too small for the console's 640 x 480 views" out.mpo \
  pair "$L" "$R" --dx 479 --dy 0 -o out.mpo --device 3ds

# Writes that cannot happen: a folder that is a file, and a read-only folder.
touch plain
expect_refusal "" plain/out.BMP convert "$L" -o plain/out.bmp
expect_refusal "" plain/p_A.BMP all "$L" "$R" -o plain/p
# The reason is given, and a line break in the name cannot split the line.
expect_refusal 'Cannot write no\nsuch/x.bmp: No such file or directory' $'no\nsuch/x.bmp' convert "$L" -o $'no\nsuch/x.bmp'
expect_refusal 'Cannot open miss\ning.bmp: No such file or directory' out.BMP convert $'miss\ning.bmp' -o out.bmp
mkdir locked && chmod 555 locked
if [ ! -w locked ]; then  # root writes anywhere
  expect_refusal "" locked/out.BMP anaglyph "$L" "$R" -o locked/out
  [ -z "$(ls -A locked)" ] || { echo "FAIL: the read-only folder holds $(ls -A locked)"; fails=$((fails + 1)); }
fi

exit $((fails > 0))
