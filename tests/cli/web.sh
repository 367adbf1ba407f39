#!/usr/bin/env bash
# binoxa-cli web: the size of the views the page holds (the default 2048
# pixels, --width, --width 0 for full size, one stereo file, --swap), and the
# refusals that write nothing. The page in a browser: tests/web.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
convert -size 2200x300 gradient:red-blue wideL.png && convert -size 2200x300 gradient:green-yellow wideR.png ||
  { fail "convert"; exit 1; }
"$cli" pair wideL.png wideR.png -o wide.mpo || fail "pair"
# The JPEG views of PAGE, as identify sees them: "WxH WxH".
views() {
  for side in left right; do
    grep -o "<img id=\"$side\"[^>]*" "$1" | sed 's/.*base64,//; s/"$//' | base64 -d >view.jpg
    identify -format '%m %wx%h ' view.jpg
  done
}

# arguments | the views
while IFS='|' read -r args want; do
  rm -f page.html
  # shellcheck disable=SC2086
  "$cli" web $args -o page.html || fail "web $args exited $?"
  got=$(views page.html)
  [ "$got" = "$want" ] || fail "web $args: views '$got', expected '$want'"
done <<'EOF2'
wideL.png wideR.png|JPEG 2048x279 JPEG 2048x279 
wideL.png wideR.png --dx 200 --dy 10|JPEG 2000x290 JPEG 2000x290 
wideL.png wideR.png --width 0 --dx 100|JPEG 2100x300 JPEG 2100x300 
wideL.png wideR.png --width 300|JPEG 300x41 JPEG 300x41 
wide.mpo --width 0 --quality 50|JPEG 2200x300 JPEG 2200x300 
EOF2
# --swap: the right picture becomes the left view (red-blue is the left's).
"$cli" web wideL.png wideR.png --swap --width 10 -o swapped.html || fail "web --swap"
grep -o '<img id="left"[^>]*' swapped.html | sed 's/.*base64,//; s/"$//' | base64 -d >swapped.jpg
[ "$(convert swapped.jpg -format '%[fx:int(255*p{0,0}.g)]' info:)" -gt 100 ] || fail "--swap kept the left view"

# The caption from the left photo's EXIF, as HTML text: the date the photo was
# taken, else the file's, and the camera with its make once; none without.
convert wideL.png -quality 80 wideL.jpg || fail "convert to JPEG"
while IFS='|' read -r tags want; do
  rm -f tagged.jpg
  # shellcheck disable=SC2086
  eval exiftool -q -all= $tags -o tagged.jpg wideL.jpg || fail "exiftool $tags"
  "$cli" web tagged.jpg wideR.png --width 10 -o captioned.html || fail "web with $tags"
  got=$(grep -o '<p id="caption">.*</p>' captioned.html)
  [ "$got" = "$want" ] || fail "$tags: caption '$got', expected '$want'"
done <<'EOF2'
-DateTimeOriginal='2023:06:14 10:31:05' -ModifyDate='2024:01:01 00:00:00' -Make=Canon -Model='Canon EOS 5D'|<p id="caption">2023-06-14 10:31:05 · Canon EOS 5D</p>
-ModifyDate='2011:02:01 12:39:51' -Model=W3|<p id="caption">2011-02-01 12:39:51 · W3</p>
-Make=FUJIFILM|<p id="caption">FUJIFILM</p>
-Make=FUJIFILM -Model='FinePix <W3> & "1"'|<p id="caption">FUJIFILM FinePix &lt;W3&gt; &amp; &quot;1&quot;</p>
|
EOF2

# Usage errors exit 2, a refused pair 1; neither writes a file.
while IFS='|' read -r status args; do
  # shellcheck disable=SC2086
  "$cli" web $args >/dev/null 2>err.txt
  got=$?
  [ "$got" = "$status" ] || fail "web $args exited $got, expected $status: $(cat err.txt)"
  [ "$(wc -l <err.txt)" -ge 1 ] || fail "web $args said nothing"
  [ -z "$(ls refused.* 2>/dev/null)" ] || fail "web $args wrote a file"
done <<'EOF2'
2|wideL.png wideR.png -o refused.png
2|wideL.png wideR.png --width -1 -o refused.html
2|wideL.png wideR.png --view-size 10 -o refused.html
2|wideL.png -o refused.html
1|wideL.png wideR.png --dx 5000 -o refused.html
1|wideL.png missing.png -o refused.html
EOF2
exit $((fails > 0))
