// convert_mesh, write_mesh_text, physical_groups: turns a Gmsh mesh and the user's mapping into
// the vetrix mesh file (nodes, element groups, incidences, types, materials, prescribed values).
#pragma once

#include <string>
#include <vector>

#include "gmsh_reader.hpp"

namespace vetrix::meshtool {

// Element type and material of the elements of one physical group. The selector names the
// group: a physical name, a tag, DIM/TAG, or "*" for every group no other mapping names.
struct GroupMapping {
    std::string selector;
    int type = 0;
    int mat = 1;
};

// Degree of freedom dof of every node of every element of the selected group is prescribed to
// value, in substep `substep` (0: in every substep).
struct DirichletRule {
    std::string selector;
    int substep = 0;
    int dof = 1;
    double value = 0.0;
};

struct ConvertOptions {
    int NDof = 1;
    int NSubSteps = 1;
    int NDim = 0;  // 0: 2 when every z coordinate is 0, else 3
    std::vector<GroupMapping> groups;
    std::vector<DirichletRule> dirichlet;
};

// One element group of the vetrix mesh: one shape of one physical group.
struct VetrixGroup {
    std::string shape;
    PhysicalKey physical;
    std::string physical_name;  // empty when the group has none
    int type = 0;
    int mat = 0;
    int nodes = 0;        // nodes per element
    std::vector<int> JE;  // node numbers, element after element, in vetrix's local order
    int count() const { return nodes ? static_cast<int>(JE.size()) / nodes : 0; }
};

struct VetrixMesh {
    std::string source;   // file the mesh came from
    std::string version;  // its Gmsh format
    int NDof = 1;
    int NDim = 2;
    int NSubSteps = 1;
    int NodT = 0;
    std::vector<double> X;  // NDim coordinates per node
    std::vector<VetrixGroup> groups;
    std::vector<int> idoftype;  // NodT * NDof per substep, substep after substep
    std::vector<double> dirich;
    std::vector<std::string> warnings;  // for the user (curved quadratic elements)
};

// A physical group found in the file, with the number of its elements of each Gmsh kind.
struct GroupSummary {
    PhysicalKey key;
    std::string name;
    std::vector<std::pair<int, int>> kinds;  // (Gmsh kind, number of elements), in file order
};

// Every physical group that has elements or a name, in order of first appearance (names first).
std::vector<GroupSummary> physical_groups(const GmshMesh& mesh);

// Builds the vetrix mesh. Faults of the mapping (unknown group, ambiguous selector, element kind
// without a vetrix shape, nothing to write, out-of-range numbers) are MeshErrors. notes receives
// one line for each physical group whose elements are left out; the mesh's warnings one line when
// written quadratic elements have curved edges (a mid-edge node off the middle of its edge by more
// than a millionth of the edge's length).
VetrixMesh convert_mesh(const GmshMesh& mesh, const ConvertOptions& options,
                        std::vector<std::string>& notes);

// The text of the vetrix mesh file.
std::string write_mesh_text(const VetrixMesh& mesh);

// DIM/TAG of a physical group, e.g. "2/1".
std::string key_text(PhysicalKey key);

}  // namespace vetrix::meshtool
