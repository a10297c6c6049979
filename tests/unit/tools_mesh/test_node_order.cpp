// Node orders of vetrix-mesh against the shape functions: on meshes written by Gmsh (straight,
// affine elements) a linear field interpolated at the converted nodes reproduces itself.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.hpp"
#include "common/types.hpp"
#include "elements/simplex_shape.hpp"
#include "gmsh_reader.hpp"
#include "mesh_convert.hpp"
#include "node_order.hpp"

using namespace vetrix::meshtool;

namespace {

// Reference nodes of vetrix's quadrangles and hexahedra on [-1, 1]^D, in vetrix's local order:
// vertices, then mid-edge nodes (Quad8: 1-2, 2-3, 3-4, 4-1; Cub20: bottom round, top round,
// vertical edges).
const double ref[20][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}, {-1, -1, 1},
                           {1, -1, 1},   {1, 1, 1},   {-1, 1, 1}, {0, -1, -1}, {1, 0, -1},
                           {0, 1, -1},   {-1, 0, -1}, {0, -1, 1}, {1, 0, 1},   {0, 1, 1},
                           {-1, 0, 1},   {-1, -1, 0}, {1, -1, 0}, {1, 1, 0},   {-1, 1, 0}};
const double quad8_ref[8][3] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1},
                                {0, -1},  {1, 0},  {0, 1}, {-1, 0}};

// Lagrange (4, 8 nodes) and serendipity (8, 20 nodes) functions of the square and the cube.
double tensor_shape(int D, bool serendipity, const double* r, const double* x) {
    double p = 1.0, s = 0.0;
    int zero = -1;
    for (int i = 0; i < D; ++i) {
        if (r[i] == 0.0)
            zero = i;
        else
            p *= 0.5 * (1.0 + x[i] * r[i]), s += x[i] * r[i];
    }
    if (!serendipity) return p;
    if (zero >= 0) return p * (1.0 - x[zero] * x[zero]);
    return p * (s - (D - 1));
}

struct ShapeInfo {
    const char* name;
    int D;
    bool simplex;
    int order;  // simplex order; for tensor shapes 2 = serendipity
};
const ShapeInfo shapes[] = {{"Seg2", 1, true, 1},   {"Seg3", 1, true, 2},   {"Tri3", 2, true, 1},
                            {"Tri6", 2, true, 2},   {"Tetra4", 3, true, 1}, {"Tetra10", 3, true, 2},
                            {"Quad4", 2, false, 1}, {"Quad8", 2, false, 2}, {"Cub8", 3, false, 1},
                            {"Cub20", 3, false, 2}};

double field(const double* x) {
    return 1.0 + 2.0 * x[0] - 3.0 * x[1] + 0.5 * x[2];
}

struct Case {
    const char* file;
    int NDim;
    const char* shapes;  // element groups in order
};
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.file;
}

class NodeOrder : public ::testing::TestWithParam<Case> {};

