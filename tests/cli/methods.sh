#!/usr/bin/env bash
# The colour-matrix anaglyphs against ffmpeg's stereo3d filter, pixel for
# pixel, on random pictures at several positions and on a real pair: ffmpeg
# gets the two aligned cut-outs side by side.
set -u
. "$(dirname "$0")/lib.sh"
command -v ffmpeg >/dev/null || { echo "SKIP: no ffmpeg"; exit 77; }

# PAIR-NAME LEFT RIGHT POSITION-OPTIONS...
against_ffmpeg() {
  local name=$1 l=$2 r=$3
  shift 3
  "$cli" left "$l" "$r" "$@" -o cutL.bmp && "$cli" right "$l" "$r" "$@" -o cutR.bmp || {
    fail "$name: no cut-outs"
    return
  }
  local m
  for m in true:arbg gray:arcg colour:arcc half-colour:arch dubois-red-cyan:arcd \
    dubois-green-magenta:agmd dubois-amber-blue:aybd; do
    # ffmpeg 5.1 takes BMP's bgr24 into stereo3d unconverted and mixes the
    # channels; the method is defined on RGB.
    ffmpeg -v error -y -i cutL.bmp -i cutR.bmp -filter_complex "hstack,format=rgb24,stereo3d=sbsl:${m#*:}" \
      ffmpeg.bmp || fail "$name: ffmpeg ${m#*:} failed"
    "$cli" anaglyph "$l" "$r" "$@" --method "${m%%:*}" -o ours.bmp || fail "$name: --method ${m%%:*} refused"
    # Both through our writer: the same bytes are the same pixels.
    "$cli" convert ffmpeg.bmp -o theirs.bmp
    cmp -s theirs.bmp ours.bmp || fail "$name: ${m%%:*} differs from ffmpeg ${m#*:}"
  done
}

for seed in 1 2; do
  convert -seed "$seed" -size 173x97 xc:gray +noise Random -type TrueColor BMP3:l$seed.bmp
  convert -seed "$((seed + 10))" -size 161x101 xc:gray +noise Random -type TrueColor BMP3:r$seed.bmp
done
against_ffmpeg "random" l1.bmp r1.bmp --dx 0 --dy 0
against_ffmpeg "random, shifted" l2.bmp r2.bmp --dx 7 --dy -3
aloe_pair "$dir"
against_ffmpeg "aloe" aloeL.jpg aloeR.jpg --dx -73 --dy 0

# The default is the custom weights, whatever METHOD names that we do not know.
"$cli" anaglyph l1.bmp r1.bmp -o plain.bmp
printf '[Binoxa]\nMETHOD=sepia\n' >"$BINOXA_PROFILE"
"$cli" anaglyph l1.bmp r1.bmp -o unknown.bmp
"$cli" anaglyph l1.bmp r1.bmp --method custom -o custom.bmp
cmp -s plain.bmp unknown.bmp || fail "an unknown METHOD is not the custom weights"
cmp -s plain.bmp custom.bmp || fail "--method custom is not the default"
printf '[Binoxa]\nMETHOD=gray\n' >"$BINOXA_PROFILE"
"$cli" anaglyph l1.bmp r1.bmp -o profile.bmp
"$cli" anaglyph l1.bmp r1.bmp --method gray -o gray.bmp
cmp -s profile.bmp gray.bmp || fail "METHOD=gray in the profile is not --method gray"
"$cli" anaglyph l1.bmp r1.bmp --method grey -o x.bmp 2>err.txt
[ $? = 2 ] && grep -q "method" err.txt || fail "an unknown --method is no usage error"

[ "$fails" = 0 ] && echo "methods: all passed"
exit $((fails > 0))
