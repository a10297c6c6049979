#!/usr/bin/env bash
# From a Gmsh mesh to ParaView files: converts plate.msh into Mesh.txt, writes a zero IniFile.txt,
# runs vetrix in a scratch folder and exports the results as .vtu/.pvd.
#   examples/gmsh-plate/run.sh [scratch folder]
# The programs are taken from ../../build unless VETRIX, VETRIX_MESH or VETRIX_VTK name them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${VETRIX_BUILD:-$here/../../build}
vetrix=${VETRIX:-$build/app/vetrix}
vetrix_mesh=${VETRIX_MESH:-$build/tools/mesh/vetrix-mesh}
vetrix_vtk=${VETRIX_VTK:-$build/tools/vtk/vetrix-vtk}
work=${1:-$(mktemp -d /tmp/vetrix-gmsh-plate.XXXXXX)}

# absolute path of a program (vetrix runs in the scratch folder), or a hint how to get it
locate() {
  local exe
  if exe=$(command -v "$1") && [[ -x $exe && ! -d $exe ]]; then
    [[ $exe == /* ]] || exe=$PWD/$exe
    echo "$exe"
  else
    echo "run.sh: $1 not found; build first (cmake -S . -B build && cmake --build build -j2)" >&2
    echo "        or name the programs with VETRIX, VETRIX_MESH and VETRIX_VTK" >&2
    return 1
  fi
}
vetrix=$(locate "$vetrix")
vetrix_mesh=$(locate "$vetrix_mesh")
vetrix_vtk=$(locate "$vetrix_vtk")
mkdir -p "$work"
work=$(cd "$work" && pwd)

# 1. Mesh: the surface "plate" becomes element type 1 (heat triangles), the rim "hole" element
#    type 2 (flux segments), both with parameter group 1; the nodes of the lines "left" and
#    "right" get the prescribed temperature 0. The line group "insulated" is left unmapped
#    (no flux through it).
"$vetrix_mesh" "$here/plate.msh" -o "$work/Mesh.txt" --dofs 1 --substeps 1 \
  --group plate:type=1,mat=1 --group hole:type=2,mat=1 \
  --dirichlet left:1=0.0 --dirichlet right:1=0.0

# 2. The hand-written decks, and an initial temperature of 0 at every node (one level, one dof).
cp "$here/Basparam.txt" "$here/Param.txt" "$work"/
nodes=$(awk '/^\*COORDINATES/ { getline; print $1; exit }' "$work/Mesh.txt")
{ echo "*Initial Conditions"; for ((i = 0; i < nodes; i++)); do echo "0.0"; done; } > "$work/IniFile.txt"

# 3. The run; its screen output is kept in screen.txt.
(cd "$work" && "$vetrix" > screen.txt)
if ! grep -q "Writing IniFile.txt for restart" "$work/screen.txt"; then
  echo "run.sh: vetrix stopped early; the end of $work/screen.txt:" >&2
  tail -n 20 "$work/screen.txt" >&2
  exit 1
fi

# 4. ParaView files: DataOut_0000.vtu ... and DataOut.pvd.
"$vetrix_vtk" "$work"
echo "mesh: $nodes nodes; screen output in $work/screen.txt"
echo "open in ParaView: $work/DataOut.pvd"
