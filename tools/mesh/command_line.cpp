// parse_command_line, help_text: options of vetrix-mesh (input, output, counts, the mapping of
// physical groups to element types and materials, prescribed values) and the --help text.
#include "command_line.hpp"

#include <charconv>
#include <cmath>

namespace vetrix::meshtool {

namespace {

[[noreturn]] void usage(const std::string& option, const std::string& value,
                        const std::string& problem) {
    throw UsageError(option + (value.empty() ? "" : " " + value) + ": " + problem);
}

// True when the whole token is an integer in [low, high], stored in v.
bool read_int(std::string_view s, int low, int high, int& v) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && v >= low && v <= high;
}

bool read_real(std::string_view s, double& v) {
    const char* b = s.data();
    if (!s.empty() && s.front() == '+') ++b;
    const auto r = std::from_chars(b, s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(v);
}

int count_option(const std::string& option, const std::string& value, int low, int high) {
    int v = 0;
    if (!read_int(value, low, high, v))
        usage(option, value,
              "expected an integer from " + std::to_string(low) + " to " + std::to_string(high));
    return v;
}

std::vector<std::string_view> fields(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t b = 0;
    while (true) {
        const std::size_t e = s.find(',', b);
        out.push_back(s.substr(b, e == std::string_view::npos ? std::string_view::npos : e - b));
        if (e == std::string_view::npos) return out;
        b = e + 1;
    }
}

// SEL:type=T[,mat=M]
GroupMapping group_option(const std::string& value) {
    const std::size_t colon = value.rfind(':');
    if (colon == std::string::npos || colon == 0)
        usage("--group", value, "expected SEL:type=T[,mat=M]");
    GroupMapping m;
    m.selector = value.substr(0, colon);
    m.type = 0;
    for (std::string_view f : fields(std::string_view(value).substr(colon + 1))) {
        const std::size_t eq = f.find('=');
        const std::string_view key = f.substr(0, eq);
        const std::string_view num = eq == std::string_view::npos ? "" : f.substr(eq + 1);
        int* target = key == "type" ? &m.type : key == "mat" ? &m.mat : nullptr;
        if (!target)
            usage("--group", value, "unknown field '" + std::string(f) + "' (type=T, mat=M)");
        if (!read_int(num, 1, 2147483647, *target))
            usage("--group", value, std::string(key) + " must be a positive integer");
    }
    if (m.type == 0) usage("--group", value, "type=T is missing");
    return m;
}

// SEL[@S]:D=V[,D=V...]
void dirichlet_option(const std::string& value, std::vector<DirichletRule>& rules) {
    const std::size_t colon = value.rfind(':');
    if (colon == std::string::npos || colon == 0)
        usage("--dirichlet", value, "expected SEL[@S]:D=V[,D=V...]");
    DirichletRule rule;
    rule.selector = value.substr(0, colon);
    const std::size_t atsign = rule.selector.rfind('@');
    if (atsign != std::string::npos) {
        if (!read_int(std::string_view(rule.selector).substr(atsign + 1), 1, 2147483647,
                      rule.substep))
            usage("--dirichlet", value, "the substep after @ must be a positive integer");
        rule.selector.resize(atsign);
    }
    for (std::string_view f : fields(std::string_view(value).substr(colon + 1))) {
        const std::size_t eq = f.find('=');
        if (eq == std::string_view::npos || !read_int(f.substr(0, eq), 1, 2147483647, rule.dof) ||
            !read_real(f.substr(eq + 1), rule.value))
            usage("--dirichlet", value, "'" + std::string(f) + "' is not DOF=VALUE");
        rules.push_back(rule);
    }
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& args) {
    CommandLine cl;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::string value;
        bool has_value = false;
        if (option.rfind("--", 0) == 0 && option.find('=') != std::string::npos) {
            value = option.substr(option.find('=') + 1);
            option.resize(option.find('='));
            has_value = true;
        }
        auto take = [&]() -> const std::string& {
            if (!has_value) {
                if (i + 1 >= args.size()) usage(option, "", "a value is missing");
                value = args[++i];
            }
            return value;
        };
        if (option == "-h" || option == "--help")
            cl.help = true;
        else if (option == "--list")
            cl.list = true;
        else if (option == "-o" || option == "--output")
            cl.output = take();
        else if (option == "--dofs")
            cl.convert.NDof = count_option(option, take(), 1, 1000);
        else if (option == "--substeps")
            cl.convert.NSubSteps = count_option(option, take(), 1, 1000);
        else if (option == "--dim")
            cl.convert.NDim = count_option(option, take(), 1, 3);
        else if (option == "--group")
            cl.convert.groups.push_back(group_option(take()));
        else if (option == "--dirichlet")
            dirichlet_option(take(), cl.convert.dirichlet);
        else if (option.size() > 1 && option[0] == '-')
            usage(option, "", "unknown option");
        else if (!cl.input.empty())
            usage(option, "", "a second input file (" + cl.input + " is the first)");
        else
            cl.input = option;
        if (has_value && (option == "-h" || option == "--help" || option == "--list"))
            usage(option, "", "takes no value");
    }
    if (!cl.help && cl.input.empty()) throw UsageError("no input file");
    return cl;
}

std::string help_text() {
    return R"(Usage: vetrix-mesh [OPTIONS] INPUT.msh

Converts a Gmsh mesh file (ASCII, format 4.1 or 2.2) into the mesh file of vetrix
(Mesh.txt). Every node of the input is kept, numbered 1, 2, ... in the order of the file.
The elements of each physical group become element groups, one group per shape, in the
order in which they first appear; vetrix's shape name and node order replace Gmsh's.

Options:
  -o, --output FILE   where to write (default Mesh.txt; '-' writes to standard output)
  --dofs N            degrees of freedom per node, NDof (default 1)
  --substeps N        number of substeps of the control file, NSubSteps (default 1)
  --dim N             coordinates per node, 1 to 3 (default: 2 when every z coordinate is
                      0, else 3); a coordinate that would be dropped must be 0
  --group SEL:type=T[,mat=M]
                      elements of physical group SEL get element type T (row of the
                      element library table) and material M (parameter group, default 1)
  --dirichlet SEL[@S]:D=V[,D=V...]
                      dof D of every node of an element of physical group SEL is
                      prescribed to the value V, in substep S or, without @S, in every
                      substep
  --list              list the physical groups of INPUT and their elements, write nothing
  -h, --help          show this text

Physical groups (SEL) are named by their name in $PhysicalNames, by their tag when no
other dimension uses it, or by DIM/TAG (e.g. 2/1 for physical surface 1). Elements of no
physical group have tag 0. --group '*:type=T,mat=M' maps every group no other --group names.
Physical groups without a mapping are left out of the element groups (a note says so
unless --dirichlet uses them), but their nodes stay and can carry prescribed values.
An element in several mapped physical groups is written once in each of them.

Prescribed values: each substep's section lists, node by node, one kind per dof:
  -1  prescribed; the value comes from the matching entry of the value section,
   1  dof of a node that belongs to a written element: free, and vetrix decides from
      the element couplings whether the substep solves for it,
   0  dof of a node that belongs to no written element: no equation.
vetrix treats 1 and 0 alike when it reads them (the couplings decide); the two kinds
only make the file tell which nodes are meshed. Values of non-prescribed dofs are 0.
--dirichlet options apply in order: where two prescribe the same dof, the later wins.

Shapes and node orders (vetrix's local node a is Gmsh's local node given, 1-based):
  1-node point          Point    1
  2-node line           Seg2     1 2
  3-node line           Seg3     1 2 3
  3-node triangle       Tri3     1 2 3
  6-node triangle       Tri6     1 2 3 4 5 6
  4-node tetrahedron    Tetra4   1 2 3 4
  10-node tetrahedron   Tetra10  1 2 3 4 5 6 7 8 10 9
  4-node quadrangle     Quad4    1 2 3 4
  8-node quadrangle     Quad8    1 2 3 4 5 6 7 8
  8-node hexahedron     Cub8     1 2 3 4 5 6 7 8
  20-node hexahedron    Cub20    1 2 3 4 5 6 7 8 9 12 14 10 17 19 20 18 11 13 15 16
Quad8 lists its mid-side nodes edge 1-2, 2-3, 3-4, 4-1; Cub20 its mid-edge nodes round
the bottom face (1-2, 2-3, 3-4, 4-1), round the top face (5-6, 6-7, 7-8, 8-5), then up
the vertical edges (1-5, 2-6, 3-7, 4-8). Other Gmsh elements (prisms, pyramids, 9-node
quadrangles, 27-node hexahedra, cubic and higher) cannot be converted.

Quadratic elements are used by vetrix as straight-sided (element code 2); a warning line
says so when a mid-edge node lies off the middle of its edge (a curved edge). Coordinates
must be finite. The output file is written under a temporary name in its folder, which
must exist, and renamed when complete; a failure leaves an earlier file as it was.

Example:
  vetrix-mesh plate.msh -o Mesh.txt --dofs 1 --substeps 1 \
      --group plate:type=1,mat=1 --group right:type=2,mat=1 \
      --dirichlet left:1=0.0

Exit status: 0 when the file was written, 1 for a fault of the input file or of the
mapping (the message names the file and the line), 2 for a fault of the command line.
)";
}

}  // namespace vetrix::meshtool
