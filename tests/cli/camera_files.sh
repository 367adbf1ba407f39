#!/usr/bin/env bash
# Files as cameras write them: our MPOs read back by exiftool and Pillow with
# a camera's set of MP tags, the EXIF of a JPEG source kept in every output
# that can hold it, and a Fujifilm W3's file opened at its camera's parallax.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
camera_mpos .
py=/usr/bin/python3  # Debian's, with python3-pil
run() { "$cli" "$@" || fail "binoxa-cli $* exited $?"; }
# The MP tags of both images of an MPO, with their values but for where the
# images lie.
mptags() {
  local drop='$2 ~ /MPImageLength|MPImageStart/ { $NF = "" } $2 != "MPImage2"'
  exiftool -a -G1 -s -MPF:all "$1" | awk "$drop"' { print 1, $0 }'
  exiftool -b -MPImage2 "$1" | exiftool -a -G1 -s -MPF:all - | awk "$drop"' { print 2, $0 }'
}
frames() { $py -c 'import sys; from PIL import Image
im = Image.open(sys.argv[1]); s = [im.size for _ in range(im.n_frames) if im.seek(_) is None]
print(im.format, *[f"{w}x{h}" for w, h in s])' "$1"; }
psnr() { compare -metric PSNR "$1" "$2" null: 2>&1 | cut -d' ' -f1 | cut -d. -f1; }

# CAMERA FILE | pair options | what Pillow sees. The W3's pair opens at its
# parallax (-3.125 % of 3648: the right view 114 pixels to the left); the
# console's own 640 x 480 pair aligned leaves 601 x 451, enlarged for it.
while IFS='|' read -r camera options want; do
  [ -n "$camera" ] || continue
  out="out-${camera%.mpo}${options// /}.mpo"
  # shellcheck disable=SC2086
  run pair "$camera" $options -o "$out"
  [ "$(mptags "$out")" = "$(mptags "$camera")" ] ||
    fail "$out: MP tags differ from $camera's: $(diff <(mptags "$camera") <(mptags "$out") | tr '\n' ' ')"
  [ "$(frames "$out")" = "$want" ] || fail "$out: Pillow reads '$(frames "$out")', not '$want'"
  exiftool -b -MPImage2 "$out" | djpeg >second.pnm
  run right "$out" --dx 0 --dy 0 -o ours-right.png
  [ "$(compare -metric AE second.pnm ours-right.png null: 2>&1)" = 0 ] || fail "$out: MPImage2 is not our right view"
  if [ -z "$options" ]; then
    run right "$camera" -o camera-right.png
    run left "$camera" -o camera-left.png
    [ "$(psnr ours-right.png camera-right.png)" -ge 35 ] || fail "$out: MPImage2 is not $camera's right view"
    [ "$(psnr ours-right.png camera-left.png)" -lt 35 ] || fail "$out: MPImage2 looks like $camera's left view"
  fi
done <<'TABLE'
fujifilm.mpo||MPO 3534x2736 3534x2736
frozenpond.mpo||MPO 640x480 640x480
sugarshack.mpo||MPO 640x480 640x480
fujifilm.mpo|--device 3ds|MPO 640x480 640x480
frozenpond.mpo|--dx 39 --dy 29 --device 3ds|MPO 640x480 640x480
fujifilm.mpo|--dx 0 --dy 0|MPO 3648x2736 3648x2736
TABLE
[ "$(exiftool -a -FujiFilm:all out-fujifilm.mpo | wc -l)" = "$(exiftool -a -FujiFilm:all fujifilm.mpo | wc -l)" ] ||
  fail "the W3's maker notes are not kept whole"

# A JPEG pair with EXIF, the left turned (orientation 6) and with a thumbnail.
convert -size 120x80 -seed 3 plasma: l.ppm
convert -size 120x80 -seed 5 plasma: r.ppm
cjpeg l.ppm >plain.jpg
cjpeg r.ppm >R.jpg
convert l.ppm -resize 24x16 thumb.jpg
exiftool -q -o L.jpg -n -Make=Acme -Model="Twin 1" -DateTimeOriginal="2024:05:06 07:08:09" -Orientation=6 \
  -GPSLatitude=48.5 -GPSLatitudeRef=N -ExifImageWidth=120 -ExifImageHeight=80 "-ThumbnailImage<=thumb.jpg" plain.jpg
facts() { exiftool -s3 -n -Make -Model -DateTimeOriginal -GPSLatitude -Orientation "$@"; }
want=$(printf '%s\n' Acme "Twin 1" "2024:05:06 07:08:09" 48.5 1)

# A window save goes the same way; its pair at a camera's position too.
cat >window.scn <<SCN
start
open $PWD/L.jpg
command 11842
open $PWD/R.jpg
command 11843
save $PWD/window.jpg
command 11845
save $PWD/window.mpo
command 11855
expect no-message
open $PWD/fujifilm.mpo
command 11861
expect field rightOffsetX 114
expect field rightOffsetY 0
open $PWD/frozenpond.mpo
command 11861
expect field rightOffsetX 0
SCN
"$BINOXA_BIN/tools/binoxa-scenario" window.scn >/dev/null || fail "window: $("$BINOXA_BIN/tools/binoxa-scenario" window.scn)"

# COMMAND (its output last), or a file the window wrote: every image of it
# keeps the left source's facts.
while IFS='|' read -r command; do
  [ -n "$command" ] || continue
  # shellcheck disable=SC2086
  [[ $command != *" "* ]] || run $command
  out=${command##* }
  images=("$out")
  if [ "${out##*.}" = mpo ]; then
    exiftool -b -MPImage2 "$out" >"$out-2.jpg"
    images+=("$out-2.jpg")
  fi
  for image in "${images[@]}"; do
    [ "$(facts "$image")" = "$want" ] || fail "$command: $image keeps '$(facts "$image" | tr '\n' '/')'"
    read -r w h < <(identify -format '%w %h\n' "$image" | head -1)
    [ "$(exiftool -s3 -ExifImageWidth -ExifImageHeight "$image" | tr '\n' ' ')" = "$w $h " ] ||
      fail "$command: $image does not give its own size ${w}x$h"
    [ -z "$(exiftool -s3 -ThumbnailImage "$image")" ] || fail "$command: $image keeps the old thumbnail"
  done
done <<'TABLE'
anaglyph L.jpg R.jpg --dx 3 -o a.jpg
left L.jpg R.jpg -o aligned.jpg
anaglyph L.jpg R.jpg -o a.png
pair L.jpg R.jpg -o p.mpo
pair L.jpg R.jpg -o p.jps
layout sbs L.jpg R.jpg -o s.jpg
convert L.jpg -o c.jpg
window.jpg
window.mpo
TABLE

# Without EXIF in the source there is none in the output.
run anaglyph plain.jpg R.jpg -o none.jpg
[ -z "$(exiftool -s3 -EXIF:all none.jpg)" ] || fail "EXIF made up for a source without it"

exit $((fails > 0))
