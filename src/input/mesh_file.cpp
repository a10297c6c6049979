// read_mesh, read_dirichlet, shape_node_count, is_generic_shape: the mesh file.
#include "input/mesh_file.hpp"

#include <algorithm>
#include <array>
#include <limits>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "common/array_helpers.hpp"
#include "common/stops.hpp"
#include "common/views.hpp"
#include "input/deck_messages.hpp"
#include "io/memory_ledger.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

namespace {

constexpr std::string_view kMesh = "Mesh.txt";
constexpr int kShapeNameLength = 30;

struct Shape {
    std::string_view name;
    integer nodes;
};
constexpr std::array<Shape, 11> kShapes{{{"Point", 1},
                                          {"Seg2", 2},
                                          {"Seg3", 3},
                                          {"Tri3", 3},
                                          {"Tri6", 6},
                                          {"Tetra4", 4},
                                          {"Quad4", 4},
                                          {"Quad8", 8},
                                          {"Cub8", 8},
                                          {"Cub20", 20},
                                          {"Tetra10", 10}}};

// Mesh keys missing: one line, the key padded to 120 characters directly followed by NOT FOUND.
void find_mesh_key(DeckFile& mesh, std::string_view key) {
    mesh.rewind();
    if (ifindstringinfile(key, mesh) != 0) {
        say({key_line(key), "NOT FOUND"});
        stop_run();
    }
}

// Sizes one of the arrays whose failed creation is reported as "ALLOCATION ERROR".
template <class T>
void create_reported(std::vector<T>& v, long long count) {
    if (count < 0 || count > std::numeric_limits<integer>::max()) error_alloc();
    try {
        v.assign(static_cast<std::size_t>(count), T{});
    } catch (const std::bad_alloc&) {
        error_alloc();
    }
}

void check_count(std::string_view section, std::string_view what, long long value) {
    if (value < 0)
        reject_input(kMesh, section,
                     std::string(what) + " " + std::to_string(value) + " is negative");
}

// NDof and NDim size every nodal array and the element routines' loops: at least 1.
void check_positive(std::string_view section, std::string_view what, integer value) {
    check_count(section, what, value);
    if (value < 1)
        reject_input(kMesh, section, std::string(what) + " " + std::to_string(value) +
                                         " must be at least 1");
}

std::string_view trim_right(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

}  // namespace

integer shape_node_count(std::string_view name) {
    const std::string_view n = trim_right(name);
    for (const Shape& s : kShapes)
        if (s.name == n) return s.nodes;
    return 0;
}

bool is_generic_shape(std::string_view name) {
    const std::string_view head = name.substr(0, 7);
    return head == "Generic" || head == "generic" || head == "GENERIC";
}

void read_mesh(DeckFile& mesh, RunInput& in) {
    // 1, 2 - degrees of freedom per node and coordinates per node
    find_mesh_key(mesh, "*NODAL DOFs");
    mesh.read({in.NDof});
    check_positive("*NODAL DOFs", "NDof", in.NDof);
    warn_unread(mesh, kMesh, "*NODAL DOFs");
    find_mesh_key(mesh, "*DIMEN");
    mesh.read({in.NDim});
    check_positive("*DIMEN", "NDim", in.NDim);
    warn_unread(mesh, kMesh, "*DIMEN");

    // 3 - coordinates, node 1's first
    find_mesh_key(mesh, "*COORDINATES");
    mesh.read({in.NodT});
    check_count("*COORDINATES", "NodT", in.NodT);
    check_supply(mesh, kMesh, "*COORDINATES", "NodT " + std::to_string(in.NodT),
                 static_cast<long long>(in.NDim) * in.NodT);
    create_reported(in.X, static_cast<long long>(in.NDim) * in.NodT);
    say({"Reading X"});
    mesh.read({F1<real>(in.X)});
    warn_unread(mesh, kMesh, "*COORDINATES");

    // 4 - element groups: identifier, element count and shape name of each
    find_mesh_key(mesh, "*ELEMENT GROUPS");
    integer NGroups = 0;
    mesh.read({NGroups});
    check_count("*ELEMENT GROUPS", "NGroups", NGroups);
    check_supply(mesh, kMesh, "*ELEMENT GROUPS", "NGroups " + std::to_string(NGroups),
                 3LL * NGroups);
    std::vector<integer> IDGroup(NGroups), NelTG(NGroups), nodelg(NGroups);
    std::vector<std::string> NelName(NGroups);
    say({"Reading IDGroup, NelTG, NelName"});
    long long NelT = 0;
    for (integer g = 1; g <= NGroups; ++g) {
        mesh.read({IDGroup[g - 1], NelTG[g - 1], ReadTarget::name(NelName[g - 1], kShapeNameLength)});
        if (NelTG[g - 1] < 0)
            reject_input(kMesh, "*ELEMENT GROUPS",
                         "group " + std::to_string(g) + " has a negative element count " +
                             std::to_string(NelTG[g - 1]));
        NelT += NelTG[g - 1];
    }
    if (NelT > std::numeric_limits<integer>::max() - 1) error_alloc();
    in.NelT = static_cast<integer>(NelT);
    // Before storage per element: generic groups give one node count per element here, and
    // every element of a known shape its nodes under *INCIDENCE (anywhere in the file).
    {
        long long generic = 0, known_nodes = 0;
        for (integer g = 1; g <= NGroups; ++g) {
            if (is_generic_shape(NelName[g - 1]))
                generic += NelTG[g - 1];
            else
                known_nodes += static_cast<long long>(NelTG[g - 1]) *
                               shape_node_count(NelName[g - 1]);
        }
        const std::string what = "NelT " + std::to_string(in.NelT);
        check_supply(mesh, kMesh, "*ELEMENT GROUPS", what, generic);
        check_supply(mesh, kMesh, "*ELEMENT GROUPS", what, known_nodes, true);
    }

    // 5, 6 - node count of every element: from the shape table or, for generic groups, read
    say({"Allocating IE(NelT+1), NelT=", in.NelT});
    create_reported(in.IE, static_cast<long long>(in.NelT) + 1);
    say({"Reading IE"});
    F1<integer> IE(in.IE);
    integer k = 0;  // elements of the groups before g
    for (integer g = 1; g <= NGroups; ++g) {
        const integer count = NelTG[g - 1];
        nodelg[g - 1] = shape_node_count(NelName[g - 1]);
        if (is_generic_shape(NelName[g - 1])) {
            mesh.read({IE.section(k + 1, count)});
            for (integer e = k + 1; e <= k + count; ++e)
                if (IE(e) < 0)
                    reject_input(kMesh, "*ELEMENT GROUPS",
                                 "element " + std::to_string(e) + " has a negative node count " +
                                     std::to_string(IE(e)));
        } else if (nodelg[g - 1] == 0) {
            say({"ELEMENT TYPE NOT IMPLEMENTED"});
            stop_run();
        } else {
            for (integer e = k + 1; e <= k + count; ++e) IE(e) = nodelg[g - 1];
        }
        k += count;
    }
    warn_unread(mesh, kMesh, "*ELEMENT GROUPS");

    // 7, 8 - pointers and incidences
    long long total_nodes = 0;
    for (integer e = 1; e <= in.NelT; ++e) total_nodes += IE(e);
    if (total_nodes > std::numeric_limits<integer>::max() - 1) error_alloc();
    const integer Length_JE = iearrange(IE, in.NelT);
    check_supply(mesh, kMesh, "*INCIDENCE", "the node count " + std::to_string(Length_JE),
                 Length_JE, true);
    say({"Allocating JE(Length_JE), Length_JE=", Length_JE});
    create_reported(in.JE, Length_JE);
    find_mesh_key(mesh, "*INCIDENCE");
    say({"Reading JE"});
    mesh.read({F1<integer>(in.JE)});
    warn_unread(mesh, kMesh, "*INCIDENCE");
    F1<const integer> JE(in.JE);
    for (integer e = 1; e <= in.NelT; ++e)
        for (integer p = IE(e); p < IE(e + 1); ++p)
            if (JE(p) < 1 || JE(p) > in.NodT)
                reject_input(kMesh, "*INCIDENCE",
                             "node " + std::to_string(JE(p)) + " of element " + std::to_string(e) +
                                 " is outside 1.." + std::to_string(in.NodT));

    // 9 - type and material arrays
    say({"Allocating iElementType(NelT)"});
    create_reported(in.iElementType, in.NelT);
    say({"Allocating iElementMat (NelT)"});
    create_reported(in.iElementMat, in.NelT);

    // 11, 12 - one value per known-shape group, one per element of a generic group
    auto read_per_group = [&](std::string_view key, std::string_view message, std::vector<integer>& out) {
        find_mesh_key(mesh, key);
        say({message});
        F1<integer> v(out);
        integer first = 0;
        for (integer g = 1; g <= NGroups; ++g) {
            const integer count = NelTG[g - 1];
            if (nodelg[g - 1] != 0) {
                integer value = 0;
                mesh.read({value});
                for (integer e = first + 1; e <= first + count; ++e) v(e) = value;
            } else {
                mesh.read({v.section(first + 1, count)});
            }
            first += count;
        }
        warn_unread(mesh, kMesh, key);
    };
    read_per_group("*ELEMENT TYPE", "Reading iElemTypeG", in.iElementType);
    read_per_group("*ELEMENT MAT", "Reading iElemMatG", in.iElementMat);

    // 13 - largest element
    in.MaxNodEl = 0;
    for (integer e = 1; e <= in.NelT; ++e) in.MaxNodEl = std::max(in.MaxNodEl, IE(e + 1) - IE(e));
}

void read_dirichlet(DeckFile& mesh, RunInput& in) {
    const long long n = static_cast<long long>(in.NodT) * in.NDof * in.NSubSteps;
    constexpr std::string_view key = "*DIRICHLET CONDITIONS";
    mesh.rewind();
    if (ifindstringinfile(key, mesh) != 0) stop_key_not_found(key);
    // a kind and a value for every dof of every substep
    check_supply(mesh, kMesh, key, "the dof count " + std::to_string(n), 2 * n);
    create_reported(in.idoftype, n);
    create_reported(in.dirich, n);
    mesh.read({F1<integer>(in.idoftype)});
    mesh.read({F1<real>(in.dirich)});
    warn_unread(mesh, kMesh, key);
}

}  // namespace vetrix
