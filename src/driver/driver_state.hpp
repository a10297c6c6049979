// DriverState: the driver's work storage and per-substep tables, sized once at set-up.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "assembly/element_dispatch.hpp"
#include "common/types.hpp"
#include "linalg/sparse_direct.hpp"

namespace vetrix {

struct DriverState {
    // -- per substep s (index s - 1) --
    std::vector<integer> iRowT;     // equations
    std::vector<integer> NnzU;      // strictly upper entries
    std::vector<bigint> LSkyLine;   // profile length of the pattern
    std::vector<integer> LJU;       // length of the substep's JU section
    // 1-based starts of the substep's sections:
    std::vector<integer> eq_start;  // iEQNode, iEqDof, IAdd (iRowT entries)
    std::vector<integer> ia_start;  // IA (iRowT + 1 entries)
    std::vector<integer> ja_start;  // JA (NnzU entries)
    std::vector<integer> iu_start;  // IU (n + 1 entries, none for solver type 1)
    std::vector<integer> ju_start;  // JU (LJU entries)
    std::vector<integer> ud_first, ud_second;  // UD region: D (or first work part), second part
    std::vector<integer> un_upper, un_lower;   // UN region: upper factor, lower factor
    integer iRowTM = 0, iRowTL = 0, iRowTL1 = 0;

    // -- node numbering and lists --
    std::vector<integer> Nodos;      // NodT: solver number of each input node
    std::vector<integer> NOlds;      // NodT: input number of each solver node
    std::vector<integer> nelem_ptr;  // NodT + 1 pointers of the node-to-element lists
    std::vector<integer> nelem;      // Length_JE element numbers, ascending per node

    // -- equations of every substep --
    std::vector<integer> iDofEq;   // NTotDof per substep: equation of each nodal dof, 0 = none
    std::vector<integer> iEQNode;  // iRowTL: node of each equation, substep sections
    std::vector<integer> iEqDof;   // iRowTL: dof of each equation
    std::vector<integer> IAdd;     // iRowTL: 1 = row owned (takes only owning elements)

    // -- system of the substep being solved (strictly upper row storage) --
    std::vector<integer> IA;      // iRowTL1: row pointers, substep sections
    std::vector<integer> JA;      // sum of NnzU: ascending columns per row, substep sections
    std::vector<real> AN;         // upper values at 1.., lower values at NnzU + 1.. (not sym)
    std::vector<real> AD;         // iRowTM diagonal
    std::vector<real> Unk1;       // iRowTM unknowns
    std::vector<real> B_Load;     // iRowTM right-hand side
    std::vector<integer> IP;      // iRowTM + 1: integer work, all zero between elements

    // -- factors and solver work --
    std::vector<integer> IU;       // factor / preconditioner row pointers, substep sections
    std::vector<integer> JU;       // factor / preconditioner columns, substep sections
    std::vector<real> UD;          // factor diagonals and solver work: own regions, then shared
    std::vector<real> UN;          // off-diagonal factor values: own regions, then shared
    std::vector<integer> IUP;      // integer work of the direct factorisation
    std::vector<real> WorkSpace;   // real work of the iterative solvers
    std::vector<integer> IAC, JAC; // full row storage: pointers, columns
    std::vector<real> AC;          //   and values
    // sparse direct factor of each substep of types -2 and -3 (null for the other types)
    std::vector<std::unique_ptr<SparseDirect>> sparse;

    AssemblyWorkspace assembly;  // element workspace of every assembly

    // -- nodal vectors (NTotDof each) --
    std::vector<real> Sol, SolSub, SolIter;

    // -- names --
    std::vector<std::string> dofnamesg;  // NDof outer names, 16 characters each
    std::vector<std::string> dofnames;   // NDof names per substep

    bigint total = 0;  // running byte total of the allocation report
};

}  // namespace vetrix
