// vetrix-mesh end to end in memory: the same small mesh in Gmsh formats 4.1 and 2.2 gives one
// mesh file, character for character; faults of files, mappings and options give exact messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.hpp"
#include "gmsh_reader.hpp"
#include "mesh_convert.hpp"

using namespace vetrix::meshtool;

namespace {

// Unit square of two triangles (physical surface 1 "plate"), its left edge (physical curve 5
// "left"), one corner as a point element (physical point 7) and one node on no element. Node
// tags are sparse and out of order: 40 20 10 30 99 become 1 ... 5.
const std::string v41 = R"($MeshFormat
4.1 0 8
$EndMeshFormat
$PhysicalNames
2
1 5 "left"
2 1 "plate"
$EndPhysicalNames
$Entities
1 1 1 0
3 1 1 0 1 7
4 0 0 0 0 1 0 1 5 2 1 -2
1 0 0 0 1 1 0 1 1 1 4
$EndEntities
$Nodes
2 5 10 99
1 4 0 2
40
20
0 0 0
0 1 0
2 1 0 3
10
30
99
1 0 0
1 1 0
0.5 0.5 0
$EndNodes
$Elements
3 4 1 4
0 3 15 1
1 30
1 4 1 1
2 20 40
2 1 2 2
3 40 10 30
4 40 30 20
$EndElements
)";

const std::string v22 = R"($MeshFormat
2.2 0 8
$EndMeshFormat
$PhysicalNames
2
1 5 "left"
2 1 "plate"
$EndPhysicalNames
$Nodes
5
40 0 0 0
20 0 1 0
10 1 0 0
30 1 1 0
99 0.5 0.5 0
$EndNodes
$Elements
4
1 15 2 7 3 30
2 1 2 5 4 20 40
3 2 2 1 1 40 10 30
4 2 2 1 1 40 30 20
$EndElements
)";

std::string edit(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// The mesh file for the arguments, or "error: message".
std::string run(const std::string& text, std::vector<std::string> args,
                std::vector<std::string>* notes = nullptr) {
    args.insert(args.begin(), "t.msh");
    std::vector<std::string> n;
    try {
        const CommandLine cl = parse_command_line(args);
        const std::string out =
            write_mesh_text(convert_mesh(parse_gmsh("t.msh", text), cl.convert, n));
        if (notes) *notes = n;
        return out;
    } catch (const MeshError& e) {
        return std::string("error: ") + e.what();
    }
}

const std::string expected_body = R"(*NODAL DOFs
2
*DIMEN
2
*COORDINATES
5
0 0
0 1
1 0
1 1
0.5 0.5
*ELEMENT GROUPS
2
1 1 Seg2   ! physical group 1/5 "left"
2 2 Tri3   ! physical group 2/1 "plate"
*INCIDENCE
2 1
1 3 4
1 4 2
*ELEMENT TYPE
2
1
*ELEMENT MAT
1
3
*DIRICHLET CONDITIONS   ! kinds (-1 prescribed, 1 free, 0 on no element), then values; node by node, substep after substep
-1 -1
-1 -1
1 -1
1 -1
0 0
-1 1
-1 1
1 1
1 -1
0 0
0.5 -4
0.5 -4
0 0.001
0 0.001
0 0
0.5 0
0.5 0
0 0
0 2.5
0 0
)";

TEST(MeshTool, BothFormatsGiveTheSameMeshFile) {
    // clang-format off
    const std::vector<std::string> args = {
        "--dofs", "2", "--substeps", "2", "--group", "plate:type=1,mat=3", "--group=left:type=2",
        "--dirichlet", "left:1=0.5", "--dirichlet", "7@2:2=2.5", "--dirichlet", "plate@1:2=1e-3",
        "--dirichlet", "left@1:2=-4"};
    // clang-format on
    for (const auto& [text, version] : {std::pair{v41, "4.1"}, std::pair{v22, "2.2"}}) {
        std::vector<std::string> notes;
        EXPECT_EQ(run(text, args, &notes), "Converted by vetrix-mesh from t.msh (Gmsh " +
                                               std::string(version) + ")\n" + expected_body);
        EXPECT_TRUE(notes.empty());
    }
}

