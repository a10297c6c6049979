#!/usr/bin/env bash
# Benchmark B1 with every solver type a user may pick for it: whole runs, one after the other in
# one session, each from a fresh deck. Prints per type the wall and processor times, the matrix-vector
# products per time step (the last count of each iteration history, summed over the attempts of
# the run, divided by the steps), the attempts that ran out of products, and max u after the last
# step (0.0714329 at N = 200 when the solver really converged).
#   bench/b1_solvers.sh [N] [TYPE[:itmax,eps,krylov,lfil,tolpre] ...]
# Defaults: N = 200; types -1 0 100 ... 110 with 1000 1e-8 30 10 1e-3.
# Environment: VETRIX (the program, default build/app/vetrix), STEPS (default 20),
#   LIMIT (seconds before a run is abandoned, default 300), KEEP (folder to keep the screen output),
#   REPS (default 1: with more, every type runs once per round, the rounds one after the other,
#   and a last table gives the median wall and processor times).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
exe=${VETRIX:-$repo/build/app/vetrix}
n=${1:-200}
shift || true
entries=("$@")
[ ${#entries[@]} -eq 0 ] && entries=(-1 0 100 101 102 103 104 105 106 107 108 109 110)
steps=${STEPS:-20}
limit=${LIMIT:-300}
if [ -n "${KEEP:-}" ]; then
  work=$KEEP
  mkdir -p "$work"
else
  work=$(mktemp -d /tmp/vetrix-b1s.XXXXXX)
  trap 'rm -rf "$work"' EXIT
fi

printf "%-28s %8s %8s %10s %9s %10s %s\n" "type:itmax,eps,krylov,lfil,tolpre" "wall s" "cpu s" \
  "products" "failed" "max u" "end"
reps=${REPS:-1}
: >"$work/rows.txt"
for ((rep = 1; rep <= reps; rep++)); do
for entry in "${entries[@]}"; do
  type=${entry%%:*}
  IFS=, read -r itmax eps krylov lfil tolpre <<<"$( [[ $entry == *:* ]] && echo "${entry#*:}" )"
  itmax=${itmax:-1000} eps=${eps:-1e-8} krylov=${krylov:-30} lfil=${lfil:-10} tolpre=${tolpre:-1e-3}
  run="$work/run_${type}_${itmax}_${eps}_${krylov}_${lfil}_${tolpre}"
  rm -rf "$run"
  python3 "$repo/bench/make_b1_deck.py" "$n" "$run" --solver "$type" --steps "$steps" \
    --itmax "$itmax" --eps "$eps" --krylov "$krylov" --lfil "$lfil" --tolpre "$tolpre"
  status=0
  (cd "$run" && timeout "$limit" /usr/bin/time -f "%e %U %S" -o time.txt "$exe" >screen.txt 2>&1) ||
    status=$?
  end=done
  [ "$status" = 124 ] && end="abandoned after ${limit} s"
  [ "$status" != 0 ] && [ "$status" != 124 ] && end="status $status"
  grep -q "did not converge in" "$run/screen.txt" && end="stopped: did not converge"
  read -r wall user sys <"$run/time.txt" 2>/dev/null || { wall=$limit user=0 sys=0; }
  label="$type:$itmax,$eps,$krylov,$lfil,$tolpre"
  [ "$type" -le 0 ] && label=$type  # the direct types take no tuning values
  python3 - "$run" "$steps" "$label" "$wall" "$user" "$sys" \
    "$end" <<'EOF'
import re, sys
run, steps, label, wall, user, sys_t, end = sys.argv[1:]
products = 0
last = 0
failed = 0
for line in open(run + "/screen.txt", errors="replace"):
    m = re.match(r"^\s+(\d+)\s+[-+]?\d", line)
    if "***" in line:           # a new attempt of the Krylov branch
        products += last
        last = 0
    elif "CGS_iter" in line:    # type 110 (two products per iteration)
        k = re.search(r"CGS_iter\s*=\s*(\d+)", line)
        if k:
            last = max(last, 2 * int(k.group(1)))
    elif m and "Elapsed" not in line:
        last = max(last, int(m.group(1)))
    if "NOT CONVERGED" in line or "CGS.ERROR" in line:
        failed += 1
    if "CGS Converged" in line or "CGS.ERROR" in line:
        products += last
        last = 0
products += last
umax = "-"
try:
    text = open(run + "/DataOut.txt").read().split("*Time")[-1].split("\n")[2:]
    vals = [float(v) for v in " ".join(text).split()]
    if vals and end == "done":
        umax = f"{max(vals):.7f}"
except (OSError, ValueError):
    pass
cpu = float(user) + float(sys_t)
print(f"{label:<28} {float(wall):8.2f} {cpu:8.2f} {products / int(steps):10.0f} {failed:9d} "
      f"{umax:>10} {end}")
EOF
done
done | tee "$work/rows.txt"
if [ "$reps" -gt 1 ]; then
  echo "median of $reps rounds:"
  python3 - "$work/rows.txt" <<'EOF'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    f = line.split()
    rows.setdefault(f[0], []).append(f)
for label, rs in rows.items():
    wall = statistics.median(float(r[1]) for r in rs)
    cpu = statistics.median(float(r[2]) for r in rs)
    print(f"{label:<28} {wall:8.2f} {cpu:8.2f} {rs[0][3]:>10} {rs[0][4]:>9} {rs[0][5]:>10} "
          + " ".join(rs[0][6:]))
EOF
fi
