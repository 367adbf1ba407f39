#!/usr/bin/env bash
# Runs every binoxa-cli command on BMP, JPEG, PNG, MPO and JPS inputs with two
# programs and compares what they write, byte for byte: a faster path must
# give the same files.
#   tools/compare-outputs.sh BEFORE_CLI AFTER_CLI
set -euo pipefail
before=$1 after=$2
T=$(mktemp -d "${TMPDIR:-/tmp}/binoxa-compare.XXXXXX")
trap 'rm -rf "$T"' EXIT
export BINOXA_PROFILE=$T/empty.ini
cd "$T"
"$after" sample lib >/dev/null
L=lib/gardenL.BMP R=lib/gardenR.BMP
mkdir -p in
"$after" convert "$L" -o in/l.jpg
"$after" convert "$R" -o in/r.jpg
"$after" convert "$L" -o in/l.png
"$after" convert "$R" -o in/r.png
"$after" pair "$L" "$R" --dx 3 --dy -2 -o in/pair.mpo
"$after" pair "$L" "$R" --dx 3 --dy -2 -o in/pair.jps
inputs=("$L $R" "lib/ringsL.BMP lib/ringsR.BMP" "lib/blocksL.BMP lib/blocksR.BMP" "in/l.jpg in/r.jpg" "in/l.png in/r.png"
        "in/pair.mpo" "in/pair.jps" "in/l.jpg $R")
n=0 differ=0
run() {  # NAME ARGS...: the same command with both programs
  local name=$1
  shift
  mkdir -p "b/$name" "a/$name"
  local sb sa
  (cd "b/$name" && "$before" "$@" >stdout 2>stderr) && sb=0 || sb=$?
  (cd "a/$name" && "$after" "$@" >stdout 2>stderr) && sa=0 || sa=$?
  n=$((n + 1))
  if [ "$sb" != "$sa" ] || ! diff -r "b/$name" "a/$name" >/dev/null; then
    differ=$((differ + 1))
    echo "DIFFERENT: $*"
  fi
}
i=0
for pair in "${inputs[@]}"; do
  i=$((i + 1))
  files=()
  for f in $pair; do files+=("$T/$f"); done
  for out in o.bmp o.jpg o.png; do
    for cmd in anaglyph parallel crossed left right; do
      run "$i-$cmd-$out" "$cmd" "${files[@]}" -o "$out"
      run "$i-$cmd-$out-pos" "$cmd" "${files[@]}" --dx 5 --dy -3 -o "$out"
    done
    for method in true gray colour half-colour dubois-red-cyan dubois-green-magenta dubois-amber-blue; do
      run "$i-$method-$out" anaglyph "${files[@]}" --method "$method" --dx -4 --dy 2 -o "$out"
    done
    run "$i-swap-$out" anaglyph "${files[@]}" --swap --dx 7 -o "$out"
    run "$i-auto-$out" anaglyph "${files[@]}" --auto -o "$out"
  done
  run "$i-all" all "${files[@]}" -o base
  run "$i-align" align "${files[@]}"
  run "$i-pair-mpo" pair "${files[@]}" --dx 2 -o p.mpo
  run "$i-pair-jps" pair "${files[@]}" --dx 2 -o p.jps
done
for f in "$L" in/l.jpg in/l.png in/pair.mpo in/pair.jps; do
  for out in c.bmp c.jpg c.png c.mpo; do run "convert-$(basename "$f")-$out" convert "$T/$f" -o "$out"; done
done
mkdir -p card && cp lib/* card/ && cp in/pair.mpo card/photo.mpo
run batch batch "$T/card" -o out
echo "$n commands, $differ with different outputs"
[ "$differ" = 0 ]
