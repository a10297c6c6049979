#!/usr/bin/env bash
# Refinement study of the Laplace boundary-element decks: for each shape and exact solution,
# writes the deck with 8, 16, 32, 64 (and more, if given) segments, runs vetrix on it and prints
# the largest and the rms errors of the computed u and q with the observed orders
# log2(e(N/2) / e(N)); "ref" is the largest relative difference from a dense solve of the same
# collocation equations (8 significant digits are written).
#   bench/bem_convergence.sh [vetrix] [segment counts...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=${1:-$here/../build/app/vetrix}
shift || true
counts=${*:-8 16 32 64}
gen=$here/make_bem_deck.py
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for shape in disc square; do
  for sol in x x2-y2; do
    echo "== $shape, u = $sol"
    printf '%5s %11s %5s %11s %5s %11s %5s %11s %5s %9s\n' N max_u ord max_q ord rms_u ord rms_q ord ref
    prev=""
    for n in $counts; do
      d=$work/$shape-$sol-$n
      python3 "$gen" write "$d" --shape "$shape" --segments "$n" --solution "$sol"
      (cd "$d" && "$exe" >screen.txt)
      read -r mu mq ru rq < <(python3 "$gen" error "$d" --solution "$sol")
      ref=$(python3 "$gen" reference "$d")
      python3 - "$n" "$mu $mq $ru $rq" "$prev" "$ref" <<'PY'
import math, sys
n, cur, prev, ref = sys.argv[1], list(map(float, sys.argv[2].split())), sys.argv[3], sys.argv[4]
old = list(map(float, prev.split())) if prev else None
cols = []
for k, e in enumerate(cur):
    order = f"{math.log2(old[k] / e):5.2f}" if old and e > 0 and old[k] > 0 else "     "
    cols.append(f"{e:11.3e} {order}")
print(f"{n:>5} " + " ".join(cols) + f" {ref:>9}")
PY
      prev="$mu $mq $ru $rq"
    done
  done
done