TEST(MeshTool, UnmappedGroupsAreNoted) {
    std::vector<std::string> notes;
    run(v41, {"--group", "2/1:type=1"}, &notes);
    EXPECT_EQ(
        notes,
        (std::vector<std::string>{
            "physical group 0/7 (1 element) has no --group mapping; its elements are left out",
            "physical group 1/5 \"left\" (1 element) has no --group mapping; its elements "
            "are left out"}));
}

// An element of two physical groups (a curve in "left" and in "wall") goes into both groups;
// a star mapping takes what no other mapping names.
TEST(MeshTool, ElementInTwoGroupsAndStarMapping) {
    const std::string text = edit(edit(v41, "4 0 0 0 0 1 0 1 5 2", "4 0 0 0 0 1 0 2 5 6 2"),
                                  "2\n1 5", "3\n1 6 \"wall\"\n1 5");
    const std::string out = run(text, {"--group", "wall:type=4", "--group", "*:type=9,mat=2"});
    EXPECT_NE(
        out.find("1 1 Point   ! physical group 0/7\n2 1 Seg2   ! physical group 1/5 \"left\"\n"
                 "3 1 Seg2   ! physical group 1/6 \"wall\"\n4 2 Tri3   ! physical group 2/1 "
                 "\"plate\"\n*INCIDENCE\n4\n2 1\n2 1\n1 3 4\n1 4 2\n*ELEMENT TYPE\n9\n9\n4\n9\n"
                 "*ELEMENT MAT\n2\n2\n1\n2\n"),
        std::string::npos)
        << out;
}

struct Fault {
    std::string text;
    std::vector<std::string> args;
    std::string message;
};

