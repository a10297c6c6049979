#!/usr/bin/env bash
# Benchmark B1 (transient heat on the unit square): generates the deck for each N and each solver
# type, runs vetrix and the two peer programs one after the other, several times interleaved,
# and prints median wall time, median processor time (user + system) and peak memory with
# /usr/bin/time -v, the ratios to the first vetrix row, and the max of u after the last step.
#   bench/run_b1.sh [N ...]            (default 100 200 400)
# Environment: REPS (default 3), VETRIX (the program, default build/app/vetrix),
#   VETRIX_PEERS (folder of b1.edp and b1_scipy.py, default ../shared/peers beside the repository),
#   B1_PHASES (the b1_phases program, default build-bench/bench/b1_phases; skipped when absent),
#   NO_PEERS=1 to run vetrix alone, SOLVERS (default "-1 -2": skyline and sparse direct; -3 too).
#   The rows are vetrix-1, vetrix-2, ... by solver type; each ratio is row / first vetrix row.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
reps=${REPS:-3}
read -r -a solvers <<<"${SOLVERS:--1 -2}"
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
  for t in "${solvers[@]}"; do
    python3 "$repo/bench/make_b1_deck.py" "$n" "$work/deck$t" --solver "$t"
  done
  umax_ff="-" umax_sp="-"
  declare -A umax=()
  for ((r = 1; r <= reps; r++)); do
    for t in "${solvers[@]}"; do
      rm -rf "$work/run" && cp -r "$work/deck$t" "$work/run"
      time_run "vetrix$t" "$exe"
      umax[$t]=$(awk 'NR == FNR { if (/^\*Time/) last = FNR; next } FNR > last + 1 && /^ [-+]/ {
                   v = $1 + 0; if (v > m) m = v } END { printf "%.7f", m }' \
                 "$work/run/DataOut.txt" "$work/run/DataOut.txt")
    done
    if [ "${NO_PEERS:-0}" != 1 ]; then
      rm -rf "$work/run" && mkdir "$work/run"
      time_run freefem env FF_LOADPATH=/usr/lib/freefem++ FreeFem++ -nw -v 0 "$peers/b1.edp" \
        -N "$n" -mode direct -out last
      umax_ff=$(grep -o 'umax=[0-9.e-]*' "$work/run/stdout.txt" | cut -d= -f2)
      time_run scipy /usr/bin/python3 "$peers/b1_scipy.py" "$n" splu_mmd --out last
      umax_sp=$(grep -o 'umax=[0-9.e-]*' "$work/run/stdout.txt" | cut -d= -f2)
    fi
  done
  ow=$(stat "vetrix${solvers[0]}" 2) oc=$(stat "vetrix${solvers[0]}" 3)
  row() {  # label wall cpu peak max-u
    printf "%-5s %-9s %9s %9s %8s %9.2f %9.2f %10s\n" "$n" "$1" "$2" "$3" "$4" \
      "$(awk -v a="$2" -v b="$ow" 'BEGIN { print a / b }')" \
      "$(awk -v a="$3" -v b="$oc" 'BEGIN { print a / b }')" "$5"
  }
  for t in "${solvers[@]}"; do
    row "vetrix$t" "$(stat "vetrix$t" 2)" "$(stat "vetrix$t" 3)" "$(stat "vetrix$t" 4)" "${umax[$t]}"
  done
  if [ "${NO_PEERS:-0}" != 1 ]; then
    for p in freefem scipy; do
      u=$umax_ff; [ $p = scipy ] && u=$umax_sp
      row $p "$(stat $p 2)" "$(stat $p 3)" "$(stat $p 4)" "$u"
    done
  fi
  if [ -x "$phases" ]; then
    for t in "${solvers[@]}"; do
      echo "  phases of vetrix, solver type $t, at N = $n ($phases):"
      "$phases" "$work/deck$t" "$reps" | sed 's/^/  /'
    done
  fi
done
