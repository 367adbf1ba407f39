#!/usr/bin/env bash
# Usage errors exit 2 and write nothing; --help exits 0.
set -u
cli="${BINOXA_CLI:?BINOXA_CLI names the binoxa-cli binary}"
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT && cd "$dir" || exit 1
fails=0
expect_status() {  # STATUS ARGS...
  local want=$1; shift
  "$cli" "$@" >out.txt 2>err.txt
  local got=$?
  if [ "$got" != "$want" ]; then
    echo "FAIL: binoxa-cli $* exited $got, expected $want"; cat err.txt; fails=$((fails + 1))
  fi
}
"$cli" sample lib >/dev/null || { echo "FAIL: sample"; exit 1; }
L=lib/gardenL.BMP R=lib/gardenR.BMP

expect_status 2
expect_status 2 frobnicate
expect_status 2 anaglyph "$L" "$R"                    # no -o
expect_status 2 anaglyph "$L" -o x.bmp                # one picture only
expect_status 2 anaglyph "$L" "$R" "$R" -o x.bmp
expect_status 2 anaglyph "$L" "$R" -o x.bmp --dx
expect_status 2 anaglyph "$L" "$R" -o x.bmp --dx 1.5
expect_status 2 anaglyph "$L" "$R" -o x.bmp --dy 99999999999
expect_status 2 anaglyph "$L" "$R" -o x.bmp --left-colour 256,0,0
expect_status 2 anaglyph "$L" "$R" -o x.bmp --right-colour 1,2
expect_status 2 anaglyph "$L" "$R" -o x.bmp --view-size 100   # not an anaglyph setting
expect_status 2 parallel "$L" "$R" -o x.bmp --view-size 0
expect_status 2 parallel "$L" "$R" -o x.bmp --spacing -1
expect_status 2 parallel "$L" "$R" -o x.bmp --frame 3
expect_status 2 convert "$L" -o x.bmp -o y.bmp
expect_status 2 sample lib -o x.bmp
expect_status 2 convert "$L" -o lib/                  # a folder, not a file name
expect_status 2 convert "$L" -o ""
expect_status 2 pair "$L" "$R" -o x.mpo --device tv
expect_status 2 pair "$L" "$R" -o x.jps --device 3ds   # the console reads MPOs
expect_status 2 anaglyph "$L" "$R" -o x.bmp --device 3ds
[ -e lib/.BMP ] || [ -e .BMP ] && { echo "FAIL: an output without a name was written"; fails=$((fails + 1)); }
[ -e x.bmp ] || [ -e x.bmp.BMP ] && { echo "FAIL: a usage error wrote a file"; fails=$((fails + 1)); }

for cmd in convert anaglyph parallel crossed left right all sample; do
  expect_status 0 "$cmd" --help
  grep -q "^Usage: binoxa-cli $cmd" out.txt || { echo "FAIL: $cmd --help"; fails=$((fails + 1)); }
done
expect_status 0 --help
grep -q "binoxa-cli COMMAND" out.txt || { echo "FAIL: --help"; fails=$((fails + 1)); }
expect_status 0 --version
grep -qx "binoxa-cli [0-9]*\.[0-9]*\.[0-9]*" out.txt || { echo "FAIL: --version: $(cat out.txt)"; fails=$((fails + 1)); }

exit $((fails > 0))
