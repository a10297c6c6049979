// vtk_cell_type, mesh_grid, point_cloud, write_vtu, write_pvd: VTK XML unstructured grids (ASCII)
// and ParaView collections of them.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/vtk/case_reader.hpp"

namespace vetrix::vtk {

// VTK cell type numbers used here.
enum VtkCell : std::uint8_t {
    kEmptyCell = 0,
    kVertex = 1,
    kPolyVertex = 2,
    kLine = 3,
    kTriangle = 5,
    kTetra = 10,
    kQuad = 9,
    kHexahedron = 12,
    kQuadraticEdge = 21,
    kQuadraticTriangle = 22,
    kQuadraticQuad = 23,
    kQuadraticTetra = 24,
    kQuadraticHexahedron = 25,
};

// The VTK cell of a mesh shape; nodes is the element's node count (it decides for generic
// elements: none an empty cell, one a vertex, two a line, more a poly-vertex, since a generic
// element states no topology). The element's node order is kept as it is: it matches the VTK
// order of every cell used.
std::uint8_t vtk_cell_type(std::string_view shape, integer nodes);

// Points and cells of one output. Coordinates are padded with zeros to three.
struct VtkGrid {
    std::vector<real> xyz;                   // 3 per point
    std::vector<integer> node;               // input node number of every point
    std::vector<std::int64_t> connectivity;  // 0-based point indices, cell after cell
    std::vector<std::int64_t> offsets;       // end of every cell in connectivity
    std::vector<std::uint8_t> types;         // VTK cell type of every cell
    // Per cell, for the element mesh only (empty for a point cloud): type, material and group.
    std::vector<integer> element_type, element_mat, element_group;
    integer points() const { return static_cast<integer>(node.size()); }
    integer cells() const { return static_cast<integer>(types.size()); }
};

// Every node and every element of the mesh.
VtkGrid mesh_grid(const CaseData& c);
// The listed nodes (1-based, in list order, repeats kept), each as a vertex cell.
VtkGrid point_cloud(const CaseData& c, const std::vector<integer>& nodes);

// One unstructured grid holding the snapshot's values as point arrays named after the dofs
// (levels after the first get "_level<L>"), plus the field values TimeValue and, for a known step
// (istep >= 0), Step. s.points must equal grid.points().
std::string vtu_text(const VtkGrid& grid, const std::vector<std::string>& dof_names,
                     const Snapshot& s);
void write_vtu(std::ostream& os, const VtkGrid& grid, const std::vector<std::string>& dof_names,
               const Snapshot& s);

// A collection of files with their times; file names are written as given (relative to the
// collection's folder).
struct CollectionEntry {
    real time = 0.0;
    std::string file;
};
std::string pvd_text(const std::vector<CollectionEntry>& entries);
void write_pvd(std::ostream& os, const std::vector<CollectionEntry>& entries);

// Text with the five XML special characters replaced by their entities.
std::string xml_escape(std::string_view text);

}  // namespace vetrix::vtk
