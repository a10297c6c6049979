#!/usr/bin/env bash
# B1 heat deck with shuffled node numbers, direct solver type -1, run with and without node
# renumbering (and, for reference, in the natural grid numbering without renumbering).
# For every run: bandwidth before/after (the renumbering report), the factor length LJU (the
# "Allocating JU" line), the renumbering's wall time (between its first and last screen line,
# timestamped as they arrive), the set-up time (the first "Elapsed Time" line: set-up and the
# initial output), and wall and processor (user + system) time of the whole run.
# The shuffled deck without renumbering has a bandwidth of the order of the node count, so its
# factor is nearly dense: for N above FULL_MAX (default 100) that run is stopped once the factor
# length is known (the "Allocating JU" line), and its profile length L_SKyLineL is shown too.
# A run that does not end within LIMIT seconds (default 900) is stopped and shown as such.
#   bench/renumber_b1.sh [N ...]          (default 200 400)
#   VETRIX=path LIMIT=seconds CANDIDATES=k SEED=s STEPS=s FULL_MAX=n bench/renumber_b1.sh ...
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=${VETRIX:-$here/../build/app/vetrix}
limit=${LIMIT:-900}
k=${CANDIDATES:-4}
seed=${SEED:-1}
steps=${STEPS:-20}
full_max=${FULL_MAX:-100}
sizes=${*:-200 400}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Screen lines get the wall-clock reading (seconds) at their arrival in front of them; with an
# argument, reading stops after the first line holding that text (the run then ends on a broken
# pipe).
stamp() {
  local line
  while IFS= read -r line; do
    printf '%s %s\n' "$EPOCHREALTIME" "$line"
    [ -n "${1:-}" ] && [[ $line == *"$1"* ]] && return 0
  done
}

report() {  # run name, folder
  local s=$2/screen.txt
  local ini fin sky lju setup renum
  ini=$(awk '/ Initial BandWidth /{print $NF; exit}' "$s")
  fin=$(awk '/ BandWidth /&&!/Initial/{v=$NF} END{print v}' "$s")
  sky=$(awk '/JUsk\(L_SKyLineL\)/{print $NF; exit}' "$s")
  lju=$(awk '/ Allocating JU /{print $NF; exit}' "$s")
  setup=$(awk '/Elapsed Time in Secs =/{print $NF; exit}' "$s")
  renum=$(awk '/ALLOCATING NCON_Renum/{a=$1} /Renum End/{b=$1} END{if (a != "") printf "%.3f", b - a}' "$s")
  grep -q 'ALLOCATION ERROR' "$s" && lju="ALLOC.ERROR"
  printf '%-24s %8s %8s %12s %12s %8s %10s %s\n' "$1" "${ini:--}" "${fin:--}" "${sky:--}" "${lju:--}" \
    "${renum:--}" "${setup:--}" "$(cat "$2/time.txt")"
}

run() {  # run name, N, shuffle option, renumbering[, text that ends the run]
  local d=$work/$1 stop=${5:-}
  python3 "$here/make_b1_deck.py" "$2" "$d" --steps "$steps" --renumbering "$4" $3 >/dev/null
  (
    cd "$d" || exit 1
    start=$(date +%s.%N)
    timeout "$limit" /usr/bin/time -f '%U %S' -o rusage.txt stdbuf -oL "$exe" </dev/null 2>&1 |
      stamp "$stop" >screen.txt
    status=${PIPESTATUS[0]}
    wall=$(echo "$(date +%s.%N) - $start" | bc)
    if grep -q 'ALLOCATION ERROR' screen.txt; then
      printf 'ended with ALLOCATION ERROR, %.1f s' "$wall" >time.txt
    elif [ -n "$stop" ]; then
      printf 'stopped after set-up, %.1f s' "$wall" >time.txt
    elif [ "$status" = 124 ]; then
      printf 'stopped after %.0f s' "$wall" >time.txt
    else
      read -r user sys <rusage.txt
      printf 'wall %.2f s, cpu %.2f s' "$wall" "$(echo "$user + $sys" | bc)" >time.txt
    fi
  )
  report "$1" "$d"
  rm -rf "$d"
}

echo "B1, $steps steps, solver -1, $k start-node candidates, shuffle seed $seed, limit $limit s"
printf '%-24s %8s %8s %12s %12s %8s %10s %s\n' run band_in band_out L_SKyLineL LJU renum_s setup_s \
  total
for n in $sizes; do
  run "N=$n shuffled, renumbered" "$n" "--shuffle $seed" "$k"
  run "N=$n natural" "$n" "" 0
  if [ "$n" -le "$full_max" ]; then
    run "N=$n shuffled" "$n" "--shuffle $seed" 0
  else
    run "N=$n shuffled" "$n" "--shuffle $seed" 0 "Allocating JU "
  fi
done
