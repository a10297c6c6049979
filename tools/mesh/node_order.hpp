// gmsh_element_kind, vetrix_shape_of: the Gmsh element kinds and, for those vetrix knows, the
// shape name and the map from Gmsh's local node order to vetrix's.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace vetrix::meshtool {

// One Gmsh element kind (the "element type" number of the .msh file).
struct GmshKind {
    int number;             // Gmsh's element type number
    std::string_view name;  // readable name for messages, e.g. "6-node prism"
    int dim;                // topological dimension 0 ... 3
    int nodes;              // nodes per element
};

// A Gmsh kind that vetrix has a shape for. Local node a of vetrix (0-based) is local node
// from_gmsh[a] of Gmsh's list.
struct VetrixShape {
    int gmsh_number;
    std::string_view shape;  // shape name of the vetrix mesh file
    int nodes;
    std::array<int, 20> from_gmsh;
};

// The kind with this number, or nullptr when the number is not a Gmsh element kind this tool
// can read (every kind up to the 56-node tetrahedron is known).
const GmshKind* gmsh_element_kind(int number);

// The vetrix shape for a Gmsh kind, or nullptr when vetrix has none (prisms, pyramids,
// 9-node quadrangles, 27-node hexahedra, cubic and higher elements).
const VetrixShape* vetrix_shape_of(int gmsh_number);

// A mid-edge node of a quadratic shape and the two vertices of its edge, as local node numbers of
// vetrix's order (0-based).
struct MidEdge {
    int mid, a, b;
};

// The mid-edge nodes of a vetrix shape (Seg3, Tri6, Tetra10, Quad8, Cub20); empty for the
// linear shapes.
std::span<const MidEdge> mid_edge_nodes(std::string_view shape);

}  // namespace vetrix::meshtool
