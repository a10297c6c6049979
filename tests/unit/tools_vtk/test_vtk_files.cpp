// Case reading and VTK writing on decks held in memory: cells of every shape, padding of the
// coordinates, output-node clouds, restart levels, array names, and the messages of bad input.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "common/stops.hpp"
#include "tools/vtk/case_reader.hpp"
#include "tools/vtk/vtu_writer.hpp"
#include "unit/tools_vtk/xml_reader.hpp"

namespace vetrix::vtk {
namespace {

using testing::XmlNode;
using Reals = std::vector<double>;

std::string control(const std::string& output_nodes, const std::string& names, int levels = 1) {
    return "*NodeOutputControl\n" + output_nodes + "\n*StepContinuationControl\nF 1 1.0 " +
           std::to_string(levels) + "\n1.0 1.0\n1e-6 1e-6\n" + names + "\n0 0 0\n";
}

CaseData read(const std::string& mesh_text, const std::string& control_text) {
    DeckFile mesh = DeckFile::from_text("Mesh.txt", mesh_text);
    DeckFile ctl = DeckFile::from_text("Basparam.txt", control_text);
    return read_case(mesh, ctl);
}

// The file written for the grid, parsed by the strict reader (malformed XML throws).
XmlNode vtu(const VtkGrid& g, const CaseData& c, const Snapshot& s) {
    std::ostringstream os;
    write_vtu(os, g, c.dof_names, s);
    return testing::XmlReader::parse(os.str());
}

Reals array(const XmlNode& x, const std::string& name) {
    const XmlNode* a = x.find("DataArray", name);
    return a ? a->numbers() : Reals{};
}

Reals points(const XmlNode& x) {
    return x.find("Points")->find("DataArray")->numbers();
}

// Eight groups of every kind on 20 nodes (node n at x = n, y = -n, z = n/2), two dofs per node;
// types and materials one line per group (the generic group one value per element).
const std::string kMixedMesh =
    "*NODAL DOFs\n2\n*DIMEN\n3\n*COORDINATES\n20\n1 -1 0.5 2 -2 1 3 -3 1.5 4 -4 2 5 -5 2.5\n"
    "6 -6 3 7 -7 3.5 8 -8 4 9 -9 4.5 10 -10 5 11 -11 5.5 12 -12 6 13 -13 6.5 14 -14 7\n"
    "15 -15 7.5 16 -16 8 17 -17 8.5 18 -18 9 19 -19 9.5 20 -20 10\n*ELEMENT GROUPS\n8\n"
    "1 1 Point\n2 1 Seg3\n3 1 Tri6\n4 1 Tetra10\n5 1 Quad8\n6 1 Cub20\n7 3 Generic_links\n"
    "8 0 Tri3\n2 0 4\n*INCIDENCE\n5  1 2 3  1 2 3 4 5 6  1 2 3 4 5 6 7 8 9 10  1 2 3 4 5 6 7 8\n"
    "20 19 18 17 16 15 14 13 12 11 10 9 8 7 6 5 4 3 2 1  3 4  5 6 7 8\n*ELEMENT TYPE\n"
    "1\n2\n3\n4\n5\n6\n7 8 9\n1\n*ELEMENT MAT\n11\n12\n13\n14\n15\n16\n17 18 19\n1\n";

// The shapes the mixed mesh below does not hold; names are matched to their trailing blanks.
TEST(VtkFiles, CellTypesOfTheLinearShapes) {
    const std::tuple<const char*, integer, int> cases[] = {
        {"Seg2", 2, 3},  {"Tri3", 3, 5},     {"Tetra4", 4, 10},   {"Quad4", 4, 9},
        {"Cub8", 8, 12}, {"Tri3    ", 3, 5}, {"generic_x", 1, 1}, {"GENERIC", 2, 3}};
    for (const auto& [shape, nodes, cell] : cases)
        EXPECT_EQ(vtk_cell_type(shape, nodes), cell) << shape << " " << nodes;
    EXPECT_THROW(vtk_cell_type("tri3", 3), RuntimeFailure);
}

TEST(VtkFiles, MixedMeshKeepsNodeOrderAndElementData) {
    const CaseData c = read(kMixedMesh, control("0", "'U' 'V'"));
    Snapshot s{.istep = 3, .T = 0.125, .points = 20, .values = {}};
    for (int n = 1; n <= 20; ++n) s.values.insert(s.values.end(), {1.0 * n, -0.5 * n});
    const XmlNode x = vtu(mesh_grid(c), c, s);

    EXPECT_EQ(x.find("Piece")->attr, (std::map<std::string, std::string>{{"NumberOfPoints", "20"},
                                                                         {"NumberOfCells", "9"}}));
    // the generic group: 2, 0 and 4 nodes give a line, an empty cell and a polyvertex
    EXPECT_EQ(array(x, "types"), (Reals{1, 21, 22, 24, 23, 25, 3, 0, 2}));
    EXPECT_EQ(array(x, "offsets"), (Reals{1, 4, 10, 20, 28, 48, 50, 50, 54}));
    Reals conn{4, 0, 1, 2};  // 0-based, each element's own order
    for (int first_of : {6, 10, 8})
        for (int n = 0; n < first_of; ++n) conn.push_back(n);
    for (int n = 19; n >= 0; --n) conn.push_back(n);
    conn.insert(conn.end(), {2, 3, 4, 5, 6, 7});
    EXPECT_EQ(array(x, "connectivity"), conn);
    EXPECT_EQ(array(x, "ElementType"), (Reals{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(array(x, "ElementMaterial"), (Reals{11, 12, 13, 14, 15, 16, 17, 18, 19}));
    EXPECT_EQ(array(x, "ElementGroup"), (Reals{1, 2, 3, 4, 5, 6, 7, 7, 7}));
    const Reals xyz = points(x), v = array(x, "V");
    EXPECT_EQ(Reals(xyz.end() - 3, xyz.end()), (Reals{20, -20, 10}));
    ASSERT_EQ(v.size(), 20u);
    EXPECT_EQ(v[19], -10.0);
    EXPECT_EQ(array(x, "TimeValue"), (Reals{0.125}));
    EXPECT_EQ(array(x, "Step"), (Reals{3}));
}

TEST(VtkFiles, CoordinatesPaddedToThree) {
    for (const auto& [ndim, coordinates, xyz] :
         {std::tuple{1, "0.5 2.5", Reals{0.5, 0, 0, 2.5, 0, 0}},
          {2, "0.5 1 2.5 3", Reals{0.5, 1, 0, 2.5, 3, 0}}}) {
        const std::string mesh = "*NODAL DOFs\n2\n*DIMEN\n" + std::to_string(ndim) +
                                 "\n*COORDINATES\n2\n" + coordinates +
                                 "\n*ELEMENT GROUPS\n1\n1 1 Seg2\n*INCIDENCE\n1 2\n"
                                 "*ELEMENT TYPE\n1\n*ELEMENT MAT\n1\n";
        const CaseData c = read(mesh, control("0", "A B"));
        const XmlNode x = vtu(mesh_grid(c), c, {.points = 2, .values = {1, 2, 3, 4}});
        EXPECT_EQ(points(x), xyz) << "NDim " << ndim;
        EXPECT_EQ(array(x, "B"), (Reals{2, 4}));
    }
}

TEST(VtkFiles, ArrayNamesFromTheOuterNames) {
    for (const auto& [names, expect] :
         {std::pair{"'TEMPERATURE' PRESSURE", std::vector<std::string>{"TEMPERATURE", "PRESSURE"}},
          {"'U' 'U'", {"U", "U_2"}},
          {"' ' 'a<b & \"c\"'", {"dof1", "a<b & \"c\""}},
          {"'  padded name' ABCDEFGHIJKLMNOPQRS", {"padded name", "ABCDEFGHIJKLMNOP"}}}) {
        const CaseData c = read(kMixedMesh, control("0", names));
        EXPECT_EQ(c.dof_names, expect) << names;
        const XmlNode x = vtu(mesh_grid(c), c, {.points = 20, .values = std::vector<real>(40)});
        EXPECT_EQ(array(x, expect[1]).size(), 20u) << names;
    }
}

TEST(VtkFiles, OutputNodesGiveAPointCloud) {
    const CaseData c = read(kMixedMesh, control("2\n7 3", "T Q"));
    ASSERT_EQ(c.output_points(), 2);
    DeckFile data = DeckFile::from_text("DataOut.txt",
                                        "*Time\n       0   0.000      0.5000E-01\n"
                                        " +0.12345678E+001 -0.50000000E+000\n"
                                        " +0.00000000E+000 +0.10000000E-099\n"
                                        "*Time\n       5  0.2500      0.5000E-01\n"
                                        " -0.25000000E+003 +0.20000000E+001\n"
                                        " +0.30000000E+001 +0.40000000E+001\n");
    Snapshot s;
    ASSERT_TRUE(read_dataout_record(data, c, s));
    EXPECT_EQ(s.values, (std::vector<real>{1.2345678, -0.5, 0.0, 1e-100}));
    ASSERT_TRUE(read_dataout_record(data, c, s));
    EXPECT_EQ(std::make_tuple(s.istep, s.T, s.DT), std::make_tuple(5, 0.25, 0.05));
    EXPECT_FALSE(read_dataout_record(data, c, s));

    const XmlNode x = vtu(point_cloud(c, c.in.nodesout), c, s);
    EXPECT_EQ(x.find("Piece")->attr.at("NumberOfCells"), "2");
    EXPECT_EQ(array(x, "types"), (Reals{1, 1}));
    EXPECT_EQ(array(x, "connectivity"), (Reals{0, 1}));
    EXPECT_EQ(array(x, "Node"), (Reals{7, 3}));
    EXPECT_EQ(points(x), (Reals{7, -7, 3.5, 3, -3, 1.5}));
    EXPECT_EQ(array(x, "T"), (Reals{-250, 3}));
    EXPECT_EQ(array(x, "Q"), (Reals{2, 4}));
    EXPECT_EQ(x.find("CellData"), nullptr);
}

TEST(VtkFiles, RestartLevelsAndTime) {
    const std::string mesh =
        "*NODAL DOFs\n1\n*DIMEN\n1\n*COORDINATES\n3\n0 1 2\n*ELEMENT GROUPS\n1\n1 2 Seg2\n"
        "*INCIDENCE\n1 2 2 3\n*ELEMENT TYPE\n1\n*ELEMENT MAT\n1\n";
    const CaseData c = read(mesh, control("0", "'H'", 2));
    DeckFile ini = DeckFile::from_text("IniFile.txt",
                                       "*Initial Conditions\n +0.1E+001\n +0.2E+001\n +0.3E+001\n"
                                       " -0.1E+001\n -0.2E+001\n -0.3E+001\n\n"
                                       "*Time   [ T , DT ]\n   0.2500000E+00   0.5000000E-01\n");
    const Snapshot s = read_restart(ini, c);
    EXPECT_EQ(s.T, 0.25);
    const XmlNode x = vtu(mesh_grid(c), c, s);
    EXPECT_EQ(array(x, "H"), (Reals{1, 2, 3}));
    EXPECT_EQ(array(x, "H_level2"), (Reals{-1, -2, -3}));
    EXPECT_EQ(x.find("DataArray", "Step"), nullptr);
}

std::string failure(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeFailure& e) {
        return e.what();
    }
    return "no failure";
}

TEST(VtkFiles, BadInputNamesFileAndLine) {
    const CaseData c = read(kMixedMesh, control("2\n7 3", "T Q"));
    const std::string head = "*Time\n 1 0.1 0.1\n +0.1E+001 +0.2E+001\n";
    for (const auto& [data, message] :
         {std::pair<std::string, std::string>{head, "DataOut.txt: end of file"},
          {head + " 3 4\n 5 6\n*Time\n", "DataOut.txt, line 5: \"5 6\" stands where a \"*Time\""},
          {head + " +0.3E+001 +0.4X+001\n", "DataOut.txt, line 4"},
          {" 1 2\n", "DataOut.txt, line 1: \"1 2\""}}) {
        // clang before 16 cannot capture a structured binding: each is captured under a name
        const std::string m = failure([&, &text = data] {
            DeckFile f = DeckFile::from_text("DataOut.txt", text);
            Snapshot s;
            while (read_dataout_record(f, c, s)) {
            }
        });
        EXPECT_NE(m.find(message), std::string::npos) << m;
    }
    // the solver's reader stopping, and values it would reject
    std::string bad_shape = kMixedMesh;
    bad_shape.replace(bad_shape.find("Tri3"), 4, "Tri3x");
    for (const auto& [mesh, ctl, message] :
         {std::tuple{bad_shape, control("0", "T Q"),
                     "Mesh.txt, line 20: ELEMENT TYPE NOT IMPLEMENTED"},
          {kMixedMesh, std::string("*NodeOutputControl\n0\n"),
           "Basparam.txt: keyword \"*StepContinuationControl\" not found"},
          {kMixedMesh, control("1\n21", "T Q"),
           "Basparam.txt, line 3: output node 21 is outside 1..20"}}) {
        const std::string m = failure([&, &mesh_text = mesh, &control_text = ctl] {
            read(mesh_text, control_text);
        });
        EXPECT_NE(m.find(message), std::string::npos) << m;
    }
}

// A declared count beyond what the rest of its file can hold stops at once, naming the file, the
// line and the count, before anything is sized from it; a large count the file does hold, also
// through repeats (r*v), passes.
TEST(VtkFiles, DeclaredCountsCheckedAgainstTheFile) {
    const auto edit = [](std::string text, const std::string& from, const std::string& to) {
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const std::string ctl = control("0", "T Q");
    const std::string ctl_levels = edit(ctl, "F 1 1.0 1", "F 1 1.0 2000000000");  // restart levels
    const std::string ini = "*Initial Conditions\n1100000*1.0\n";
    const std::string big_mesh =
        "*NODAL DOFs\n1\n*DIMEN\n2\n*COORDINATES\n1100000\n2200000*0.5\n*ELEMENT GROUPS\n1\n"
        "1 1 Point\n*INCIDENCE\n1100000\n*ELEMENT TYPE\n1\n*ELEMENT MAT\n1\n";
    for (const auto& [mesh, basparam, message] :
         {std::tuple{edit(kMixedMesh, "*COORDINATES\n20", "*COORDINATES\n2000000000"), ctl,
                     "Mesh.txt, line 6: 2000000000 nodes of 3 coordinates need 6000000000 "
                     "values, the rest of the file holds at most 169"},
          {edit(kMixedMesh, "GROUPS\n8", "GROUPS\n2000000000"), ctl,
           "Mesh.txt, line 11: 2000000000 element groups need 6000000000 values"},
          {edit(kMixedMesh, "6 1 Cub20", "6 2000000000 Cub20"), ctl,
           "Mesh.txt, line 19: 2000000008 elements need 2000000008 values"},
          {edit(kMixedMesh, "6 1 Cub20", "6 100000 Cub20"), ctl,
           "Mesh.txt, line 21: the elements of known shapes (2000028 nodes) need 2000028 "
           "values"},
          {kMixedMesh, control("2000000000\n1 2", "T Q"),
           "Basparam.txt, line 2: 2000000000 output nodes need 2000000000 values"},
          {edit(kMixedMesh, "DOFs\n2", "DOFs\n2000000000"), ctl,
           "Basparam.txt, line 4: norms, tolerances and names of 2000000000 dofs need "
           "6000000000 values"},
          {kMixedMesh, ctl_levels,
           "IniFile.txt, line 1: 2000000000 levels of 20 nodes of 2 dofs need 80000000000 "
           "values, the rest of the file holds at most 1100000"},
          {big_mesh, ctl, "no failure"}}) {
        // captured under names: clang before 16 cannot capture structured bindings
        const std::string m = failure([&, &mesh_text = mesh, &control_text = basparam] {
            const CaseData c = read(mesh_text, control_text);
            DeckFile f = DeckFile::from_text("IniFile.txt", ini);
            read_restart(f, c);
        });
        EXPECT_NE(m.find(message), std::string::npos) << m;
    }
}

}  // namespace
}  // namespace vetrix::vtk