TEST_P(NodeOrder, LinearFieldReproduced) {
    const Case& c = GetParam();
    const GmshMesh gm =
        read_gmsh_file(std::string(VETRIX_TEST_DATA) + "/unit/tools_mesh/data/" + c.file);
    ConvertOptions opt;
    opt.groups.push_back({"*", 1, 1});
    std::vector<std::string> notes;
    const VetrixMesh m = convert_mesh(gm, opt, notes);
    EXPECT_EQ(m.NDim, c.NDim);
    std::string names;
    for (const VetrixGroup& g : m.groups) names += (names.empty() ? "" : " ") + g.shape;
    EXPECT_EQ(names, c.shapes);
    EXPECT_EQ(m.warnings, std::vector<std::string>{}) << "straight edges taken as curved";

    const double points[3][3] = {{0.21, 0.33, 0.12}, {-0.6, 0.05, 0.4}, {0.7, -0.45, -0.8}};
    for (const VetrixGroup& g : m.groups) {
        const ShapeInfo* s = nullptr;
        for (const ShapeInfo& i : shapes)
            if (g.shape == i.name) s = &i;
        if (!s) continue;  // a point has nothing to interpolate
        // the vertices spanning the affine map: 1 and its neighbours along each local axis
        const int axis[3] = {2, s->simplex ? 3 : 4, s->simplex ? 4 : 5};
        for (int e = 0; e < g.count(); ++e) {
            auto X = [&](int a, int k) {
                const int node = g.JE[static_cast<std::size_t>(e * g.nodes + a - 1)];
                return k < m.NDim ? gm.xyz[3 * static_cast<std::size_t>(node - 1) +
                                           static_cast<std::size_t>(k)]
                                  : 0.0;
            };
            for (const auto& xi : points) {
                double x[3], t[3];
                for (int k = 0; k < 3; ++k) {
                    x[k] = X(1, k);
                    for (int r = 0; r < s->D; ++r)
                        x[k] +=
                            (s->simplex ? xi[r] : 0.5 * (xi[r] + 1.0)) * (X(axis[r], k) - X(1, k));
                }
                double fh = 0.0;
                for (int a = 1; a <= g.nodes; ++a) {
                    for (int k = 0; k < 3; ++k) t[k] = X(a, k);
                    vetrix::integer alpha[3] = {0, 0, 0};
                    const double N =
                        s->simplex
                            ? vetrix::sfsimplex(vetrix::F1<const double>(xi, s->D),
                                                vetrix::F1<const vetrix::integer>(alpha, s->D),
                                                s->order, a, s->D)
                            : tensor_shape(
                                  s->D, s->order == 2,
                                  s->D == 2 && s->order == 2 ? quad8_ref[a - 1] : ref[a - 1], xi);
                    fh += N * field(t);
                }
                EXPECT_NEAR(fh, field(x), 1e-9) << c.file << " " << g.shape << " element " << e + 1;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    GmshFiles, NodeOrder,
    ::testing::Values(
        Case{"tri1_41.msh", 2, "Seg2 Tri3"}, Case{"tri2_41.msh", 2, "Seg3 Tri6"},
        Case{"tri2_22.msh", 2, "Seg3 Tri6"}, Case{"tet1_22.msh", 3, "Tri3 Tetra4"},
        Case{"tet2_41.msh", 3, "Tri6 Tetra10"}, Case{"tet2_22.msh", 3, "Tri6 Tetra10"},
        Case{"quad1_41.msh", 2, "Point Seg2 Quad4"}, Case{"quad2_41.msh", 2, "Point Seg3 Quad8"},
        Case{"quad2_22.msh", 2, "Point Seg3 Quad8"}, Case{"hex1_22.msh", 3, "Quad4 Cub8"},
        Case{"hex2_41.msh", 3, "Quad8 Cub20"}, Case{"hex2_22.msh", 3, "Quad8 Cub20"}));

// A mid-edge node off the middle of its edge (a curved edge) is reported once, with where and by
// how much (the straight meshes above report nothing).
TEST(NodeOrder, CurvedQuadraticElementsAreReported) {
    std::ifstream f(std::string(VETRIX_TEST_DATA) + "/unit/tools_mesh/data/tri2_22.msh");
    std::stringstream text;
    text << f.rdbuf();
    std::string t = text.str();
    const std::string node5 = "5 0.374999999998625 0.04999999999981668 0";  // middle of 1-4
    ASSERT_NE(t.find(node5), std::string::npos);
    t.replace(t.find(node5), node5.size(), "5 0.375 0.1 0");
    ConvertOptions opt;
    opt.groups.push_back({"*", 2, 1});
    std::vector<std::string> notes;
    EXPECT_EQ(convert_mesh(parse_gmsh("t.msh", t), opt, notes).warnings,
              std::vector<std::string>{
                  "t.msh: 1 of 6 quadratic elements have curved edges (first at line 33: node 5 "
                  "lies 0.05 off the middle of edge 1-4, of length 0.757); element code 2 uses "
                  "them as straight-sided"});
}

// The node-order table of --help says what the converter does: "NAME  a b c ..." lines, 1-based.
TEST(NodeOrderHelp, TableMatchesTheMaps) {
    const int kinds[] = {15, 1, 8, 2, 9, 4, 11, 3, 16, 5, 17};
    const std::string help = help_text();
    for (int kind : kinds) {
        const VetrixShape* s = vetrix_shape_of(kind);
        std::string line = "  " + std::string(gmsh_element_kind(kind)->name);
        line.resize(24, ' ');
        line += std::string(s->shape);
        line.resize(33, ' ');
        for (int a = 0; a < s->nodes; ++a)
            line += (a ? " " : "") + std::to_string(s->from_gmsh[static_cast<std::size_t>(a)] + 1);
        EXPECT_NE(help.find(line + "\n"), std::string::npos) << line;
    }
}

}  // namespace
