// Mesh.txt: nodes, element groups, incidences, element types and materials, prescribed values.
#pragma once

#include <string_view>

#include "input/run_input.hpp"
#include "io/deck_file.hpp"

namespace vetrix {

// Nodes per element of a shape name (trailing blanks ignored, letter case significant); 0 for a
// name that is not in the shape table (generic names included).
integer shape_node_count(std::string_view name);
// True when the first seven characters are "Generic", "generic" or "GENERIC".
bool is_generic_shape(std::string_view name);

// Reads the mesh sections (everything but the prescribed values) into in: NDof, NDim, NodT, X,
// NelT, IE, JE, iElementType, iElementMat, MaxNodEl.
void read_mesh(DeckFile& mesh, RunInput& in);

// Reads "*DIRICHLET CONDITIONS": idoftype and dirich of every substep (NSubSteps known).
void read_dirichlet(DeckFile& mesh, RunInput& in);

}  // namespace vetrix
