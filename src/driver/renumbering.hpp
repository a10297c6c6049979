// cathill (bandwidth-reducing Cuthill-McKee node renumbering tried from several start nodes) and
// permutar (moves the nodal input data into the new node order).
#pragma once

#include <cstdint>

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Seed of the generator that draws the fallback element of the start-node search. The generator
// is std::mt19937 (its output sequence is fixed by the C++ standard, so the draw is the same on
// every platform), restarted from this seed before every draw; the uniform number in [0, 1) is
// its first output times 2^-32. With the default seed 5489 that is r = 0.8147236919030547.
inline constexpr std::uint32_t renumbering_seed = 5489u;

// Node renumbering by the Cuthill-McKee ordering (E. Cuthill and J. McKee, "Reducing the
// bandwidth of sparse symmetric matrices", 1969): neighbours are numbered level by level in
// increasing degree, not reversed.
//
// IE (NelT + 1 pointers) and JE (IE(NelT+1) - 1 node numbers) are the incidence; node_el_ptr
// (NodT + 1 pointers) and node_el (IE(NelT+1) - 1 element numbers) the node-to-element lists.
// iRenumbering candidate start nodes are tried one after the other, each trial ordering the
// numbering left by the one before, and a last trial repeats the start node whose trial gave the
// smallest bandwidth (candidate 1 when none beat the initial bandwidth).
// On return Nodos(i) is the new number of input node i, NOlds(k) the input number of new node k,
// JE holds new node numbers and the node-to-element lists are rebuilt for them.
// When no node shares an element with another node, the input numbering is kept (and said so).
// With iRenumbering < 1, NodT < 1 or NelT < 1 nothing is printed and Nodos, NOlds become the
// identity.
void cathill(F1<const integer> IE, F1<integer> JE, F1<integer> node_el_ptr, F1<integer> node_el,
             F1<integer> NOlds, F1<integer> Nodos, integer NelT, integer NodT,
             integer iRenumbering);

// Moves the data of input node i to position Nodos(i): X (NDim per node), every substep
// section of idoftype and dirich (NDof per node, NSubSteps sections) and every level of sol0
// (NDof per node, NTimeLevels levels).
void permutar(F1<real> X, F1<integer> idoftype, F1<real> dirich, F1<real> sol0,
              F1<const integer> Nodos, integer NodT, integer NDof, integer NDim,
              integer NTimeLevels, integer NSubSteps);

// Bandwidth of the node graph of a mesh: the largest |j - i| over nodes i, j sharing an element
// (0 without such pairs). Reads only; needs no node-to-element lists.
integer mesh_bandwidth(F1<const integer> IE, F1<const integer> JE, integer NelT);

}  // namespace vetrix
