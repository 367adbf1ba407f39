#!/usr/bin/env bash
# Whole-process speed of the anaglyph export on a 6000 x 4000 24-bit pair at
# position (8, 2), to a new file each run: binoxa-cli against the I/O floor
# (read both inputs, write as many bytes, as durably: no fsync for a new
# file) and against the plain program, medians of 7 paired runs, and the
# peak memory of binoxa-cli and of its "all" command.
#   tools/export-speed.sh [BUILD_DIR]   (default: build)
# BEFORE=path/to/binoxa-cli adds an earlier binoxa-cli to the same runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/speed/lib.sh"
build=${1:-$root/build}
cmake --build "$build" -j2 --target binoxa-cli binoxa-scenario export-floor export-plain >/dev/null
cli=$build/cli/binoxa-cli floor=$build/tools/export-floor plain=$build/tools/export-plain
T=$(mktemp -d "${TMPDIR:-/tmp}/binoxa-speed.XXXXXX")
trap 'rm -rf "$T"' EXIT
export BINOXA_PROFILE=$T/empty.ini

printf 'cd %s\nbmp left.bmp 6000 4000 gradient\nbmp right.bmp 6000 4000 noise 3\n' "$T" >"$T/pair.scn"
"$build/tools/binoxa-scenario" "$T/pair.scn" >/dev/null
L=$T/left.bmp R=$T/right.bmp

"$cli" anaglyph "$L" "$R" --dx 8 --dy 2 -o "$T/cli.bmp"
"$plain" "$L" "$R" "$T/plain.bmp" 8 2
cmp -s "$T/cli.bmp" "$T/plain.bmp" || { echo "binoxa-cli and the plain program differ" >&2; exit 1; }
bytes=$(stat -c %s "$T/cli.bmp")
before=${BEFORE:-}
[ -z "$before" ] || same_output "$T/cli.bmp" "$T/before.bmp" "$cli" "$before" anaglyph "$L" "$R" --dx 8 --dy 2 -o

: >"$T/floor" >"$T/cli" >"$T/plain" >"$T/before"
for run in 1 2 3 4 5 6 7; do
  rm -f "$T/floor.bmp" "$T/cli.bmp" "$T/plain.bmp" "$T/before.bmp"
  ms "$floor" "$L" "$R" "$T/floor.bmp" "$bytes" >>"$T/floor"
  ms "$cli" anaglyph "$L" "$R" --dx 8 --dy 2 -o "$T/cli.bmp" >>"$T/cli"
  ms "$plain" "$L" "$R" "$T/plain.bmp" 8 2 >>"$T/plain"
  [ -z "$before" ] || ms "$before" anaglyph "$L" "$R" --dx 8 --dy 2 -o "$T/before.bmp" >>"$T/before"
done
for column in 1 2; do
  f=$(cut -d' ' -f$column "$T/floor" | median) c=$(cut -d' ' -f$column "$T/cli" | median)
  p=$(cut -d' ' -f$column "$T/plain" | median)
  [ $column = 1 ] && echo "wall time, medians of 7:" || echo "processor time, medians of 7:"
  echo "  I/O floor:      $f ms"
  echo "  binoxa-cli:     $c ms   ($(ratio "$c" "$f") x the floor)"
  echo "  plain program:  $p ms   (binoxa-cli $(ratio "$p" "$c") x faster)"
  [ -z "$before" ] || {
    b=$(cut -d' ' -f$column "$T/before" | median)
    echo "  before:         $b ms   ($(ratio "$b" "$f") x the floor, $(ratio "$p" "$b") x faster than plain)"
  }
done
echo "peak memory, anaglyph: $(peak "$cli" anaglyph "$L" "$R" --dx 8 --dy 2 -o "$T/cli.bmp") MiB"
echo "peak memory, all:      $(peak "$cli" all "$L" "$R" --dx 8 --dy 2 -o "$T/all") MiB"
[ -z "$before" ] || {
  echo "peak memory, before, anaglyph: $(peak "$before" anaglyph "$L" "$R" --dx 8 --dy 2 -o "$T/before.bmp") MiB"
  echo "peak memory, before, all:      $(peak "$before" all "$L" "$R" --dx 8 --dy 2 -o "$T/all") MiB"
}
echo "peak memory, plain:    $(peak "$plain" "$L" "$R" "$T/plain.bmp" 8 2) MiB"
