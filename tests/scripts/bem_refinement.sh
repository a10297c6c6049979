#!/usr/bin/env bash
# Laplace boundary elements on the 8-gon and the 16-gon, data from u = x^2 - y^2: vetrix solves
# the collocation equations (checked against a dense solve to the 8 written digits) and the
# errors against the exact solution fall with refinement (order 2 for u, about 1.5 for q).
#   bem_refinement.sh <vetrix> <repository root>
set -u
exe=$1
gen=$2/bench/make_bem_deck.py
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for n in 8 16; do
  python3 "$gen" write "$work/$n" --shape disc --segments "$n" --solution x2-y2 >/dev/null
  (cd "$work/$n" && "$exe" </dev/null >screen.txt 2>&1) || { echo "run with $n segments failed"; exit 1; }
done
python3 - "$gen" "$work" <<'PY'
import importlib.util, sys
loader_info = importlib.util.spec_from_file_location("gen", sys.argv[1])
gen = importlib.util.module_from_spec(loader_info)
loader_info.loader.exec_module(gen)
ok = True
for n in (8, 16):
    diff = gen.reference(f"{sys.argv[2]}/{n}")
    if diff > 6e-8:
        print(f"{n} segments: differs from the dense solve by {diff:.2e} (relative)")
        ok = False
coarse, fine = (gen.errors(f"{sys.argv[2]}/{n}", "x2-y2") for n in (8, 16))
# max_u, max_q, rms_u, rms_q: smallest reduction factors accepted
for name, c, f, least in zip(("max u", "max q", "rms u", "rms q"), coarse, fine, (3.0, 2.0, 3.0, 2.5)):
    if not c / f >= least:
        print(f"{name} error {c:.3e} -> {f:.3e}: falls by less than {least}")
        ok = False
sys.exit(0 if ok else 1)
PY
