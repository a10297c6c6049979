#!/usr/bin/env bash
# Benchmark B1 with solver type 200 (PETSc build): whole runs on 1 and 2 processes beside
# FreeFEM/UMFPACK, run one after the other REPS times (interleaved). Per run: wall time, peak
# memory of rank 0 and of rank 1 (each rank under its own /usr/bin/time), iterations of the
# first solve, and from PETSc's -log_view per step: hand-over (values, right-hand side and guess
# sent to the ranks: VetrixHandOver; solution back: VetrixGather) against KSPSolve.
#   bench/run_b1_distributed.sh [N ...]        (default 800)
# cpu0: processor seconds (user + system) of rank 0 (of FreeFEM on its line).
# Environment: REPS (3), VETRIX (default build-petsc/app/vetrix), VETRIX_PEERS (FreeFEM script
#   folder, default ../shared/peers), METHODS (label=options;... default below), PROCS ("1 2"),
#   NO_PEERS=1 to skip FreeFEM.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
reps=${REPS:-3}
exe=${VETRIX:-$repo/build-petsc/app/vetrix}
peers=${VETRIX_PEERS:-$repo/../shared/peers}
[ -d "$peers" ] || peers=$repo/../../shared/peers  # from a worktree beside the main one
procs=${PROCS:-"1 2"}
methods=${METHODS:-"default=;reuse=-ksp_reuse_preconditioner;hypre=-pc_type hypre -ksp_reuse_preconditioner"}
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(800)
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
work=$(mktemp -d /tmp/vetrix-b1d.XXXXXX)
trap 'rm -rf "$work"' EXIT
free -g | sed -n 2p
uptime
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# event <name> <log>: max time over the ranks of a -log_view event
event() { awk -v e="$1" '$1 == e { print $4 }' "$2"; }

# run_vetrix <label> <P> <options>: one whole run in a fresh copy; appends a result line
run_vetrix() {
  local label=$1 p=$2 opts=$3
  rm -rf "$work/run" && cp -r "$work/deck" "$work/run"
  local start end
  start=$(date +%s.%N)
  # shellcheck disable=SC2086
  (cd "$work/run" && mpirun -n "$p" --oversubscribe --bind-to none sh -c \
    '/usr/bin/time -f "%M %U %S" -o mem.$OMPI_COMM_WORLD_RANK "$@"' sh "$exe" $opts -log_view \
    >stdout.txt 2>stderr.txt) || { echo "$label failed"; tail -5 "$work/run/stdout.txt"; return 1; }
  end=$(date +%s.%N)
  local m0 m1 its ho ga ks c0
  m0=$(awk '{ printf "%.0f", $1 / 1024 }' "$work/run/mem.0")
  c0=$(awk '{ printf "%.1f", $2 + $3 }' "$work/run/mem.0")
  m1=$([ -f "$work/run/mem.1" ] && awk '{ printf "%.0f", $1 / 1024 }' "$work/run/mem.1" || echo -)
  its=$(grep -m1 -o "in [0-9]* iterations" "$work/run/stdout.txt" | awk '{ print $2 }')
  ho=$(event VetrixHandOver "$work/run/stdout.txt")
  ga=$(event VetrixGather "$work/run/stdout.txt")
  ks=$(event KSPSolve "$work/run/stdout.txt")
  echo "$label $(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }') $m0 $m1 $its $ho $ga $ks $c0" \
    >>"$work/log"
}

for n in "${sizes[@]}"; do
  : >"$work/log"
  python3 "$repo/bench/make_b1_deck.py" "$n" "$work/deck" --solver 200 --eps 1e-10 --itmax 1000
  for ((r = 1; r <= reps; r++)); do
    IFS=';' read -ra list <<<"$methods"
    for entry in "${list[@]}"; do
      for p in $procs; do run_vetrix "${entry%%=*}/$p" "$p" "${entry#*=}"; done
    done
    if [ "${NO_PEERS:-0}" != 1 ]; then
      rm -rf "$work/ff" && mkdir "$work/ff"
      (cd "$work/ff" && /usr/bin/time -f "%e %M %U %S" -o time env FF_LOADPATH=/usr/lib/freefem++ \
        FreeFem++ -nw -v 0 "$peers/b1.edp" -N "$n" -mode direct -out last >/dev/null 2>&1)
      awk '{ printf "freefem %s %.0f - - - - - %.1f\n", $1, $2 / 1024, $3 + $4 }' "$work/ff/time" \
        >>"$work/log"
    fi
  done
  ff=$(awk '$1 == "freefem" { print $2 }' "$work/log" | median)
  echo "N=$n ($reps runs, medians; hand-over, gather and KSPSolve per step over 20 steps)"
  printf "%-14s %8s %8s %8s %9s %9s %6s %10s %10s %10s %7s\n" method/P "wall s" "x FF" "cpu0 s" "rank0 MB" \
    "rank1 MB" its "handover" gather "solve" "(ho+g)/solve"
  for label in $(awk '{ print $1 }' "$work/log" | awk '!seen[$0]++'); do
    col() { awk -v l="$label" -v c="$1" '$1 == l { print $c }' "$work/log" | median; }
    w=$(col 2)
    ratio=$([ -n "$ff" ] && awk -v a="$w" -v b="$ff" 'BEGIN { printf "%.2f", a / b }' || echo -)
    if [ "$label" = freefem ]; then
      printf "%-14s %8.2f %8s %8s %9s\n" "$label" "$w" 1 "$(col 9)" "$(col 3)"
      continue
    fi
    printf "%-14s %8.2f %8s %8s %9s %9s %6s " "$label" "$w" "$ratio" "$(col 9)" "$(col 3)" "$(col 4)" \
      "$(col 5)"
    awk -v h="$(col 6)" -v g="$(col 7)" -v k="$(col 8)" \
      'BEGIN { printf "%9.4fs %9.4fs %9.4fs %7.3f\n", h / 20, g / 20, k / 20, (h + g) / k }'
  done
done
