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
