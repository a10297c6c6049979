// physical_groups, convert_mesh, write_mesh_text: mapping of Gmsh physical groups to vetrix
// element groups, node-order conversion, prescribed values, and the text of the mesh file.
#include "mesh_convert.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <span>

#include "node_order.hpp"

namespace vetrix::meshtool {

namespace {

bool all_digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int to_int(std::string_view s) {
    int v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() ? v : -1;
}

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

// The one physical group a selector names; option is the option that used it ("--group").
const GroupSummary& resolve(const std::vector<GroupSummary>& groups, const std::string& selector,
                            const std::string& option, const std::string& path) {
    const std::string who = option + " " + selector + ": ";
    std::vector<const GroupSummary*> hits;
    const std::size_t slash = selector.find('/');
    if (slash != std::string::npos && all_digits(selector.substr(0, slash)) &&
        all_digits(selector.substr(slash + 1))) {
        const PhysicalKey key{to_int(selector.substr(0, slash)),
                              to_int(selector.substr(slash + 1))};
        for (const GroupSummary& g : groups)
            if (g.key == key) hits.push_back(&g);
        if (hits.empty()) throw MeshError(who + "no physical group " + selector + " in " + path);
    } else if (all_digits(selector)) {
        const int tag = to_int(selector);
        for (const GroupSummary& g : groups)
            if (g.key.tag == tag) hits.push_back(&g);
        if (hits.empty())
            throw MeshError(who + "no physical group with tag " + selector + " in " + path);
    } else {
        for (const GroupSummary& g : groups)
            if (g.name == selector) hits.push_back(&g);
        if (hits.empty())
            throw MeshError(who + "no physical group named " + quoted(selector) + " in " + path);
    }
    if (hits.size() > 1) {
        std::string list;
        for (std::size_t i = 0; i < hits.size(); ++i)
            list += (i == 0 ? "" : i + 1 == hits.size() ? " and " : ", ") + key_text(hits[i]->key);
        throw MeshError(who + "ambiguous, " + path + " has physical groups " + list +
                        "; write DIM/TAG");
    }
    if (hits.front()->kinds.empty())
        throw MeshError(who + "physical group " + key_text(hits.front()->key) +
                        " has no elements in " + path);
    return *hits.front();
}

// Keys of the physical groups of an element: its tags, or tag 0 when it has none.
std::vector<PhysicalKey> keys_of(const GmshElement& e) {
    std::vector<PhysicalKey> keys;
    for (int p : e.physicals) keys.push_back({e.dim, p});
    if (keys.empty()) keys.push_back({e.dim, 0});
    return keys;
}

void put_real(std::string& out, double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

std::string short_real(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 3);
    return std::string(buf, r.ptr);
}

// Curved quadratic elements: the vetrix element routines take a quadratic element as
// straight-sided, so a mesh that follows a curved boundary with its mid-edge nodes is solved on
// the straight-sided shape. Counts the elements whose mid-edge nodes lie off the middles of their
// edges and describes the first.
class CurvedEdges {
  public:
    explicit CurvedEdges(const GmshMesh& mesh) : mesh_(mesh) {}

    // One element in vetrix's local order (node numbers 1-based).
    void check(const GmshElement& e, std::string_view shape, const std::vector<int>& nodes) {
        const std::span<const MidEdge> mids = mid_edge_nodes(shape);
        if (mids.empty()) return;
        ++quadratic_;
        for (const MidEdge& m : mids) {
            const double* a = at(nodes[static_cast<std::size_t>(m.a)]);
            const double* b = at(nodes[static_cast<std::size_t>(m.b)]);
            const double* c = at(nodes[static_cast<std::size_t>(m.mid)]);
            double off = 0.0, length = 0.0;
            for (int k = 0; k < 3; ++k) {
                off += std::pow(c[k] - 0.5 * (a[k] + b[k]), 2);
                length += std::pow(b[k] - a[k], 2);
            }
            off = std::sqrt(off);
            length = std::sqrt(length);
            if (off <= 1e-6 * length) continue;
            if (curved_++ == 0)
                first_ = "line " + std::to_string(e.line) + ": node " +
                         std::to_string(nodes[static_cast<std::size_t>(m.mid)]) + " lies " +
                         short_real(off) + " off the middle of edge " +
                         std::to_string(nodes[static_cast<std::size_t>(m.a)]) + "-" +
                         std::to_string(nodes[static_cast<std::size_t>(m.b)]) + ", of length " +
                         short_real(length);
            return;
        }
    }

