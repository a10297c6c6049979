// read_case, read_dataout_record, read_restart: mesh, output control, dof names and results of a
// case, read with the solver's deck reader so that both programs take the same values.
#include "tools/vtk/case_reader.hpp"

#include <string_view>
#include <utility>

#include "common/screen.hpp"
#include "common/stops.hpp"
#include "input/initial_conditions.hpp"
#include "input/mesh_file.hpp"

namespace vetrix::vtk {

namespace {

std::string where(const DeckFile& f) {
    return f.path() + ", line " + std::to_string(f.line_number()) + ": ";
}

[[noreturn]] void fail_at(const DeckFile& f, const std::string& what) {
    fail_runtime(where(f) + what);
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// Runs one of the solver's readers with its screen lines caught. The progress lines are dropped;
// an orderly stop becomes a runtime failure carrying the stop's message lines, with runs of
// blanks (the padded key lines) shown as one.
template <class Body>
void guarded(DeckFile& f, Body&& body) {
    std::string lines;
    screen().capture(&lines);
    try {
        body();
    } catch (const OrderlyStop&) {
        screen().capture(nullptr);
        std::string message;
        std::size_t p = 0;
        while (p < lines.size()) {
            std::size_t e = lines.find('\n', p);
            if (e == std::string::npos) e = lines.size();
            const std::string_view l = trim(std::string_view(lines).substr(p, e - p));
            p = e + 1;
            if (l.empty() || l.starts_with("Reading ") || l.starts_with("Allocating ")) continue;
            if (!message.empty()) message += " / ";
            for (char c : l)
                if (c != ' ' || message.empty() || message.back() != ' ') message += c;
        }
        fail_at(f, message.empty() ? std::string("input stops the solver") : message);
    } catch (...) {
        screen().capture(nullptr);
        throw;
    }
    screen().capture(nullptr);
}

void find_key(DeckFile& f, std::string_view key) {
    f.rewind();
    if (ifindstringinfile(key, f) != 0)
        fail_runtime(f.path() + ": keyword \"" + std::string(key) + "\" not found");
}

// The group table again: read_mesh keeps only node counts, the converter needs the shapes.
void read_groups(DeckFile& mesh, CaseData& c) {
    find_key(mesh, "*ELEMENT GROUPS");
    integer NGroups = 0;
    mesh.read({NGroups});
    c.groups.assign(static_cast<std::size_t>(NGroups), {});
    for (ElementGroup& g : c.groups) {
        integer id = 0;
        std::string name;
        mesh.read({id, g.count, ReadTarget::name(name, 30)});
        g.shape = std::string(trim(name));
    }
}

// Output nodes, time levels and the outer dof names, read as the solver reads them.
void read_control_values(DeckFile& f, CaseData& c) {
    RunInput& in = c.in;
    f.rewind();
    in.NNodesOut = 0;
    in.nodesout.clear();
    if (ifindstringinfile("*NodeOutputControl", f) == 0) {
        f.read({in.NNodesOut});
        if (in.NNodesOut > 0) {
            in.nodesout.assign(static_cast<std::size_t>(in.NNodesOut), 0);
            f.read({F1<integer>(in.nodesout)});
            for (integer node : in.nodesout)
                if (node < 1 || node > in.NodT)
                    fail_at(f, "output node " + std::to_string(node) + " is outside 1.." +
                                   std::to_string(in.NodT));
        }
    }
    find_key(f, "*StepContinuationControl");
    f.read({ReadTarget::logical(in.iterativeg), in.maxiterg, in.srpg, in.NTimeLevels});
    if (in.NTimeLevels < 1)
        fail_at(f, "NTimeLevels " + std::to_string(in.NTimeLevels) + " must be at least 1");
    std::vector<real> skip(static_cast<std::size_t>(in.NDof));
    f.read({std::span<real>(skip)});  // norms
    f.read({std::span<real>(skip)});  // tolerances
    std::vector<std::string> names(static_cast<std::size_t>(in.NDof));
    f.read({ReadTarget::names(names, kDofNameLength)});

    c.dof_names.clear();
    for (integer d = 1; d <= in.NDof; ++d) {
        std::string n(trim(names[d - 1]));
        if (n.empty()) n = "dof" + std::to_string(d);
        for (const std::string& earlier : c.dof_names)
            if (earlier == n) n += "_" + std::to_string(d);
        c.dof_names.push_back(std::move(n));
    }
}

}  // namespace

CaseData read_case(DeckFile& mesh, DeckFile& control) {
    CaseData c;
    guarded(mesh, [&] { read_mesh(mesh, c.in); });
    read_groups(mesh, c);
    read_control_values(control, c);
    return c;
}

CaseData read_case(const std::filesystem::path& folder) {
    DeckFile mesh((folder / "Mesh.txt").string());
    DeckFile control((folder / "Basparam.txt").string());
    return read_case(mesh, control);
}

bool read_dataout_record(DeckFile& data, const CaseData& c, Snapshot& s) {
    std::string_view line;
    do {
        if (!data.read_line(line)) return false;
    } while (trim(line).empty());
    if (!line.starts_with("*Time"))
        fail_at(data, "\"" + std::string(trim(line)) +
                          "\" stands where a \"*Time\" line should start the next record (a "
                          "record holds " +
                          std::to_string(c.output_points()) + " lines of " +
                          std::to_string(c.in.NDof) + " values)");
    data.read({s.istep, s.T, s.DT});
    s.levels = 1;
    s.points = c.output_points();
    s.values.assign(static_cast<std::size_t>(s.points) * c.in.NDof, 0.0);
    data.read({std::span<real>(s.values)});
    return true;
}

Snapshot read_restart(DeckFile& ini, const CaseData& c) {
    RunInput in;
    in.NodT = c.in.NodT;
    in.NDof = c.in.NDof;
    in.NTimeLevels = c.in.NTimeLevels;
    in.iInitialTime = 1;  // take T from the file's "*Time" section
    guarded(ini, [&] { read_initial_conditions(ini, in); });
    Snapshot s;
    s.istep = -1;
    s.T = in.Tini;
    s.levels = in.NTimeLevels;
    s.points = in.NodT;
    s.values = std::move(in.sol0);
    return s;
}

}  // namespace vetrix::vtk
