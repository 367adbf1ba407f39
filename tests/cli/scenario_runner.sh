#!/usr/bin/env bash
# The scenario runner reports bad scripts line by line and never passes or
# crashes by accident.
set -uo pipefail
runner="$BINOXA_BIN/tools/binoxa-scenario"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# run NAME EXPECTED-STATUS EXPECTED-LINE... : the script on stdin
run() {
  local name=$1 status=$2
  shift 2
  cat >"$work/$name.scn"
  local out rc
  out=$(TMPDIR="$work" "$runner" "$work/$name.scn" 2>&1)
  rc=$?
  if [ "$rc" -ne "$status" ]; then
    echo "$name: exit status $rc, expected $status"
    echo "$out"
    failed=1
  fi
  for want in "$@"; do
    if ! grep -qF -- "$want" <<<"$out"; then
      echo "$name: no line with: $want"
      echo "$out"
      failed=1
    fi
  done
}

run syntax 1 "syntax.scn:1: syntax error" "syntax.scn:2: syntax error" \
  "syntax.scn:3: syntax error" "syntax.scn:4: " "syntax.scn:5: " "syntax.scn:6: " \
  "syntax.scn:7: " "0 passed, 7 failed" <<'SCN'
frobnicate 1 2
expect caption "unterminated
expect caption a"b"
size 10
size ten 20
bmp x.BMP 4 4 plaid
expect field noSuchField 1
SCN

run no_window 1 "no_window.scn:2: no window" "no_window.scn:3: no window" \
  "no_window.scn:6: no window" "0 passed, 3 failed" <<'SCN'
# everything that needs the window, before it exists
command 11848
expect caption "Binoxa"
start
exit
paint
SCN

run failed_expect 1 'failed_expect.scn:2: expected caption "Not it", saw "Binoxa"' \
  "1 passed, 1 failed" <<'SCN'
start
expect caption "Not it"
expect field viewMode Anaglyph
exit
SCN

# A message box nobody expected and a dialog nobody answered fail the script;
# an answer nobody used does not.
run leftovers 1 'leftovers.scn:4: unexpected message box "Error"' "leftovers.scn:5: " \
  "0 passed, 2 failed" <<'SCN'
start
write bad.BMP 00
open bad.BMP
command 11842
command 11844
open unused.BMP
exit
SCN

run files 0 "7 passed, 0 failed" <<'SCN'
write "$DIR/sub dir/a \"quoted\" \\ name" 4142 43
expect file "sub dir/a \"quoted\" \\ name" 41 42 43
cd "sub dir"
write rel.bin
cd $DIR
expect file "$DIR/sub dir/rel.bin"
expect file nothing.bin absent
bmp p/odd.BMP 5 3 gradient
expect file p/odd.BMP bmp 5 3
bmp p/odd8.BMP 5 3 gradient 8
expect file p/odd8.BMP bmp 5 3
bmp p/again.BMP 5 3 gradient
expect same p/odd.BMP p/again.BMP
expect profile MLR absent
SCN

exit $failed
