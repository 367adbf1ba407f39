#!/usr/bin/env bash
# Fuzzes each target for SECONDS, seeded from its checked-in corpus, and
# prints executions, edges reached and corpus size before and after.
#   tools/fuzz.sh TARGET... SECONDS      (TARGET: bmp, thumbnail, ..., or all)
# The programs come from $BINOXA_FUZZ_BIN (default build-asan/tests), a build
# configured with -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Asan -DBINOXA_FUZZ=ON.
# FUZZ_KEEP=1 adds the inputs that reached new coverage to the checked-in corpus.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${BINOXA_FUZZ_BIN:-$root/build-asan/tests}
(($# >= 2)) || { echo "usage: tools/fuzz.sh TARGET... SECONDS" >&2; exit 2; }
seconds=${*: -1}
targets=("${@:1:$#-1}")
if [ "${targets[*]}" = all ]; then
  targets=()
  for f in "$root"/tests/fuzz/*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
count() { find "$1" -type f | wc -l; }
status=0
for t in "${targets[@]}"; do
  program=$bin/fuzz_$t corpus=$root/tests/fuzz/corpus/$t
  [ -x "$program" ] || { echo "$t: $program was not built" >&2; exit 2; }
  mkdir -p "$corpus"
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/binoxa-fuzz-$t.XXXXXX")
  before=$(count "$corpus")
  # New inputs go to the scratch folder (the first one named); the checked-in corpus stays as it is.
  if "$program" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$scratch/" \
    "$scratch" "$corpus" >"$scratch/log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/log")
    edges=$(grep -o 'cov: [0-9]*' "$scratch/log" | tail -n 1 | cut -d' ' -f2)
    after=$((before + $(count "$scratch") - 1))  # less the log
    if [ -n "${FUZZ_KEEP:-}" ]; then
      rm "$scratch/log"
      "$program" -merge=1 "$corpus" "$scratch" >/dev/null 2>&1
      after=$(count "$corpus")
    fi
    echo "$t: $runs runs, $edges edges, corpus $before -> $after files"
    rm -rf "$scratch"
  else
    echo "$t: FAILED; the input and the log are in $scratch" >&2
    tail -n 40 "$scratch/log" >&2
    status=1
  fi
done
exit $status
