// main of vetrix-mesh: reads the command line and the Gmsh file, writes the vetrix mesh file.
#include <fstream>
#include <iostream>

#include "command_line.hpp"
#include "gmsh_reader.hpp"
#include "mesh_convert.hpp"
#include "node_order.hpp"

using namespace vetrix::meshtool;

namespace {

void list_groups(const GmshMesh& mesh) {
    std::cout << mesh.path << " (Gmsh " << mesh.version << "): " << mesh.node_count() << " nodes, "
              << mesh.elements.size() << " elements\n";
    for (const GroupSummary& g : physical_groups(mesh)) {
        std::cout << "physical group " << key_text(g.key);
        if (!g.name.empty()) std::cout << " \"" << g.name << "\"";
        if (g.key.tag == 0) std::cout << " (elements of no physical group)";
        std::cout << ":";
        if (g.kinds.empty()) std::cout << " no elements";
        for (std::size_t i = 0; i < g.kinds.size(); ++i) {
            const auto [kind, count] = g.kinds[i];
            const VetrixShape* s = vetrix_shape_of(kind);
            std::cout << (i ? ", " : " ") << count << " x " << gmsh_element_kind(kind)->name << " ("
                      << (s ? s->shape : "no vetrix shape") << ")";
        }
        std::cout << "\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const CommandLine cl = parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
        if (cl.help) {
            std::cout << help_text();
            return 0;
        }
        const GmshMesh mesh = read_gmsh_file(cl.input);
        if (cl.list) {
            list_groups(mesh);
            return 0;
        }
        std::vector<std::string> notes;
        const std::string text = write_mesh_text(convert_mesh(mesh, cl.convert, notes));
        for (const std::string& n : notes) std::cerr << "vetrix-mesh: note: " << n << "\n";
        if (cl.output == "-") {
            std::cout << text;
        } else {
            std::ofstream out(cl.output, std::ios::binary);
            out << text;
            out.close();
            if (!out) {
                std::cerr << "vetrix-mesh: " << cl.output << ": cannot write the file\n";
                return 1;
            }
        }
        return 0;
    } catch (const UsageError& e) {
        std::cerr << "vetrix-mesh: " << e.what() << "\n(vetrix-mesh --help shows the options)\n";
        return 2;
    } catch (const MeshError& e) {
        std::cerr << "vetrix-mesh: " << e.what() << "\n";
        return 1;
    }
}
