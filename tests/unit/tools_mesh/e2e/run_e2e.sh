#!/usr/bin/env bash
# Converts plate.msh (a unit square meshed by Gmsh) with vetrix-mesh, holds the left edge at 0
# and the right edge at 1, runs one steady step of heat conduction with vetrix and checks that
# the temperature at every node is its x coordinate; also checks the exit statuses of faults.
#   run_e2e.sh <vetrix-mesh> <vetrix>
set -u
tool=$1
solver=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here"/plate.msh "$here"/Basparam.txt "$here"/Param.txt "$here"/IniFile.txt "$work"/
cd "$work" || exit 1
fail=0

"$tool" plate.msh -o Mesh.txt --dofs 1 --substeps 1 --group plate:type=1,mat=1 \
  --dirichlet left:1=0.0 --dirichlet right:1=1.0 2>notes.txt || { echo "conversion failed"; exit 1; }
if [ "$(cat notes.txt)" != "" ]; then echo "unexpected notes:"; cat notes.txt; fail=1; fi

"$solver" </dev/null >screen.txt 2>&1
status=$?
if [ $status != 0 ] || grep -q WARNING screen.txt; then
  echo "vetrix ended with status $status"; cat screen.txt; exit 1
fi
# x of every node from Mesh.txt against the last solution block of DataOut.txt
awk 'FNR == 1 { file++ }
     file == 1 && /^\*COORDINATES/ { getline n; for (i = 1; i <= n; i++) { getline; x[i] = $1 } }
     file == 2 && /^\*Time/ { getline; k = 0; next }
     file == 2 { t[++k] = $1 + 0 }
     END {
       if (k != n || n == 0) { print "DataOut holds " k " values for " n " nodes"; exit 1 }
       for (i = 1; i <= n; i++) {
         d = t[i] - x[i]; if (d < 0) d = -d
         if (d > 1e-6) { print "node " i ": T = " t[i] ", x = " x[i]; bad = 1 }
       }
       exit bad
     }' Mesh.txt DataOut.txt || fail=1

# faults: a mapping fault exits with 1, a command-line fault with 2, both name the culprit
"$tool" plate.msh --group inlet:type=1 2>err.txt; s=$?
if [ $s != 1 ] || [ "$(cat err.txt)" != 'vetrix-mesh: --group inlet: no physical group named "inlet" in plate.msh' ]; then
  echo "missing group: status $s"; cat err.txt; fail=1
fi
"$tool" plate.msh --dofs x 2>err.txt; s=$?
if [ $s != 2 ] || ! grep -q '^vetrix-mesh: --dofs x: expected an integer from 1 to 1000$' err.txt; then
  echo "bad option: status $s"; cat err.txt; fail=1
fi
"$tool" --help | grep -q '^Usage: vetrix-mesh' || { echo "no help text"; fail=1; }

# the mesh file is replaced whole or not at all: past a file-size limit, or in a missing folder,
# the old file stays as it was and no temporary file is left
cp Mesh.txt kept.txt
s=$(ulimit -f 1; "$tool" plate.msh -o Mesh.txt --group "*:type=1" --dofs 4 --substeps 8 2>err.txt; echo $?)
if [ "$s" != 1 ] || ! cmp -s Mesh.txt kept.txt || ls Mesh.txt.tmp* >/dev/null 2>&1 ||
   [ "$(cat err.txt)" != 'vetrix-mesh: Mesh.txt: cannot write the file (File too large)' ]; then
  echo "size limit: status $s"; cat err.txt; fail=1
fi
"$tool" plate.msh -o missing/Mesh.txt --group plate:type=1 2>err.txt; s=$?
if [ $s != 1 ] || [ -e missing ] || ! grep -q '^vetrix-mesh: missing/Mesh.txt: cannot write the file' err.txt; then
  echo "missing folder: status $s"; cat err.txt; fail=1
fi
[ $fail = 0 ] && echo "vetrix-mesh end to end: 1 passed, 0 failed"
exit $fail
