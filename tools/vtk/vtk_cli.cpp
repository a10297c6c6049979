// run_vtk_tool: the command line of vetrix-vtk; reads a case folder and writes the .vtu files and
// their .pvd collection.
#include "tools/vtk/vtk_cli.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "common/stops.hpp"
#include "tools/vtk/case_reader.hpp"
#include "tools/vtk/vtu_writer.hpp"

namespace vetrix::vtk {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHelp =
    R"(usage: vetrix-vtk [options] [case-folder]

Reads Mesh.txt and Basparam.txt of a case folder (default: the current folder) and the results
of a run in it, and writes one VTK unstructured grid (.vtu, ASCII) per output step and a
ParaView collection (.pvd) listing the grids with their times.

  -o, --output PREFIX  write PREFIX_0000.vtu, PREFIX_0001.vtu, ... and PREFIX.pvd
                       (default: <case-folder>/DataOut, or <case-folder>/IniFile with --restart)
      --restart        convert IniFile.txt (every stored time level of every node, at the
                       time of its "*Time" section) instead of DataOut.txt
      --step-time      give the collection the step numbers as times instead of T
                       (DataOut.txt shows T with four significant digits only)
  -h, --help           show this text and stop

Every degree of freedom becomes a point array named after the outer-loop names of the
"*StepContinuationControl" section (levels after the first: NAME_level2, ...), beside the
point array Node (input node numbers) and the cell arrays ElementType, ElementMaterial and
ElementGroup. Coordinates are padded with zeros to three. When "*NodeOutputControl" lists
nodes, DataOut.txt holds only those, and each step is written as a cloud of vertex cells.

Exit status: 0 done, 1 wrong command line, 2 unreadable input or unwritable output; messages
name the file and the line.
)";

struct Options {
    fs::path folder = ".";
    std::string prefix;
    bool restart = false;
    bool step_time = false;
    bool help = false;
};

// Parses the arguments; returns an error message, empty when they are sound.
std::string parse(int argc, const char* const* argv, Options& o) {
    bool folder_given = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "-h" || a == "--help") {
            o.help = true;
        } else if (a == "--restart") {
            o.restart = true;
        } else if (a == "--step-time") {
            o.step_time = true;
        } else if (a == "-o" || a == "--output") {
            if (i + 1 >= argc || std::string_view(argv[i + 1]).empty())
                return std::string(a) + " needs a prefix";
            o.prefix = argv[++i];
        } else if (a.starts_with("-") && a.size() > 1) {
            return "unknown option " + std::string(a);
        } else if (folder_given) {
            return "more than one case folder: " + o.folder.string() + " and " + std::string(a);
        } else {
            o.folder = std::string(a);
            folder_given = true;
        }
    }
    if (o.prefix.empty()) o.prefix = (o.folder / (o.restart ? "IniFile" : "DataOut")).string();
    return {};
}

std::string numbered(const std::string& prefix, std::size_t k) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "_%04zu.vtu", k);
    return prefix + buf;
}

template <class Write>
void write_file(const std::string& path, Write&& write) {
    std::ofstream os(path, std::ios::binary | std::ios::trunc);
    if (!os) fail_runtime("cannot create " + path);
    write(os);
    os.close();
    if (!os) fail_runtime("cannot write " + path);
}

// Converts and returns the summary line.
std::string convert(const Options& o) {
    const CaseData c = read_case(o.folder);
    const fs::path parent = fs::path(o.prefix).parent_path();
    if (!parent.empty()) fs::create_directories(parent);
    std::vector<CollectionEntry> entries;
    VtkGrid grid;

    auto put = [&](const Snapshot& s) {
        const std::string path = numbered(o.prefix, entries.size());
        write_file(path, [&](std::ostream& os) { write_vtu(os, grid, c.dof_names, s); });
        entries.push_back({o.step_time && s.istep >= 0 ? static_cast<real>(s.istep) : s.T,
                           fs::path(path).filename().string()});
    };
    if (o.restart) {
        DeckFile ini((o.folder / "IniFile.txt").string());
        grid = mesh_grid(c);
        put(read_restart(ini, c));
    } else {
        DeckFile data((o.folder / "DataOut.txt").string());
        grid = c.in.NNodesOut > 0 ? point_cloud(c, c.in.nodesout) : mesh_grid(c);
        Snapshot s;
        while (read_dataout_record(data, c, s)) put(s);
        if (entries.empty()) fail_runtime(data.path() + ": no \"*Time\" record");
    }
    const std::string pvd = o.prefix + ".pvd";
    write_file(pvd, [&](std::ostream& os) { write_pvd(os, entries); });
    return "vetrix-vtk: " + std::to_string(entries.size()) + " output(s) of " +
           std::to_string(grid.points()) + " points and " + std::to_string(grid.cells()) +
           " cells, collection " + pvd;
}

}  // namespace

int run_vtk_tool(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    Options o;
    if (const std::string e = parse(argc, argv, o); !e.empty()) {
        err << "vetrix-vtk: " << e << "\n(vetrix-vtk --help shows the usage)\n";
        return 1;
    }
    if (o.help) {
        out << kHelp;
        return 0;
    }
    try {
        out << convert(o) << '\n';
        return 0;
    } catch (const RuntimeFailure& e) {
        err << "vetrix-vtk: " << e.what() << '\n';
    } catch (const fs::filesystem_error& e) {
        err << "vetrix-vtk: " << e.what() << '\n';
    } catch (const std::bad_alloc&) {
        err << "vetrix-vtk: out of memory\n";
    } catch (const OrderlyStop&) {
        err << "vetrix-vtk: the input stops the solver's reader\n";
    }
    return 2;
}

}  // namespace vetrix::vtk
