#!/usr/bin/env bash
# Runs decks with their direct solver types and again with the sparse direct types put in their
# place: DataOut.txt and IniFile.txt must agree in every digit written (values that are round-off
# of zero, below 1e-12 of the largest value, may differ), and the screen text must be the same
# apart from the memory report, the factor's size line, the elapsed times and the residuals that
# iterative substeps print (round-off of the start vector moves their last digits).
#   sparse_direct_agreement.sh <vetrix> <repository root>
set -u
exe=$1
root=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

# Quadratic tetrahedra on the unit cube (2 x 2 x 2 cubes of six tetrahedra each), Laplace with
# u = x^2 - y^2 prescribed on the boundary: the quadratic elements reproduce it.
mkdir -p "$work/tetra"
python3 - "$work/tetra" <<'EOF'
import itertools, os, sys
out, n = sys.argv[1], 4  # 4 x 4 x 4 grid points at spacing 1/4: vertices and mid-edge nodes
idx = {p: k + 1 for k, p in enumerate(itertools.product(range(n + 1), repeat=3))}
cells = []
for c in itertools.product(range(0, n, 2), repeat=3):
    corner = lambda d: tuple(c[i] + 2 * d[i] for i in range(3))
    for perm in itertools.permutations(range(3)):  # the six tetrahedra of the cube
        path = [(0, 0, 0)]
        for axis in perm:
            path.append(tuple(path[-1][i] + (i == axis) for i in range(3)))
        v = [corner(d) for d in path]
        a, b, cc, d = (tuple(x - y for x, y in zip(v[k], v[0])) for k in range(4))
        det = (b[0] * (cc[1] * d[2] - cc[2] * d[1]) - b[1] * (cc[0] * d[2] - cc[2] * d[0])
               + b[2] * (cc[0] * d[1] - cc[1] * d[0]))
        if det < 0:
            v[2], v[3] = v[3], v[2]
        mid = lambda p, q: tuple((x + y) // 2 for x, y in zip(p, q))
        edges = [(0, 1), (1, 2), (2, 0), (0, 3), (1, 3), (2, 3)]
        cells.append([idx[p] for p in v] + [idx[mid(v[i], v[j])] for i, j in edges])
nodes = sorted(idx, key=idx.get)
on_boundary = [any(x in (0, n) for x in p) for p in nodes]
exact = [(p[0] / n) ** 2 - (p[1] / n) ** 2 for p in nodes]
mesh = ["*NODAL DOFs", "1", "*DIMEN", "3", "*COORDINATES", str(len(nodes))]
mesh += [" ".join(str(x / n) for x in p) for p in nodes]
mesh += ["*ELEMENT GROUPS", "1", f"1 {len(cells)} Tetra10", "*INCIDENCE"]
mesh += [" ".join(map(str, c)) for c in cells]
mesh += ["*ELEMENT TYPE", "1", "*ELEMENT MAT", "1", "*DIRICHLET CONDITIONS"]
mesh += [" ".join("-1" if b else "1" for b in on_boundary)]
mesh += [" ".join(f"{u:.12g}" if b else "0.0" for b, u in zip(on_boundary, exact))]
control = ["*Param Write Switch", "0", "*Initial Time", "0", "*TimeStep", "1.0 0.0 0.5",
           "*OutputControl", "1 1", "*NodeOutputControl", "0", "*ElementLibraryControl", "1 5",
           "*Renumbering", "0", "*StepContinuationControl", "F 1 1.0 1", "1.0", "1.0e-6",
           "'U'", "0 0 0", "*SubStep 1", "T F 1 1.0 -1", "2 0 0 1 0", "1.0 0.0 0.0 1.0 0.0",
           "1.0", "1.0e-6", "'U'", "0 0 0", "*Coupling Matrices", "1"] + [" ".join(["1"] * 10)] * 10
files = {"Mesh.txt": mesh, "Basparam.txt": control,
         "Param.txt": ["*Parameter Groups", "1", "*Real Parameters", "0", "*Integer Parameters", "0"],
         "IniFile.txt": ["*Initial Conditions"] + ["0.0"] * len(nodes)}
for name, lines in files.items():
    with open(os.path.join(out, name), "w") as f:
        f.write("\n".join(lines) + "\n")
EOF

# deck folder, then the replacement of each direct type (old:new)
cases=("$root/examples/heat-plate -1:-2" "$root/examples/heat-plate -1:-3"
       "$root/tests/decks/heat_transient -1:-3"
       "$root/examples/poisson-quadratic -1:-2" "$work/tetra -1:-3"
       "$root/examples/laplace-bem -1:-2" "$root/examples/laplace-bem -1:-3"
       "$root/tests/decks/relaxed_substeps -1:-2 0:-3"
       "$root/tests/renumber/two_substeps 0:-3")

# screen text without the lines that are meant to differ
screen_core() {
  grep -v -e '^ Allocating ' -e '^ MEMORY USED' -e '^ DEALLOCATING ' -e '^ TOTAL MEMORY' \
    -e '^ SPARSE FACTOR OF SUBSTEP' -e 'Elapsed Time' -e 'Error/BNorm' -e '^[-+0-9.E ]*$' "$1"
}

# same_values a b: the same lines, numbers equal within 1e-12 of the file's largest value
same_values() {
  awk 'function num(s) { return s ~ /^[-+]?[0-9.]+E[-+]?[0-9]+$/ }
    function val(s) { sub(/E/, "e", s); return s + 0 }
    NR == FNR { a[FNR] = $0; n = FNR; next }
    { for (i = 1; i <= NF; i++) if (num($i)) { v = val($i); if (v < 0) v = -v; if (v > top) top = v } }
    { if (FNR > n) exit 1; b = a[FNR]
      if (b == $0) next
      if (NF != 1 || !num($1) || split(b, w, " ") != 1 || !num(w[1])) exit 1
      d = val($1) - val(w[1]); if (d < 0) d = -d; if (d > big) big = d
    }
    END { exit (FNR != n || big > 1e-12 * top) }' "$1" "$2"
}

k=0
for entry in "${cases[@]}"; do
  read -r deck map <<<"$entry"
  name=$(basename "$deck").$((k++))
  for v in ref sparse; do
    mkdir -p "$work/$name.$v"
    cp "$deck"/*.txt "$work/$name.$v"/
  done
  # the solver type is the fifth value of the line after each *SubStep keyword
  awk -v map="$map" 'BEGIN { n = split(map, m, " "); for (i = 1; i <= n; i++) { split(m[i], p, ":"); to[p[1]] = p[2] } }
    after && ($5 in to) { $5 = to[$5] } { after = /^\*[Ss][Uu][Bb][Ss][Tt][Ee][Pp]/; print }' \
    "$deck/Basparam.txt" >"$work/$name.sparse/Basparam.txt"
  cmp -s "$deck/Basparam.txt" "$work/$name.sparse/Basparam.txt" && { echo "$name: no type replaced"; fail=1; }
  for v in ref sparse; do
    (cd "$work/$name.$v" && "$exe" </dev/null >screen.txt 2>&1) || { echo "$name.$v: run failed"; fail=1; }
  done
  for f in DataOut.txt IniFile.txt; do
    same_values "$work/$name.ref/$f" "$work/$name.sparse/$f" ||
      { echo "$name ($map): $f differs"; diff "$work/$name.ref/$f" "$work/$name.sparse/$f" | head -6; fail=1; }
  done
  diff <(screen_core "$work/$name.ref/screen.txt") <(screen_core "$work/$name.sparse/screen.txt") >/dev/null ||
    { echo "$name ($map): screen differs"; diff <(screen_core "$work/$name.ref/screen.txt") \
      <(screen_core "$work/$name.sparse/screen.txt") | head -6; fail=1; }
  grep -q '^ SPARSE FACTOR OF SUBSTEP' "$work/$name.sparse/screen.txt" || { echo "$name: no factor line"; fail=1; }
done
exit $fail
