// assembdoftype1, preensimgen, ensimgen: active dofs, equation numbers, ownership flags and the
// strictly upper sparse pattern of one substep's system.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// The mesh and library data every pass of one substep reads.
//   IE/JE       incidence (NelT + 1 pointers, node lists)
//   nelem_ptr   node-to-element pointers (NodT + 1), nelem the element lists, ascending
//   ielementlib the substep's NTypes x 5 table (column 4: slot, 0 = type not assembled)
//   icoupling   the coupling store, slot k's (l, m) at (k-1)*NDofEl^2 + (m-1)*NDofEl + l
struct StructureInput {
    F1<const integer> IE, JE, nelem_ptr, nelem, iElementType, ielementlib, icoupling;
    integer NodT, NelT, NDof, NDofEl, NTypes;
};

// Marks the active dofs of one substep in its idoftype section (NodT*NDof entries): positive
// entries become 0; every dof of an assembled element becomes -d when prescribed, +d when the
// element's coupling diagonal is non-zero. Returns the number of equations (non-zero entries).
integer assembdoftype1(F1<const integer> IE, F1<const integer> JE, F1<integer> idoftype,
                       F1<const integer> iElementType, F1<const integer> ielementlib,
                       F1<const integer> icoupling, integer NodT, integer NelT, integer NDof,
                       integer NDofEl, integer NTypes);

// Numbers the equations node by node (iDofEq, iEQNode, iEqDof), sets the ownership flags IAdd
// and the row pointers IA of the strictly upper pattern; returns NnzU. IP is work (iRowT + 1).
integer preensimgen(const StructureInput& in, F1<integer> IA, F1<integer> IP,
                    F1<const integer> idoftype, F1<integer> IAdd, F1<integer> iEQNode,
                    F1<integer> iEqDof, F1<integer> iDofEq);

// Fills JA (columns in discovery order) with the numbering already made, recomputes IA and
// returns NnzU; LSkyLine receives the profile length: the sum over columns j of j - r(j), r(j)
// the first row holding column j.
integer ensimgen(const StructureInput& in, F1<integer> IA, F1<integer> JA, F1<integer> IP,
                 F1<const integer> idoftype, F1<const integer> iDofEq, integer iRowT,
                 bigint& LSkyLine);

}  // namespace vetrix
