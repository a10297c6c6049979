// vtk_cell_type, mesh_grid, point_cloud, write_vtu, write_pvd: VTK XML unstructured grids (ASCII)
// and ParaView collections of them.
#include "tools/vtk/vtu_writer.hpp"

#include <algorithm>
#include <array>
#include <charconv>

#include "common/stops.hpp"
#include "input/mesh_file.hpp"

namespace vetrix::vtk {

namespace {

// Shape names and their cells. The local node orders agree with VTK's:
//   Seg3    ends, then the middle node;
//   Tri6    vertices, then the mid-side nodes of edges 1-2, 2-3, 3-1;
//   Tetra10 vertices, then the mid-edge nodes of edges 1-2, 2-3, 1-3, 1-4, 2-4, 3-4 (VTK lists
//           the third edge as 3-1: the same node);
//   Quad4/Quad8 corners around the face, then the mid-side nodes of edges 1-2, 2-3, 3-4, 4-1;
//   Cub8/Cub20  the corners of the bottom face, those of the top face above them, then the
//           mid-edge nodes of the bottom ring, the top ring and the four upright edges.
struct ShapeCell {
    std::string_view shape;
    std::uint8_t cell;
};
constexpr std::array<ShapeCell, 11> kShapeCells{{{"Point", kVertex},
                                                 {"Seg2", kLine},
                                                 {"Seg3", kQuadraticEdge},
                                                 {"Tri3", kTriangle},
                                                 {"Tri6", kQuadraticTriangle},
                                                 {"Tetra4", kTetra},
                                                 {"Tetra10", kQuadraticTetra},
                                                 {"Quad4", kQuad},
                                                 {"Quad8", kQuadraticQuad},
                                                 {"Cub8", kHexahedron},
                                                 {"Cub20", kQuadraticHexahedron}}};

// Appends values separated by blanks, at most per_line to a line, each line indented.
class ArrayText {
  public:
    explicit ArrayText(std::string& out, int per_line = 6) : out_(out), per_line_(per_line) {}
    template <class T>
    void add(T v) {
        out_ += (n_ % per_line_ == 0) ? "\n          " : " ";
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        out_.append(buf, r.ptr);
        ++n_;
    }
    void finish() {
        if (n_ > 0) out_ += "\n        ";
    }

