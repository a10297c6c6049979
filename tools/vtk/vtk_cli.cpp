// run_vtk_tool: the command line of vetrix-vtk; reads a case folder and writes the .vtu files and
// their .pvd collection.
#include "tools/vtk/vtk_cli.hpp"

#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/stops.hpp"
#include "tools/common/message_text.hpp"
#include "tools/vtk/case_reader.hpp"
#include "tools/vtk/staged_files.hpp"
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
      --parents        make the folders of PREFIX that are missing; without it only the
                       last one is made, and only when the folder above it exists
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

The files are written under temporary names and put in place when all are complete, so a
failed export leaves the files of the earlier one as they were. Frames of an earlier export
with the same PREFIX that the new collection does not list (PREFIX_0007.vtu after an export
of five frames) are removed.

Exit status: 0 done, 1 wrong command line, 2 unreadable input or unwritable output; messages
name the file and the line.
)";

struct Options {
    fs::path folder = ".";
    std::string prefix;
    bool restart = false;
    bool step_time = false;
    bool parents = false;
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
        } else if (a == "--parents") {
            o.parents = true;
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

// The folder of the output prefix. A missing one is made only where the folder above it exists,
// unless --parents asks for the whole chain: a mistyped path gives a message, not a new tree.
void make_output_folder(const fs::path& folder, bool parents) {
    std::error_code ec;
    if (folder.empty() || fs::is_directory(folder, ec)) return;
    const fs::path above = folder.parent_path();
    if (!parents && !above.empty() && !fs::is_directory(above, ec))
        fail_runtime("cannot create the folder " + folder.string() + ": " + above.string() +
                     " does not exist (--parents makes it)");
    if (parents)
        fs::create_directories(folder, ec);
    else
        fs::create_directory(folder, ec);
    if (ec) fail_runtime("cannot create the folder " + folder.string() + ": " + ec.message());
}

// Frames of an earlier export with the same prefix that the new collection of `count` frames
// does not list: files named as numbered() names frame `count` or a later one. They are removed,
// so that the folder does not hold a mix of two exports; nothing else is touched. A frame that
// cannot be removed is reported on err. Returns the number removed.
std::size_t remove_stale_frames(const std::string& prefix, std::size_t count, std::ostream& err) {
    const fs::path p(prefix);
    const fs::path folder = p.parent_path().empty() ? fs::path(".") : p.parent_path();
    const std::string stem = p.filename().string();
    std::vector<fs::path> stale;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() < stem.size() + 9 || !name.starts_with(stem + "_") ||
            !name.ends_with(".vtu"))
            continue;
        const std::string_view digits =
            std::string_view(name).substr(stem.size() + 1, name.size() - stem.size() - 5);
        std::size_t k = 0;
        const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), k);
        std::error_code type_ec;
        if (r.ec == std::errc() && r.ptr == digits.data() + digits.size() && k >= count &&
            numbered(stem, k) == name &&
            it->symlink_status(type_ec).type() == fs::file_type::regular)
            stale.push_back(it->path());
    }
    std::size_t removed = 0;
    for (const fs::path& f : stale) {
        if (fs::remove(f, ec))
            ++removed;
        else
            err << "vetrix-vtk: warning: cannot remove the stale frame " << f.string() << ": "
                << ec.message() << '\n';
    }
    return removed;
}

// Converts and returns the summary line.
std::string convert(const Options& o, std::ostream& err) {
    const CaseData c = read_case(o.folder);
    make_output_folder(fs::path(o.prefix).parent_path(), o.parents);
    std::vector<CollectionEntry> entries;
    VtkGrid grid;
    StagedFiles files;

    auto put = [&](const Snapshot& s) {
        const std::string path = numbered(o.prefix, entries.size());
        files.add(path, vtu_text(grid, c.dof_names, s));
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
    files.add(pvd, pvd_text(entries));
    files.commit();  // the frames first, the collection that lists them last
    const std::size_t removed = remove_stale_frames(o.prefix, entries.size(), err);
    return "vetrix-vtk: " + std::to_string(entries.size()) + " output(s) of " +
           std::to_string(grid.points()) + " points and " + std::to_string(grid.cells()) +
           " cells, collection " + pvd +
           (removed > 0 ? ", " + std::to_string(removed) + " frame(s) of an earlier export removed"
                        : "");
}

}  // namespace

int run_vtk_tool(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    Options o;
    if (const std::string e = parse(argc, argv, o); !e.empty()) {
        err << "vetrix-vtk: " << tools::printable(e, 1000)
            << "\n(vetrix-vtk --help shows the usage)\n";
        return 1;
    }
    if (o.help) {
        out << kHelp;
        return 0;
    }
    // every failure ends in one line on err; text from the input is shown printable only
    try {
        out << convert(o, err) << '\n';
        return 0;
    } catch (const std::bad_alloc&) {
        err << "vetrix-vtk: out of memory\n";
    } catch (const OrderlyStop&) {
        err << "vetrix-vtk: the input stops the solver's reader\n";
    } catch (const std::exception& e) {
        err << "vetrix-vtk: " << tools::printable(e.what(), 1000) << '\n';
    }
    return 2;
}

}  // namespace vetrix::vtk
