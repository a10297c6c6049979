// gmsh_element_kind, vetrix_shape_of: table of Gmsh element kinds and the node-order maps of the
// kinds vetrix has shapes for.
#include "node_order.hpp"

namespace vetrix::meshtool {

namespace {

constexpr GmshKind kinds[] = {
    {1, "2-node line", 1, 2},           {2, "3-node triangle", 2, 3},
    {3, "4-node quadrangle", 2, 4},     {4, "4-node tetrahedron", 3, 4},
    {5, "8-node hexahedron", 3, 8},     {6, "6-node prism", 3, 6},
    {7, "5-node pyramid", 3, 5},        {8, "3-node line", 1, 3},
    {9, "6-node triangle", 2, 6},       {10, "9-node quadrangle", 2, 9},
    {11, "10-node tetrahedron", 3, 10}, {12, "27-node hexahedron", 3, 27},
    {13, "18-node prism", 3, 18},       {14, "14-node pyramid", 3, 14},
    {15, "1-node point", 0, 1},         {16, "8-node quadrangle", 2, 8},
    {17, "20-node hexahedron", 3, 20},  {18, "15-node prism", 3, 15},
    {19, "13-node pyramid", 3, 13},     {20, "9-node incomplete triangle", 2, 9},
    {21, "10-node triangle", 2, 10},    {22, "12-node incomplete triangle", 2, 12},
    {23, "15-node triangle", 2, 15},    {24, "15-node incomplete triangle", 2, 15},
    {25, "21-node triangle", 2, 21},    {26, "4-node line", 1, 4},
    {27, "5-node line", 1, 5},          {28, "6-node line", 1, 6},
    {29, "20-node tetrahedron", 3, 20}, {30, "35-node tetrahedron", 3, 35},
    {31, "56-node tetrahedron", 3, 56},
};

// Vertices come first in both programs and in the same order. Mid-edge nodes:
// - lines, triangles, 8-node quadrangles: Gmsh walks the edges as vetrix does (1-2, 2-3, 3-1
//   on triangles; 1-2, 2-3, 3-4, 4-1 on quadrangles).
// - 10-node tetrahedron: Gmsh's edges are 1-2, 2-3, 3-1, 4-1, 4-3, 4-2; vetrix's 1-2, 2-3, 1-3,
//   1-4, 2-4, 3-4, so its last two mid-edge nodes are Gmsh's last two swapped.
// - 20-node hexahedron: Gmsh's edges are 1-2, 1-4, 1-5, 2-3, 2-6, 3-4, 3-7, 4-8, 5-6, 5-8,
//   6-7, 7-8; vetrix takes the bottom face round (1-2, 2-3, 3-4, 4-1), the top face round
//   (5-6, 6-7, 7-8, 8-5), then the vertical edges (1-5, 2-6, 3-7, 4-8).
constexpr VetrixShape shapes[] = {
    {15, "Point", 1, {0}},
    {1, "Seg2", 2, {0, 1}},
    {8, "Seg3", 3, {0, 1, 2}},
    {2, "Tri3", 3, {0, 1, 2}},
    {9, "Tri6", 6, {0, 1, 2, 3, 4, 5}},
    {4, "Tetra4", 4, {0, 1, 2, 3}},
    {11, "Tetra10", 10, {0, 1, 2, 3, 4, 5, 6, 7, 9, 8}},
    {3, "Quad4", 4, {0, 1, 2, 3}},
    {16, "Quad8", 8, {0, 1, 2, 3, 4, 5, 6, 7}},
    {5, "Cub8", 8, {0, 1, 2, 3, 4, 5, 6, 7}},
    {17, "Cub20", 20, {0, 1, 2, 3, 4, 5, 6, 7, 8, 11, 13, 9, 16, 18, 19, 17, 10, 12, 14, 15}},
};

// Mid-edge nodes in vetrix's order (see the shape table of the help text).
constexpr MidEdge seg3[] = {{2, 0, 1}};
constexpr MidEdge tri6[] = {{3, 0, 1}, {4, 1, 2}, {5, 2, 0}};
constexpr MidEdge tetra10[] = {{4, 0, 1}, {5, 1, 2}, {6, 0, 2}, {7, 0, 3}, {8, 1, 3}, {9, 2, 3}};
constexpr MidEdge quad8[] = {{4, 0, 1}, {5, 1, 2}, {6, 2, 3}, {7, 3, 0}};
constexpr MidEdge cub20[] = {{8, 0, 1},  {9, 1, 2},  {10, 2, 3}, {11, 3, 0},
                             {12, 4, 5}, {13, 5, 6}, {14, 6, 7}, {15, 7, 4},
                             {16, 0, 4}, {17, 1, 5}, {18, 2, 6}, {19, 3, 7}};

}  // namespace

std::span<const MidEdge> mid_edge_nodes(std::string_view shape) {
    if (shape == "Seg3") return seg3;
    if (shape == "Tri6") return tri6;
    if (shape == "Tetra10") return tetra10;
    if (shape == "Quad8") return quad8;
    if (shape == "Cub20") return cub20;
    return {};
}

const GmshKind* gmsh_element_kind(int number) {
    for (const GmshKind& k : kinds)
        if (k.number == number) return &k;
    return nullptr;
}

const VetrixShape* vetrix_shape_of(int gmsh_number) {
    for (const VetrixShape& s : shapes)
        if (s.gmsh_number == gmsh_number) return &s;
    return nullptr;
}

}  // namespace vetrix::meshtool
