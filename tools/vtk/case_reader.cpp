// read_case, read_dataout_record, read_restart: mesh, output control, dof names and results of a
// case, read with the solver's deck reader so that both programs take the same values.
#include "tools/vtk/case_reader.hpp"

#include <algorithm>
#include <limits>
#include <string_view>
#include <utility>

#include "common/screen.hpp"
#include "common/stops.hpp"
#include "input/initial_conditions.hpp"
#include "input/mesh_file.hpp"
#include "tools/common/message_text.hpp"

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

using Count = unsigned long long;

// a * b, or the largest count when the product does not fit (counts are never negative here)
Count times(Count a, Count b) {
    return a != 0 && b > std::numeric_limits<Count>::max() / a ? std::numeric_limits<Count>::max()
                                                               : a * b;
}

// a + b, or the largest count when the sum does not fit
Count plus(Count a, Count b) {
    return b > std::numeric_limits<Count>::max() - a ? std::numeric_limits<Count>::max() : a + b;
}

// How many values a free-format read could still take from the lines after the file's current
// position, counted up to `enough` (the scan stops there, so a sound file is passed over only as
// far as the read will go). An upper bound: every run of characters between blanks and commas
// counts as one value, every comma as one more (it may close an empty value), "r*..." as r
// values; a slash, which ends a read and leaves the values not given as they were, counts as any
// number. The file is left at the line where it stood.
Count values_left(DeckFile& f, Count enough) {
    const std::size_t at = f.line_number();
    Count n = 0;
    std::string_view line;
    const auto separator = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == ',' || c == '/';
    };
    while (n < enough && f.read_line(line)) {
        for (std::size_t i = 0; i < line.size() && n < enough;) {
            const char c = line[i];
            if (c == '/') {
                n = enough;
            } else if (c == ',') {
                ++n, ++i;
            } else if (separator(c)) {
                ++i;
            } else {
                const std::size_t b = i;
                while (i < line.size() && !separator(line[i])) ++i;
                std::size_t d = b;
                Count repeat = 0;
                while (d < i && line[d] >= '0' && line[d] <= '9')
                    repeat = std::min(plus(times(repeat, 10), Count(line[d++] - '0')), enough);
                const Count values = d > b && d < i && line[d] == '*' ? repeat : 1;
                n = values > enough - n ? enough : n + values;
            }
        }
    }
    f.rewind();
    for (std::size_t k = 0; k < at; ++k) f.read_line(line);
    return std::min(n, enough);
}

// A declared count is checked against what the rest of the file can hold before anything is
// sized from it: a damaged or hostile count (2e9 nodes in a small file) would otherwise take
// gigabytes and seconds before the read fails. Counts of fewer than a million values size
// harmless storage and are left to the read itself, whose messages tell where a short file ends.
void check_room(DeckFile& f, Count need, const std::string& what) {
    if (need < (Count{1} << 20)) return;
    const Count have = values_left(f, need);
    if (have < need)
        fail_at(f, what + " need " + std::to_string(need) +
                       " values, the rest of the file holds at most " + std::to_string(have));
}

// The counts of Mesh.txt against the file, before the solver's reader sizes its arrays: nodes
// (their coordinates, at least one value each), groups (three values each), elements (at least
// one value each after the group table) and the incidences of the groups of known shapes. A count
// that cannot be read is left to the solver's reader, which names the fault.
void check_mesh_counts(DeckFile& mesh) {
    const auto count_after = [&mesh](std::string_view key, integer& v) {
        mesh.rewind();
        return ifindstringinfile(key, mesh) == 0 && mesh.try_read({v}) == ReadStatus::Ok && v > 0;
    };
    integer NDim = 0, NodT = 0, NGroups = 0;
    if (!count_after("*DIMEN", NDim)) NDim = 1;
    if (count_after("*COORDINATES", NodT))
        check_room(mesh, times(Count(NodT), Count(NDim)),
                   std::to_string(NodT) + " nodes of " + std::to_string(NDim) + " coordinates");
    if (!count_after("*ELEMENT GROUPS", NGroups)) return;
    check_room(mesh, times(Count(NGroups), 3), std::to_string(NGroups) + " element groups");
    Count elements = 0, incidences = 0;
    for (integer g = 1; g <= NGroups; ++g) {
        integer id = 0, count = 0;
        std::string name;
        if (mesh.try_read({id, count, ReadTarget::name(name, 30)}) != ReadStatus::Ok || count < 0)
            return;
        elements += Count(count);
        incidences = plus(incidences, times(Count(count), Count(shape_node_count(name))));
    }
    check_room(mesh, elements, std::to_string(elements) + " elements");
    mesh.rewind();
    if (ifindstringinfile("*INCIDENCE", mesh) == 0)
        check_room(mesh, incidences,
                   "the elements of known shapes (" + std::to_string(incidences) + " nodes)");
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
            check_room(f, Count(in.NNodesOut), std::to_string(in.NNodesOut) + " output nodes");
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
    check_room(f, times(Count(in.NDof), 3),
               "norms, tolerances and names of " + std::to_string(in.NDof) + " dofs");
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
    check_mesh_counts(mesh);
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
        fail_at(data, "\"" + tools::printable(trim(line), 60) +
                          "\" stands where a \"*Time\" line should start the next record (a "
                          "record holds " +
                          std::to_string(c.output_points()) + " lines of " +
                          std::to_string(c.in.NDof) + " values)");
    data.read({s.istep, s.T, s.DT});
    s.levels = 1;
    s.points = c.output_points();
    const Count need = times(Count(s.points), Count(c.in.NDof));
    if (s.values.size() != need)  // the first record: later ones reuse the storage
        check_room(data, need,
                   std::to_string(s.points) + " points of " + std::to_string(c.in.NDof) + " dofs");
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
    // the values follow "*Ini", or stand at the top of the file without it
    ini.rewind();
    if (ifindstringinfile("*Ini", ini) != 0) ini.rewind();
    check_room(ini, times(times(Count(in.NTimeLevels), Count(in.NodT)), Count(in.NDof)),
               std::to_string(in.NTimeLevels) + " levels of " + std::to_string(in.NodT) +
                   " nodes of " + std::to_string(in.NDof) + " dofs");
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
