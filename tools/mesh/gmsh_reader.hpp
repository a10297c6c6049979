// read_gmsh_file, parse_gmsh: reader of Gmsh ASCII mesh files (formats 2.2 and 4.1) into nodes,
// physical groups and elements with their Gmsh node order.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vetrix::meshtool {

// A fault of an input file or of the command line. The message is complete ("file:line: text"
// for file faults); the program prints it after its own name and ends with a nonzero status.
struct MeshError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A physical group: its dimension and tag identify it (Gmsh allows the same tag in several
// dimensions); tag 0 stands for the elements that belong to no physical group.
struct PhysicalKey {
    int dim = 0;
    int tag = 0;
    friend bool operator==(const PhysicalKey&, const PhysicalKey&) = default;
};

struct PhysicalName {
    PhysicalKey key;
    std::string name;
};

struct GmshElement {
    int kind = 0;                // Gmsh element type number
    int dim = 0;                 // dimension of the entity the element belongs to
    int line = 0;                // line of the file where the element stands
    int first = 0;               // position of its first node in GmshMesh::nodes (0-based)
    int count = 0;               // number of nodes
    std::vector<int> physicals;  // physical tags of the element (empty: none)
};

struct GmshMesh {
    std::string path;                 // file name used in messages
    std::string version;              // "2.2" or "4.1"
    int last_line = 0;                // number of lines of the file
    std::vector<double> xyz;          // three coordinates per node, nodes in file order
    std::vector<PhysicalName> names;  // from $PhysicalNames, in file order
    std::vector<GmshElement> elements;
    std::vector<int> nodes;  // element nodes: dense node numbers 1 ... node_count()
    int node_count() const { return static_cast<int>(xyz.size() / 3); }
};

// Reads a whole .msh file; a missing file or any fault of its text is a MeshError.
GmshMesh read_gmsh_file(const std::string& path);
// Reads mesh text held in memory; path only names it in messages.
GmshMesh parse_gmsh(const std::string& path, std::string_view text);

}  // namespace vetrix::meshtool
