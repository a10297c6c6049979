// main of vetrix-mesh: reads the command line and the Gmsh file, writes the vetrix mesh file.
#include <csignal>
#include <exception>
#include <iostream>
#include <new>

#include "command_line.hpp"
#include "common/replace_file.hpp"
#include "gmsh_reader.hpp"
#include "mesh_convert.hpp"
#include "node_order.hpp"
#include "tools/common/message_text.hpp"

using namespace vetrix::meshtool;
using vetrix::tools::printable;

namespace {

void list_groups(const GmshMesh& mesh) {
    std::cout << mesh.path << " (Gmsh " << mesh.version << "): " << mesh.node_count() << " nodes, "
              << mesh.elements.size() << " elements\n";
    for (const GroupSummary& g : physical_groups(mesh)) {
        std::cout << "physical group " << key_text(g.key);
        if (!g.name.empty()) std::cout << " \"" << printable(g.name) << "\"";
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
    // past a file-size limit a write fails and is reported, instead of the signal ending the
    // program with the temporary file left behind
    std::signal(SIGXFSZ, SIG_IGN);
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
        const VetrixMesh converted = convert_mesh(mesh, cl.convert, notes);
        const std::string text = write_mesh_text(converted);
        for (const std::string& n : notes)
            std::cerr << "vetrix-mesh: note: " << printable(n, 1000) << "\n";
        for (const std::string& w : converted.warnings)
            std::cerr << "vetrix-mesh: warning: " << printable(w, 1000) << "\n";
        if (cl.output == "-") {
            std::cout << text;
        } else if (std::string error; !vetrix::replace_file(cl.output, text, error)) {
            // the old file, if any, is left as it was
            std::cerr << "vetrix-mesh: " << cl.output << ": cannot write the file (" << error
                      << ")\n";
            return 1;
        }
        return 0;
    } catch (const UsageError& e) {
        std::cerr << "vetrix-mesh: " << printable(e.what(), 1000)
                  << "\n(vetrix-mesh --help shows the options)\n";
        return 2;
    } catch (const MeshError& e) {
        std::cerr << "vetrix-mesh: " << printable(e.what(), 1000) << "\n";
    } catch (const std::bad_alloc&) {
        std::cerr << "vetrix-mesh: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "vetrix-mesh: " << printable(e.what(), 1000) << "\n";
    }
    return 1;
}
