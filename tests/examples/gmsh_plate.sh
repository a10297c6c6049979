#!/usr/bin/env bash
# Runs examples/gmsh-plate/run.sh with the given programs in a temporary folder and checks the
# converted mesh, the run and the ParaView files it leaves.
#   gmsh_plate.sh VETRIX VETRIX_MESH VETRIX_VTK
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export VETRIX=$1 VETRIX_MESH=$2 VETRIX_VTK=$3
work=$(mktemp -d /tmp/vetrix-test-gmsh-plate.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

out=$(bash "$here/../../examples/gmsh-plate/run.sh" "$work") || fail "run.sh ended with status $?"
grep -qxF "open in ParaView: $work/DataOut.pvd" <<< "$out" || fail "run.sh did not name the .pvd: $out"

# Mesh: 398 nodes, the 32 rim segments and 704 triangles, 11 + 11 edge nodes held at 0.
mesh=$work/Mesh.txt
[[ $(awk '/^\*COORDINATES/ { getline; print $1 }' "$mesh") == 398 ]] || fail "node count"
grep -q '^1 32 Seg2 ' "$mesh" && grep -q '^2 704 Tri3 ' "$mesh" || fail "element groups"
prescribed=$(awk '/^\*DIRICHLET/ { on = 1; next } on && $1 == "-1" { n++ } END { print n }' "$mesh")
[[ $prescribed == 22 ]] || fail "$prescribed prescribed nodes instead of 22"

# Run: complete, and no warning (a clockwise triangle from the mesh would print one).
grep -q "Writing IniFile.txt for restart" "$work/screen.txt" || fail "run incomplete"
! grep -q "WARNING" "$work/screen.txt" || fail "warnings on the screen: $(grep WARNING "$work/screen.txt" | head -3)"

# Collection: the outputs of steps 0, 4, ..., 20 at T = 0, 0.4, ..., 2.
times=$(grep -o 'timestep="[^"]*"' "$work/DataOut.pvd" | cut -d'"' -f2 | tr '\n' ' ')
[[ $times == "0 0.4 0.8 1.2 1.6 2 " ]] || fail "collection times: $times"

# Every grid complete; the largest temperature of each step, from the grid files.
maxima=()
for k in 0 1 2 3 4 5; do
  vtu=$work/DataOut_000$k.vtu
  grep -q "file=\"DataOut_000$k.vtu\"" "$work/DataOut.pvd" || fail "$vtu not listed"
  grep -q 'NumberOfPoints="398" NumberOfCells="736"' "$vtu" || fail "$vtu: sizes"
  [[ $(tail -n 1 "$vtu") == "</VTKFile>" ]] || fail "$vtu: truncated"
  stats=$(awk '/Name="TEMPERATURE"/ { on = 1; next } on && /<\/DataArray>/ { on = 0 }
               on { for (i = 1; i <= NF; i++) { n++; if (n == 1 || $i > mx) mx = $i; if (n == 1 || $i < mn) mn = $i } }
               END { print n, mn, mx }' "$vtu")
  read -r n mn mx <<< "$stats"
  [[ $n == 398 ]] || fail "$vtu: $n temperatures"
  awk -v m="$mn" 'BEGIN { exit !(m >= 0) }' || fail "$vtu: temperature $mn below the initial and edge value 0"
  maxima+=("$mx")
done

# The plate only heats up: the maximum grows from step to step. In the steady state the mean
# temperature over the section x = 0.75 is 0.75 * (half the heat input pi * 0.25) = 0.589, so
# the maximum is at least that; by T = 2 (five times the slowest decay time 4 / pi^2) the plate
# is within 1 % of it. A one-dimensional estimate through the narrowed section gives 0.70.
awk -v list="${maxima[*]}" 'BEGIN { n = split(list, m, " "); for (i = 2; i <= n; i++) if (!(m[i] > m[i - 1])) exit 1;
                                    exit !(m[n] >= 0.583 && m[n] <= 0.85) }' \
  || fail "maxima per step: ${maxima[*]}"
echo "gmsh-plate: maxima per output step ${maxima[*]}"