TEST(MeshTool, FaultMessages) {
    const std::string amb = edit(v22, "2 1 2 5 4 20 40", "2 1 2 1 4 20 40");
    const Fault faults[] = {
        // clang-format off
        {edit(v22, "2.2 0 8", "2.2 1 8"), {},
         "t.msh:2: binary mesh files are not supported; save the mesh as ASCII (Mesh.Binary = 0)"},
        {edit(v41, "4.1 0 8", "4 0 8"), {},
         "t.msh:2: MSH version 4 is not supported; save the mesh in format 4.1 or 2.2"},
        {"solid x\n", {}, "t.msh:1: expected $MeshFormat, found 'solid x'"},
        {edit(v22, "99 0.5 0.5", "99 0.5 O.5"), {}, "t.msh:15: 'O.5' is not a number"},
        {edit(v22, "1 15 2", "1 99 2"), {}, "t.msh:19: unknown Gmsh element type 99"},
        {edit(v22, "99 0.5 0.5", "99 nan 0.5"), {},
         "t.msh:15: node 99: coordinate x is 'nan', not a finite number"},
        {edit(v41, "1 1 0\n0.5", "1 -inf 0\n0.5"), {},
         "t.msh:27: node 30: coordinate y is '-inf', not a finite number"},
        // bytes of a binary file are shown, not echoed
        {"\x7f" "ELF\x01\x1b[2J\xc3\xa4\xff\n", {},
         "t.msh:1: expected $MeshFormat, found '\\x7fELF\\x01\\x1b[2J\xc3\xa4\\xff'"},
        {edit(v22, "99 0.5 0.5", "99 0.5 \x01\x02"), {}, "t.msh:15: '\\x01\\x02' is not a number"},
        {edit(v22, "3 2 2 1 1 40 10 30", "3 6 2 1 1 40 10 30 20 99 40"), {"--group", "*:type=1"},
         "t.msh:21: a 6-node prism (Gmsh element type 6) has no vetrix shape; it belongs to "
         "physical group 3/1"},
        {edit(v22, "3 2 2 1 1 40 10 30", "3 2 2 1 1 40 10"), {},
         "t.msh:21: element 3: a 3-node triangle has 3 nodes, the line gives 2"},
        {edit(v22, "40 30 20", "40 30 21"), {},
         "t.msh:22: element 4 refers to node 21, which is not defined"},
        {v22.substr(0, v22.find("30 1 1 0")), {}, "t.msh:13: end of file inside $Nodes"},
        {edit(v41, "2 5 10 99", "2 6 10 99"), {},
         "t.msh:16: $Nodes announces 6 nodes, its blocks hold 5"},
        {edit(v41, "2 1 2 2\n", "2 9 2 2\n"), {},
         "t.msh:36: entity 2/9 is not declared in $Entities"},
        {v22, {"--group", "inlet:type=1"},
         "--group inlet: no physical group named \"inlet\" in t.msh"},
        {v22, {"--group", "3/1:type=1"}, "--group 3/1: no physical group 3/1 in t.msh"},
        {amb, {"--group", "1:type=1"},
         "--group 1: ambiguous, t.msh has physical groups 2/1 and 1/1; write DIM/TAG"},
        {amb, {"--group", "left:type=1"},
         "--group left: physical group 1/5 has no elements in t.msh"},
        {v22, {"--group", "plate:type=1", "--group", "2/1:type=2"},
         "--group 2/1: physical group 2/1 is already mapped by --group plate"},
        {v22, {"--group", "plate:type=1", "--dirichlet", "left:2=0"},
         "--dirichlet left: dof 2 is outside 1 ... 1 (--dofs)"},
        {v22, {"--group", "plate:type=1", "--dirichlet", "left@3:1=0"},
         "--dirichlet left: substep 3 is outside 1 ... 1 (--substeps)"},
        {v22, {"--dirichlet", "left:1=0"},
         "t.msh: no element to write; map physical groups to element types with --group"},
        {edit(v22, "99 0.5 0.5 0", "99 0.5 0.5 0.25"), {"--group", "plate:type=1", "--dim", "2"},
         "--dim 2: node 5 has coordinate 3 = 0.25, which would be lost"},
        // command-line faults
        {v22, {"b.msh"}, "b.msh: a second input file (t.msh is the first)"},
        {v22, {"--dim=4"}, "--dim 4: expected an integer from 1 to 3"},
        {v22, {"--group", "plate"}, "--group plate: expected SEL:type=T[,mat=M]"},
        {v22, {"--group", "plate:mat=2"}, "--group plate:mat=2: type=T is missing"},
        {v22, {"--group", "p:type=1,colour=2"},
         "--group p:type=1,colour=2: unknown field 'colour=2' (type=T, mat=M)"},
        {v22, {"--group", "p:type=-1"}, "--group p:type=-1: type must be a positive integer"},
        {v22, {"--dirichlet", "left:1"}, "--dirichlet left:1: '1' is not DOF=VALUE"},
        {v22, {"--dirichlet", "left:1=nan"}, "--dirichlet left:1=nan: '1=nan' is not DOF=VALUE"},
        {v22, {"--dirichlet", "left@x:1=0"},
         "--dirichlet left@x:1=0: the substep after @ must be a positive integer"},
        {v22, {"--frobnicate"}, "--frobnicate: unknown option"},
        {v22, {"-o"}, "-o: a value is missing"},
        {v22, {"--list=yes"}, "--list: takes no value"},
        // clang-format on
    };
    for (const Fault& f : faults) EXPECT_EQ(run(f.text, f.args), "error: " + f.message);
    EXPECT_THROW(parse_command_line({}), UsageError);
}

// With all z = 0 the mesh is plane unless --dim says otherwise; a 3-D mesh keeps z.
TEST(MeshTool, Dimension) {
    const auto coords = [](const std::string& out) {
        const std::size_t b = out.find("*COORDINATES\n5\n") + 15;
        return out.substr(b, out.find('\n', b) - b);
    };
    EXPECT_EQ(coords(run(v22, {"--group", "plate:type=1", "--dim", "3"})), "0 0 0");
    EXPECT_EQ(coords(run(edit(v22, "40 0 0 0", "40 0 0 -2"), {"--group", "plate:type=1"})),
              "0 0 -2");
}

}  // namespace
