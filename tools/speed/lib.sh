# What the whole-process speed scripts share; sourced, not run.

# ms PROGRAM ARGS...: wall time to the millisecond, processor time (user +
# system) as time(1) gives it, both in ms.
ms() {
  local t0 t1 cpu
  t0=$(date +%s%N)
  cpu=$(/usr/bin/time -f "%U %S" "$@" 2>&1 >/dev/null | tail -n 1)
  t1=$(date +%s%N)
  echo "$(((t1 - t0) / 1000000)) $(echo "$cpu" | awk '{print ($1 + $2) * 1000}')"
}
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
ratio() { awk "BEGIN {printf \"%.2f\", $1 / $2}"; }
# peak PROGRAM ARGS...: the most resident memory, MiB.
peak() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk '/Maximum resident/ {printf "%.1f", $6 / 1024}'; }
# same_output OUT BEFORE_OUT NEW BEFORE ARGS...: both programs write the same
# bytes for ARGS (the output name last), or the script stops.
same_output() {
  local out=$1 before_out=$2 new=$3 before=$4
  shift 4
  "$new" "$@" "$out" && "$before" "$@" "$before_out"
  cmp -s "$out" "$before_out" || { echo "$new and $before differ" >&2; exit 1; }
}
# speed_setup BUILD_DIR NAME: builds binoxa-cli there and sets cli to it, T
# to a scratch folder removed on exit, and an empty profile.
speed_setup() {
  cmake --build "$1" -j2 --target binoxa-cli >/dev/null
  cli=$1/cli/binoxa-cli
  T=$(mktemp -d "${TMPDIR:-/tmp}/binoxa-$2.XXXXXX")
  trap 'rm -rf "$T"' EXIT
  export BINOXA_PROFILE=$T/empty.ini
}
# photo_pair DIR [NOISE]: DIR/L.jpg and DIR/R.jpg, a 6000 x 4000 photo-like
# pair saved by `cjpeg -quality 92`, the right view cut 8, 2 pixels further
# (aligned at --dx -8 --dy -2; the speed scripts' --dx 8 --dy 2 costs the
# same), and the left view as DIR/l.ppm. A plasma fractal has a photo's mix of
# smooth areas and detail, but is smoother than any camera's picture: NOISE
# (ImageMagick's -attenuate, 0.22 for 5.4 MB a view as a 24 MP camera gives)
# adds Gaussian noise to each view on its own, as a sensor does.
photo_pair() {
  convert -seed 7 -size 6008x4002 plasma:fractal -blur 0x1 "$1/scene.ppm"
  local noise=()
  [ -z "${2:-}" ] || noise=(-attenuate "$2" +noise Gaussian)
  convert "$1/scene.ppm" -crop 6000x4000+0+0 +repage -seed 11 "${noise[@]}" "$1/l.ppm"
  convert "$1/scene.ppm" -crop 6000x4000+8+2 +repage -seed 13 "${noise[@]}" "$1/r.ppm"
  cjpeg -quality 92 "$1/l.ppm" >"$1/L.jpg"
  cjpeg -quality 92 "$1/r.ppm" >"$1/R.jpg"
}