    // The warning line, empty when every edge is straight.
    std::string warning() const {
        if (curved_ == 0) return {};
        return mesh_.path + ": " + std::to_string(curved_) + " of " + std::to_string(quadratic_) +
               " quadratic elements have curved edges (first at " + first_ +
               "); element code 2 uses them as straight-sided";
    }

  private:
    const double* at(int node) const { return &mesh_.xyz[3 * static_cast<std::size_t>(node - 1)]; }

    const GmshMesh& mesh_;
    long long quadratic_ = 0, curved_ = 0;
    std::string first_;
};

}  // namespace

std::string key_text(PhysicalKey key) {
    return std::to_string(key.dim) + "/" + std::to_string(key.tag);
}

std::vector<GroupSummary> physical_groups(const GmshMesh& mesh) {
    std::vector<GroupSummary> groups;
    auto find = [&groups](PhysicalKey key) -> GroupSummary* {
        for (GroupSummary& g : groups)
            if (g.key == key) return &g;
        return nullptr;
    };
    for (const PhysicalName& n : mesh.names)
        if (!find(n.key)) groups.push_back({n.key, n.name, {}});
    for (const GmshElement& e : mesh.elements) {
        for (const PhysicalKey& key : keys_of(e)) {
            GroupSummary* g = find(key);
            if (!g) {
                groups.push_back({key, "", {}});
                g = &groups.back();
            }
            auto k = std::find_if(g->kinds.begin(), g->kinds.end(),
                                  [&e](const std::pair<int, int>& p) { return p.first == e.kind; });
            if (k == g->kinds.end())
                g->kinds.emplace_back(e.kind, 1);
            else
                ++k->second;
        }
    }
    return groups;
}

VetrixMesh convert_mesh(const GmshMesh& mesh, const ConvertOptions& options,
                        std::vector<std::string>& notes) {
    const std::vector<GroupSummary> groups = physical_groups(mesh);
    VetrixMesh out;
    out.source = mesh.path;
    out.version = mesh.version;
    out.NDof = options.NDof;
    out.NSubSteps = options.NSubSteps;
    out.NodT = mesh.node_count();

    // 1 - the mapping: physical group -> (type, mat); "*" takes every group not named otherwise
    std::vector<std::pair<PhysicalKey, const GroupMapping*>> mapped;
    const GroupMapping* star = nullptr;
    for (const GroupMapping& m : options.groups) {
        if (m.selector == "*") {
            if (star) throw MeshError("--group *: given twice");
            star = &m;
            continue;
        }
        const PhysicalKey key = resolve(groups, m.selector, "--group", mesh.path).key;
        for (const auto& [k, earlier] : mapped)
            if (k == key)
                throw MeshError("--group " + m.selector + ": physical group " + key_text(key) +
                                " is already mapped by --group " + earlier->selector);
        mapped.emplace_back(key, &m);
    }
    auto mapping_of = [&](PhysicalKey key) -> const GroupMapping* {
        for (const auto& [k, m] : mapped)
            if (k == key) return m;
        return star;
    };
    std::vector<PhysicalKey> dirichlet_keys;
    for (const DirichletRule& r : options.dirichlet) {
        dirichlet_keys.push_back(resolve(groups, r.selector, "--dirichlet", mesh.path).key);
        if (r.dof < 1 || r.dof > options.NDof)
            throw MeshError("--dirichlet " + r.selector + ": dof " + std::to_string(r.dof) +
                            " is outside 1 ... " + std::to_string(options.NDof) + " (--dofs)");
        if (r.substep < 0 || r.substep > options.NSubSteps)
            throw MeshError("--dirichlet " + r.selector + ": substep " + std::to_string(r.substep) +
                            " is outside 1 ... " + std::to_string(options.NSubSteps) +
                            " (--substeps)");
    }

    // 2 - coordinates: NDim from the mesh unless given; dropped coordinates must be 0
    out.NDim = options.NDim;
    if (out.NDim == 0) {
        out.NDim = 2;
        for (int n = 0; n < out.NodT; ++n)
            if (mesh.xyz[3 * static_cast<std::size_t>(n) + 2] != 0.0) out.NDim = 3;
    }
    for (int n = 0; n < out.NodT; ++n) {
        for (int c = 0; c < 3; ++c) {
            const double x =
                mesh.xyz[3 * static_cast<std::size_t>(n) + static_cast<std::size_t>(c)];
            if (c < out.NDim)
                out.X.push_back(x);
            else if (x != 0.0) {
                char buf[32];
                const auto r = std::to_chars(buf, buf + sizeof buf, x);
                throw MeshError("--dim " + std::to_string(out.NDim) + ": node " +
                                std::to_string(n + 1) + " has coordinate " + std::to_string(c + 1) +
                                " = " + std::string(buf, r.ptr) + ", which would be lost");
            }
        }
    }

    // 3 - element groups: one per (physical group, shape), in order of first appearance
    std::vector<PhysicalKey> left_out;
    CurvedEdges curved(mesh);
    std::vector<int> element_nodes;
    for (const GmshElement& e : mesh.elements) {
        bool checked = false;  // an element written in several groups counts once
        for (const PhysicalKey& key : keys_of(e)) {
            const GroupMapping* m = mapping_of(key);
            if (!m) {
                if (std::find(left_out.begin(), left_out.end(), key) == left_out.end())
                    left_out.push_back(key);
                continue;
            }
            const VetrixShape* shape = vetrix_shape_of(e.kind);
            if (!shape)
                throw MeshError(mesh.path + ":" + std::to_string(e.line) + ": a " +
                                std::string(gmsh_element_kind(e.kind)->name) +
                                " (Gmsh element type " + std::to_string(e.kind) +
                                ") has no vetrix shape; it belongs to physical group " +
                                key_text(key));
            auto g = std::find_if(out.groups.begin(), out.groups.end(), [&](const VetrixGroup& v) {
                return v.physical == key && v.shape == shape->shape;
            });
            if (g == out.groups.end()) {
                VetrixGroup v;
                v.shape = shape->shape;
                v.physical = key;
                for (const GroupSummary& s : groups)
                    if (s.key == key) v.physical_name = s.name;
                v.type = m->type;
                v.mat = m->mat;
                v.nodes = shape->nodes;
                out.groups.push_back(std::move(v));
                g = out.groups.end() - 1;
            }
            element_nodes.clear();
            for (int a = 0; a < shape->nodes; ++a)
                element_nodes.push_back(mesh.nodes[static_cast<std::size_t>(
                    e.first + shape->from_gmsh[static_cast<std::size_t>(a)])]);
            g->JE.insert(g->JE.end(), element_nodes.begin(), element_nodes.end());
            if (!checked) curved.check(e, shape->shape, element_nodes);
            checked = true;
        }
    }
    if (std::string w = curved.warning(); !w.empty()) out.warnings.push_back(std::move(w));
    if (out.groups.empty())
        throw MeshError(mesh.path +
                        ": no element to write; map physical groups to element types with --group");
    for (const PhysicalKey& key : left_out) {
        if (std::find(dirichlet_keys.begin(), dirichlet_keys.end(), key) != dirichlet_keys.end())
            continue;
        for (const GroupSummary& s : groups) {
            if (!(s.key == key)) continue;
            int count = 0;
            for (const auto& kc : s.kinds) count += kc.second;
            notes.push_back("physical group " + key_text(key) +
                            (s.name.empty() ? "" : " " + quoted(s.name)) + " (" +
                            std::to_string(count) + (count == 1 ? " element" : " elements") +
                            ") has no --group mapping; its elements are left out");
        }
    }

    // 4 - kinds of the nodal dofs: 1 on nodes of written elements, 0 elsewhere, then -1 with
    // the value on the nodes of each rule's group, later rules over earlier ones
    const std::size_t NTotDof =
        static_cast<std::size_t>(out.NodT) * static_cast<std::size_t>(out.NDof);
    out.idoftype.assign(NTotDof * static_cast<std::size_t>(out.NSubSteps), 0);
    out.dirich.assign(out.idoftype.size(), 0.0);
    auto at = [&](int substep, int node, int dof) {
        return static_cast<std::size_t>(substep - 1) * NTotDof +
               static_cast<std::size_t>(node - 1) * static_cast<std::size_t>(out.NDof) +
               static_cast<std::size_t>(dof - 1);
    };
    for (const VetrixGroup& g : out.groups)
        for (int node : g.JE)
            for (int s = 1; s <= out.NSubSteps; ++s)
                for (int d = 1; d <= out.NDof; ++d) out.idoftype[at(s, node, d)] = 1;
    for (std::size_t r = 0; r < options.dirichlet.size(); ++r) {
        const DirichletRule& rule = options.dirichlet[r];
        const int s0 = rule.substep == 0 ? 1 : rule.substep;
        const int s1 = rule.substep == 0 ? out.NSubSteps : rule.substep;
        for (const GmshElement& e : mesh.elements) {
            const std::vector<PhysicalKey> keys = keys_of(e);
            if (std::find(keys.begin(), keys.end(), dirichlet_keys[r]) == keys.end()) continue;
            for (int i = 0; i < e.count; ++i) {
                const int node = mesh.nodes[static_cast<std::size_t>(e.first + i)];
                for (int s = s0; s <= s1; ++s) {
                    out.idoftype[at(s, node, rule.dof)] = -1;
                    out.dirich[at(s, node, rule.dof)] = rule.value;
                }
            }
        }
    }
    return out;
}

std::string write_mesh_text(const VetrixMesh& m) {
    std::string t;
    t += "Converted by vetrix-mesh from " + m.source + " (Gmsh " + m.version + ")\n";
    t += "*NODAL DOFs\n" + std::to_string(m.NDof) + "\n";
    t += "*DIMEN\n" + std::to_string(m.NDim) + "\n";
    t += "*COORDINATES\n" + std::to_string(m.NodT) + "\n";
    for (int n = 0; n < m.NodT; ++n) {
        for (int c = 0; c < m.NDim; ++c) {
            if (c > 0) t += ' ';
            put_real(t, m.X[static_cast<std::size_t>(n * m.NDim + c)]);
        }
        t += '\n';
    }
    t += "*ELEMENT GROUPS\n" + std::to_string(m.groups.size()) + "\n";
    for (std::size_t g = 0; g < m.groups.size(); ++g) {
        const VetrixGroup& v = m.groups[g];
        t += std::to_string(g + 1) + " " + std::to_string(v.count()) + " " + v.shape +
             "   ! physical group " + key_text(v.physical);
        if (!v.physical_name.empty()) t += " " + quoted(v.physical_name);
        if (v.physical.tag == 0) t += " (elements of no physical group)";
        t += '\n';
    }
    t += "*INCIDENCE\n";
    for (const VetrixGroup& v : m.groups) {
        for (std::size_t i = 0; i < v.JE.size(); ++i) {
            t += std::to_string(v.JE[i]);
            t += (i + 1) % static_cast<std::size_t>(v.nodes) == 0 ? '\n' : ' ';
        }
    }
    t += "*ELEMENT TYPE\n";
    for (const VetrixGroup& v : m.groups) t += std::to_string(v.type) + "\n";
    t += "*ELEMENT MAT\n";
    for (const VetrixGroup& v : m.groups) t += std::to_string(v.mat) + "\n";
    t += "*DIRICHLET CONDITIONS   ! kinds (-1 prescribed, 1 free, 0 on no element), then values;"
         " node by node, substep after substep\n";
    const std::size_t per_node = static_cast<std::size_t>(m.NDof);
    for (std::size_t i = 0; i < m.idoftype.size(); ++i) {
        t += std::to_string(m.idoftype[i]);
        t += (i + 1) % per_node == 0 ? '\n' : ' ';
    }
    for (std::size_t i = 0; i < m.dirich.size(); ++i) {
        put_real(t, m.dirich[i]);
        t += (i + 1) % per_node == 0 ? '\n' : ' ';
    }
    return t;
}

}  // namespace vetrix::meshtool
