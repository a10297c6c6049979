#!/usr/bin/env bash
# Benchmark B1 (transient heat on the unit square, direct solver type -1): generates the deck for
# each N, runs vetrix and the two peer programs one after the other, several times interleaved,
# and prints median wall time, median processor time (user + system) and peak memory with
# /usr/bin/time -v, the ratios vetrix / peer, and the max of u after the last step as a check.
#   bench/run_b1.sh [N ...]            (default 100 200 400)
# Environment: REPS (default 3), VETRIX (the program, default build/app/vetrix),
#   VETRIX_PEERS (folder of b1.edp and b1_scipy.py, default ../shared/peers beside the repository),
#   B1_PHASES (the b1_phases program, default build-bench/bench/b1_phases; skipped when absent),
#   NO_PEERS=1 to run vetrix alone.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
reps=${REPS:-3}
exe=${VETRIX:-$repo/build/app/vetrix}
peers=${VETRIX_PEERS:-$repo/../shared/peers}
phases=${B1_PHASES:-$repo/build-bench/bench/b1_phases}
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(100 200 400)
work=$(mktemp -d /tmp/vetrix-b1.XXXXXX)
trap 'rm -rf "$work"' EXIT

# time_run <label> <command...>: runs in $work/run, appends "label wall cpu rss_MB" to $work/log
time_run() {
  local label=$1
  shift
  (cd "$work/run" && /usr/bin/time -v "$@" >stdout.txt 2>time.txt) || {
    echo "$label failed:"; tail -n 5 "$work/run/stdout.txt"; grep -v "^	" "$work/run/time.txt"; return 1; }
  awk -v l="$label" '
    /Elapsed \(wall clock\)/ { n = split($NF, p, ":"); w = 0; for (i = 1; i <= n; i++) w = w * 60 + p[i] }
    /User time/ { u = $NF } /System time/ { s = $NF } /Maximum resident/ { m = $NF / 1024 }
    END { printf "%s %.3f %.3f %.1f\n", l, w, u + s, m }' "$work/run/time.txt" >>"$work/log"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
stat() { awk -v l="$1" -v c="$2" '$1 == l { print $c }' "$work/log" | median; }

printf "%-5s %-9s %9s %9s %8s %9s %9s %10s\n" N program "wall s" "cpu s" "peak MB" \
  "wall/ours" "cpu/ours" "max u"
for n in "${sizes[@]}"; do
  : >"$work/log"
  python3 "$repo/bench/make_b1_deck.py" "$n" "$work/deck" --solver -1
  umax_ff="-" umax_sp="-"
  for ((r = 1; r <= reps; r++)); do
    rm -rf "$work/run" && cp -r "$work/deck" "$work/run"
    time_run vetrix "$exe"
    umax=$(awk 'NR == FNR { if (/^\*Time/) last = FNR; next } FNR > last + 1 && /^ [-+]/ {
             v = $1 + 0; if (v > m) m = v } END { printf "%.7f", m }' \
           "$work/run/DataOut.txt" "$work/run/DataOut.txt")
    if [ "${NO_PEERS:-0}" != 1 ]; then
      rm -rf "$work/run" && mkdir "$work/run"
      time_run freefem env FF_LOADPATH=/usr/lib/freefem++ FreeFem++ -nw -v 0 "$peers/b1.edp" \
        -N "$n" -mode direct -out last
      umax_ff=$(grep -o 'umax=[0-9.e-]*' "$work/run/stdout.txt" | cut -d= -f2)
      time_run scipy /usr/bin/python3 "$peers/b1_scipy.py" "$n" splu_mmd --out last
      umax_sp=$(grep -o 'umax=[0-9.e-]*' "$work/run/stdout.txt" | cut -d= -f2)
    fi
  done
  ow=$(stat vetrix 2) oc=$(stat vetrix 3)
  printf "%-5s %-9s %9s %9s %8s %9s %9s %10s\n" "$n" vetrix "$ow" "$oc" "$(stat vetrix 4)" 1 1 "$umax"
  if [ "${NO_PEERS:-0}" != 1 ]; then
    for p in freefem scipy; do
      pw=$(stat $p 2) pc=$(stat $p 3)
      u=$umax_ff; [ $p = scipy ] && u=$umax_sp
      printf "%-5s %-9s %9s %9s %8s %9.2f %9.2f %10s\n" "$n" $p "$pw" "$pc" "$(stat $p 4)" \
        "$(awk -v a="$pw" -v b="$ow" 'BEGIN { print a / b }')" \
        "$(awk -v a="$pc" -v b="$oc" 'BEGIN { print a / b }')" "$u"
    done
  fi
  if [ -x "$phases" ]; then
    echo "  phases of vetrix at N = $n ($phases):"
    "$phases" "$work/deck" "$reps" | sed 's/^/  /'
  fi
done
