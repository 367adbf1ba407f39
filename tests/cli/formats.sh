#!/usr/bin/env bash
# Pictures written by other programs decode to the pixels their own decoders
# give; the stereo files we write are read back by other programs.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
run() { "$cli" "$@" || fail "binoxa-cli $* exited $?"; }
# Pixels that differ by more than FUZZ (0 = exact).
differ() { compare -metric AE -fuzz "${3:-0}" "$1" "$2" null: 2>&1 | cut -d' ' -f1; }
same() {  # WHAT OURS ORACLE [FUZZ]
  local n; n=$(differ "$2" "$3" "${4:-0}")
  [ "$n" = 0 ] || fail "$1: $n pixels differ from the other decoder"
}

convert -size 97x61 -seed 3 plasma: left.ppm
convert -size 97x61 -seed 5 plasma: right.ppm

# NAME, program that writes NAME from left.ppm, program that decodes NAME to oracle.pnm.
while IFS='|' read -r name make decode; do
  [ -n "$name" ] || continue
  eval "$make" || { fail "cannot make $name"; continue; }
  eval "$decode" >oracle.pnm || { fail "cannot decode $name"; continue; }
  run convert "$name" -o "ours-$name.png"
  same "$name" "ours-$name.png" oracle.pnm
done <<'TABLE'
baseline.jpg|cjpeg -quality 85 left.ppm >baseline.jpg|djpeg baseline.jpg
progressive.jpg|cjpeg -progressive left.ppm >progressive.jpg|djpeg progressive.jpg
grey.jpg|cjpeg -grayscale left.ppm >grey.jpg|djpeg -pnm grey.jpg
h2v1.jpg|cjpeg -sample 2x1 -restart 1 left.ppm >h2v1.jpg|djpeg h2v1.jpg
magick.jpg|convert left.ppm -quality 70 magick.jpg|djpeg magick.jpg
cmyk.jpg|convert left.ppm -colorspace CMYK cmyk.jpg|convert cmyk.jpg -colorspace sRGB ppm:-
rotated6.jpg|cjpeg left.ppm >r.jpg && exiftool -q -n -Orientation=6 -o rotated6.jpg r.jpg|convert rotated6.jpg -auto-orient ppm:-
mirrored2.jpg|cjpeg left.ppm >m.jpg && exiftool -q -n -Orientation=2 -o mirrored2.jpg m.jpg|convert mirrored2.jpg -auto-orient ppm:-
transverse7.jpg|cjpeg left.ppm >t.jpg && exiftool -q -n -Orientation=7 -o transverse7.jpg t.jpg|convert transverse7.jpg -auto-orient ppm:-
rgb8.png|convert left.ppm -depth 8 rgb8.png|pngtopnm rgb8.png
rgb16.png|convert left.ppm -depth 16 rgb16.png|pngtopnm rgb16.png | pnmdepth 255
palette.png|convert left.ppm -colors 40 -type Palette palette.png|pngtopnm palette.png
grey16.png|convert left.ppm -colorspace Gray -depth 16 grey16.png|pngtopnm grey16.png | pnmdepth 255
interlaced.png|convert left.ppm -interlace PNG interlaced.png|pngtopnm interlaced.png | pnmdepth 255
alpha8.png|convert left.ppm -alpha set -channel A -fx i/w -depth 8 alpha8.png|pngtopnm -mix -background white alpha8.png
alpha16.png|convert left.ppm -alpha set -channel A -fx j/h -depth 16 alpha16.png|pngtopnm -mix -background white alpha16.png | pnmdepth 255
greyalpha.png|convert left.ppm -colorspace Gray -alpha set -channel A -fx i/w greyalpha.png|pngtopnm -mix -background white greyalpha.png | pnmdepth 255
python.png|python3 -c "import zlib,struct;c=lambda t,d:struct.pack('>I',len(d))+t+d+struct.pack('>I',zlib.crc32(t+d));r=b''.join(b'\0'+bytes((x*40+y*9)%256 for x in range(6)) for y in range(4));open('python.png','wb').write(b'\x89PNG\r\n\x1a\n'+c(b'IHDR',struct.pack('>IIBBBBB',6,4,8,0,0,0,0))+c(b'IDAT',zlib.compress(r))+c(b'IEND',b''))"|pngtopnm python.png
TABLE

# The stereo files we write: MPO read by exiftool (right) and ImageMagick
# (left), JPS halves in cross-eyed order; the views we read back are theirs.
# Smooth pictures whose halves meet on a block edge, so a view survives JPEG
# within a few levels.
convert -size 96x61 gradient:red-blue left.png && convert -size 96x61 gradient:yellow-green right.png
run pair left.png right.png --dx 0 --dy 0 --quality 95 -o pair.mpo
[ "$(exiftool -s3 -NumberOfImages pair.mpo)" = 2 ] || fail "exiftool counts no two images in pair.mpo"
exiftool -b -MPImage2 pair.mpo | djpeg >mpo-right.pnm
convert 'pair.mpo[0]' mpo-left.ppm
run right pair.mpo --dx 0 --dy 0 -o our-right.png
run left pair.mpo --dx 0 --dy 0 -o our-left.png
same "MPO right view" our-right.png mpo-right.pnm
same "MPO left view" our-left.png mpo-left.ppm
same "MPO right view is the right picture" our-right.png right.png 4%

run pair left.png right.png --dx 0 --dy 0 -o pair.jps
djpeg pair.jps | pnmcut -left 0 -width 96 >jps-first.pnm
run left pair.jps --dx 0 --dy 0 -o jps-left.png
run right pair.jps --dx 0 --dy 0 -o jps-right.png
same "JPS right view on the left half" jps-right.png jps-first.pnm
# Chroma upsampling blends the one column where the halves meet.
n=$(differ jps-left.png left.png 4%)
[ "$n" -le 61 ] || fail "JPS left view: $n pixels differ from the left picture"

# Outputs by extension; a bare name stays BMP.
run convert left.png -o out.jpeg --quality 40
[ "$(identify -format %Q out.jpeg)" = 40 ] || fail "--quality 40 wrote quality $(identify -format %Q out.jpeg)"
printf '[Binoxa]\nQUALITY=60\n' >"$BINOXA_PROFILE"
run convert left.png -o out.JPG
[ "$(identify -format %Q out.JPG)" = 60 ] || fail "profile QUALITY 60 wrote quality $(identify -format %Q out.JPG)"
run convert left.png -o out
[ "$(head -c 2 out.BMP)" = BM ] || fail "a bare name did not get a BMP"
run convert pair.mpo -o first.png
same "convert of an MPO writes its left view" first.png our-left.png

exit $((fails > 0))
