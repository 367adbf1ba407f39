#!/usr/bin/env bash
# Wiggle animations read back by ImageMagick and webpmux: two frames, the
# delay, an endless loop; the GIF's frames within 30 dB of the views of a real
# photo pair, the lossless WebP's first frame exact; the default reduction to
# 1200 pixels; the refusals.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
aloe_pair .
"$cli" sample lib >/dev/null || { fail "sample"; exit 1; }
L=lib/ringsL.BMP R=lib/ringsR.BMP
run() { "$cli" "$@" || fail "binoxa-cli $* exited $?"; }

# OUT | options | what identify shows: frames and centiseconds
while IFS='|' read -r out options want; do
  run wiggle "$L" "$R" --dx 3 --dy 1 $options -o "$out"
  got=$(identify -format '%n %T,' "$out" | cut -d, -f1)
  [ "$got" = "$want" ] || fail "$out $options: identify shows '$got', expected '$want'"
  case $out in
    *.gif)
      identify -verbose "$out[0]" | grep -q 'Iterations: 0' || fail "$out loops a set number of times" ;;
    *.webp)
      info=$(webpmux -info "$out")
      ms=$((${want#* } * 10)) kind=lossless
      [ -z "$options" ] || kind=lossy
      grep -q 'Loop Count : 0' <<<"$info" || fail "$out loops a set number of times"
      [ "$(grep -cE "^ +[12]: .* $ms +none .*$kind\$" <<<"$info")" = 2 ] ||
        fail "$out $options: not two $kind frames of $ms ms: $info" ;;
  esac
done <<'EOF'
a.gif||2 15
b.gif|--delay 40|2 4
a.webp||2 15
b.webp|--quality 80|2 15
EOF

# Views that do not differ still make two frames.
run wiggle "$L" "$L" -o same.webp
webpmux -info same.webp | grep -q 'Number of frames: 2' || fail "two equal views: $(webpmux -info same.webp)"

# The views of a real pair, unreduced and reduced.
A=(aloeL.jpg aloeR.jpg --dx -30 --dy 2)
run left "${A[@]}" -o l.png
run right "${A[@]}" -o r.png
run wiggle "${A[@]}" --width 2000 -o full.gif
run wiggle "${A[@]}" --width 2000 -o full.webp
for i in 0 1; do
  view=$([ $i = 0 ] && echo l.png || echo r.png)
  psnr=$(compare -metric PSNR "full.gif[$i]" "$view" null: 2>&1)
  awk "BEGIN {exit !($psnr > 30)}" || fail "GIF frame $i is $psnr dB from $view"
done
[ "$(compare -metric AE 'full.webp[0]' l.png null: 2>&1)" = 0 ] || fail "the lossless WebP's first frame is not the left view"
run wiggle "${A[@]}" -o small.gif
[ "$(identify -format '%wx%h,' small.gif)" = "1200x1062,1200x1062," ] || fail "default width: $(identify -format '%wx%h,' small.gif)"

expect_usage() {
  "$cli" wiggle "$L" "$R" "$@" >/dev/null 2>err.txt
  local got=$?
  [ "$got" = 2 ] || fail "wiggle $* exited $got, expected 2"
  [ "$(wc -l <err.txt)" = 2 ] || fail "wiggle $*: $(cat err.txt)"  # the reason and where help is
  [ -z "$(ls refused.* 2>/dev/null)" ] || fail "wiggle $* wrote a file"
}
expect_usage -o refused.png
expect_usage --width 0 -o refused.gif
expect_usage --quality 80 -o refused.gif
exit $((fails > 0))
