#!/usr/bin/env bash
# Residual vertical disparity of automatic alignment on real pairs, as an
# independent judge measures it on the exported aligned pictures, for one or
# more builds of binoxa-cli side by side:
#   tools/align-accuracy.sh DATA CLI [CLI...]
# DATA holds fujifilm.mpo, frozenpond.mpo, sugarshack.mpo (pillow's test
# pictures) and the opencv-doc pairs (leftNN.jpg, rightNN.jpg); missing ones
# are passed over. BINOXA_JUDGE names the judge (build/tests/binoxa-judge).
set -u
data=$1
shift
judge=${BINOXA_JUDGE:-build/tests/binoxa-judge}
tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT
export BINOXA_PROFILE=$tmp/profile.ini

# measure CLI MODE INPUTS...: "rms p95" of the aligned export, or "refused".
measure() {
  local cli=$1 mode=$2
  shift 2
  if ! "$cli" left "$@" --auto -o "$tmp/l.png" 2>/dev/null || ! "$cli" right "$@" --auto -o "$tmp/r.png" 2>/dev/null; then
    echo refused
    return
  fi
  local seen
  seen=$("$judge" "$mode" "$tmp/l.png" "$tmp/r.png") || { echo "not judged"; return; }
  echo "$seen" | awk '{ printf "rms %.2f p95 %.2f", $6, $8 }'
}

printf '%-16s' pair
for cli in "$@"; do printf ' | %-22s' "$(basename "$(dirname "$(dirname "$cli")")")"; done
echo
for f in fujifilm frozenpond sugarshack; do
  [ -f "$data/$f.mpo" ] || continue
  printf '%-16s' "$f.mpo"
  for cli in "$@"; do printf ' | %-22s' "$(measure "$cli" features "$data/$f.mpo")"; done
  echo
done
for l in "$data"/left[0-9]*.jpg; do
  [ -f "$l" ] || continue
  r=${l%/*}/right${l##*/left}
  printf '%-16s' "${l##*/}"
  for cli in "$@"; do printf ' | %-22s' "$(measure "$cli" chessboard "$l" "$r")"; done
  echo
done