  private:
    std::string& out_;
    int per_line_;
    long long n_ = 0;
};

void open_array(std::string& out, std::string_view type, std::string_view name,
                int components = 1) {
    out += "        <DataArray type=\"";
    out += type;
    out += '"';
    if (!name.empty()) {
        out += " Name=\"";
        out += xml_escape(name);
        out += '"';
    }
    if (components != 1) out += " NumberOfComponents=\"" + std::to_string(components) + '"';
    out += " format=\"ascii\">";
}

template <class T>
void int_array(std::string& out, std::string_view type, std::string_view name,
               const std::vector<T>& v) {
    open_array(out, type, name);
    ArrayText a(out, 12);
    for (T x : v) a.add(static_cast<long long>(x));
    a.finish();
    out += "</DataArray>\n";
}

}  // namespace

std::string xml_escape(std::string_view text) {
    std::string s;
    for (char ch : text) switch (ch) {
            case '&':
                s += "&amp;";
                break;
            case '<':
                s += "&lt;";
                break;
            case '>':
                s += "&gt;";
                break;
            case '"':
                s += "&quot;";
                break;
            case '\'':
                s += "&apos;";
                break;
            default:
                s += ch;
        }
    return s;
}

std::uint8_t vtk_cell_type(std::string_view shape, integer nodes) {
    if (is_generic_shape(shape)) {
        if (nodes == 0) return kEmptyCell;
        if (nodes == 1) return kVertex;
        return nodes == 2 ? kLine : kPolyVertex;
    }
    while (!shape.empty() && shape.back() == ' ') shape.remove_suffix(1);
    for (const ShapeCell& s : kShapeCells)
        if (s.shape == shape) return s.cell;
    fail_runtime("no VTK cell for the element shape \"" + std::string(shape) + "\"");
}

VtkGrid mesh_grid(const CaseData& c) {
    const RunInput& in = c.in;
    VtkGrid g;
    std::vector<integer> all(static_cast<std::size_t>(in.NodT));
    for (integer n = 1; n <= in.NodT; ++n) all[n - 1] = n;
    g = point_cloud(c, all);
    g.connectivity.clear();
    g.offsets.clear();
    g.types.clear();

    F1<const integer> IE(in.IE), JE(in.JE);
    integer e = 0;  // last element placed
    for (std::size_t k = 0; k < c.groups.size(); ++k) {
        const ElementGroup& grp = c.groups[k];
        for (integer i = 1; i <= grp.count; ++i) {
            ++e;
            for (integer p = IE(e); p < IE(e + 1); ++p) g.connectivity.push_back(JE(p) - 1);
            g.offsets.push_back(static_cast<std::int64_t>(g.connectivity.size()));
            g.types.push_back(vtk_cell_type(grp.shape, IE(e + 1) - IE(e)));
            g.element_group.push_back(static_cast<integer>(k + 1));
        }
    }
    if (e != in.NelT)
        fail_runtime("Mesh.txt: the element groups hold " + std::to_string(e) +
                     " elements, the incidences " + std::to_string(in.NelT));
    g.element_type = in.iElementType;
    g.element_mat = in.iElementMat;
    return g;
}

VtkGrid point_cloud(const CaseData& c, const std::vector<integer>& nodes) {
    const RunInput& in = c.in;
    F1<const real> X(in.X);
    VtkGrid g;
    g.node = nodes;
    g.xyz.assign(3 * nodes.size(), 0.0);
    const integer dims = std::min<integer>(in.NDim, 3);
    for (std::size_t p = 0; p < nodes.size(); ++p) {
        for (integer k = 1; k <= dims; ++k) g.xyz[3 * p + k - 1] = X((nodes[p] - 1) * in.NDim + k);
        g.connectivity.push_back(static_cast<std::int64_t>(p));
        g.offsets.push_back(static_cast<std::int64_t>(p + 1));
        g.types.push_back(kVertex);
    }
    return g;
}

std::string vtu_text(const VtkGrid& grid, const std::vector<std::string>& dof_names,
                     const Snapshot& s) {
    const std::size_t NDof = dof_names.size();
    const std::size_t np = static_cast<std::size_t>(grid.points());
    if (static_cast<std::size_t>(s.points) != np ||
        s.values.size() != static_cast<std::size_t>(s.levels) * np * NDof)
        fail_runtime("results of " + std::to_string(s.points) + " points do not fit a grid of " +
                     std::to_string(np) + " points");
    std::string out;
    out += "<?xml version=\"1.0\"?>\n";
    out += "<VTKFile type=\"UnstructuredGrid\" version=\"0.1\" byte_order=\"LittleEndian\">\n";
    out += "  <UnstructuredGrid>\n";
    out += "    <FieldData>\n";
    out +=
        "      <DataArray type=\"Float64\" Name=\"TimeValue\" NumberOfTuples=\"1\" "
        "format=\"ascii\">";
    {
        ArrayText a(out);
        a.add(s.T);
    }
    out += "</DataArray>\n";
    if (s.istep >= 0)
        out +=
            "      <DataArray type=\"Int32\" Name=\"Step\" NumberOfTuples=\"1\" "
            "format=\"ascii\">" +
            std::to_string(s.istep) + "</DataArray>\n";
    out += "    </FieldData>\n";
    out += "    <Piece NumberOfPoints=\"" + std::to_string(np) + "\" NumberOfCells=\"" +
           std::to_string(grid.cells()) + "\">\n";

    // nodal values, one array per dof and level
    out += "      <PointData";
    if (NDof > 0) out += " Scalars=\"" + xml_escape(dof_names[0]) + "\"";
    out += ">\n";
    for (integer L = 1; L <= s.levels; ++L)
        for (std::size_t d = 0; d < NDof; ++d) {
            const std::string name =
                L == 1 ? dof_names[d] : dof_names[d] + "_level" + std::to_string(L);
            open_array(out, "Float64", name);
            ArrayText a(out);
            const std::size_t level = static_cast<std::size_t>(L - 1) * np * NDof;
            for (std::size_t p = 0; p < np; ++p) a.add(s.values[level + p * NDof + d]);
            a.finish();
            out += "</DataArray>\n";
        }
    int_array(out, "Int32", "Node", grid.node);
    out += "      </PointData>\n";

    if (!grid.element_type.empty()) {
        out += "      <CellData>\n";
        int_array(out, "Int32", "ElementType", grid.element_type);
        int_array(out, "Int32", "ElementMaterial", grid.element_mat);
        int_array(out, "Int32", "ElementGroup", grid.element_group);
        out += "      </CellData>\n";
    }

    out += "      <Points>\n";
    open_array(out, "Float64", "", 3);
    {
        ArrayText a(out);
        for (real x : grid.xyz) a.add(x);
        a.finish();
    }
    out += "</DataArray>\n";
    out += "      </Points>\n";

    out += "      <Cells>\n";
    int_array(out, "Int64", "connectivity", grid.connectivity);
    int_array(out, "Int64", "offsets", grid.offsets);
    int_array(out, "UInt8", "types", grid.types);
    out += "      </Cells>\n";
    out += "    </Piece>\n";
    out += "  </UnstructuredGrid>\n";
    out += "</VTKFile>\n";
    return out;
}

void write_vtu(std::ostream& os, const VtkGrid& grid, const std::vector<std::string>& dof_names,
               const Snapshot& s) {
    os << vtu_text(grid, dof_names, s);
}

std::string pvd_text(const std::vector<CollectionEntry>& entries) {
    std::string out;
    out += "<?xml version=\"1.0\"?>\n";
    out += "<VTKFile type=\"Collection\" version=\"0.1\" byte_order=\"LittleEndian\">\n";
    out += "  <Collection>\n";
    for (const CollectionEntry& e : entries) {
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, e.time);
        out += "    <DataSet timestep=\"" + std::string(buf, r.ptr) +
               "\" group=\"\" part=\"0\" file=\"" + xml_escape(e.file) + "\"/>\n";
    }
    out += "  </Collection>\n";
    out += "</VTKFile>\n";
    return out;
}

void write_pvd(std::ostream& os, const std::vector<CollectionEntry>& entries) {
    os << pvd_text(entries);
}

}  // namespace vetrix::vtk
