// matrixcoef, element_routine_of, set_element_routine: one assembly of a substep's system, each
// element computed by the routine of its type's element code.
#pragma once

#include <vector>

#include "common/types.hpp"
#include "common/views.hpp"
#include "elements/element_routine.hpp"

namespace vetrix {

// The routine that computes element code `code`, nullptr when no routine is known for it.
ElementRoutine element_routine_of(integer code);

// Makes `routine` the routine of element code `code` (nullptr: the code is no longer identified)
// and returns the routine it had before. The dispatch table is process-wide.
ElementRoutine set_element_routine(integer code, ElementRoutine routine);

// Element workspace of the assembly: AE, BE, NL, XE, UE, UH and padded copies of the common and
// element parameters. The driver sizes one at set-up so that assemblies in the time loop allocate
// nothing; an assembly without one makes its own.
struct AssemblyWorkspace {
    std::vector<real> AE, BE, XE, UE, UH;
    std::vector<integer> NL;
    // Common parameters of every type, each row padded with zeros to `common_width` entries, and
    // the real and integer parameters followed by zeros: an element routine that reads more
    // values than the deck gives gets zeros instead of reading past the arrays.
    std::vector<real> common, params;
    std::vector<integer> jparams;
    integer common_width = 0;
    // Sizes every array for the given counts (no allocation when they already fit).
    void size_for(integer NDofEl, integer MaxNodEl, integer NDim, integer NTimeLevels,
                  integer NTypes, integer NCommon, integer NDof, std::size_t nparam,
                  std::size_t njparam);
};

// Adds the contributions of every element of an assembled type (slot, column 4 of ielementlib,
// not 0) into the system of one substep, whose identity rows and cleared arrays the caller has
// already written. Arrays, all 1-based:
//   IE, JE          incidence (NelT + 1 pointers, node lists), X node-major coordinates
//   IA, JA          the substep's strictly upper pattern: IA exactly iRowT + 1 entries, so that
//                   iRowT = IA.size() - 1 and NnzU = IA(iRowT + 1) - 1
//   AN              upper values at 1 ... NnzU, mirrored lower values at NnzU + 1 ... 2 NnzU when
//                   sym is 0 (then AN holds at least 2 NnzU entries)
//   AD, B_Load      diagonal and right-hand side (B_Load holds the prescribed values already)
//   sol0, Sol       stored levels (level h from (h - 1) NodT NDof + 1) and current iterate
//   idoftype, IAdd  the substep's dof kinds (NodT NDof) and ownership flags (iRowT)
//   IP              integer work of at least iRowT entries, all zero on entry and on return
//   param, jparam, ie__param, ie_jparam, NParamGroups   parameter groups
//   iElementType, iElementMat   type (row of ielementlib) and parameter group of each element
//   ielementlib     the substep's NTypes x 5 table; commonpar its NCommon x NTypes block
//   icoupling       the coupling store, NDofEl x NDofEl per slot
//   iEQNode, iEqDof, iDofEq     the substep's equation tables
// DT receives DTinput on entry; T is the time at the start of the step. Sets the process-wide
// lengthparam and lengthjparam. Codes without a routine write a warning line per element.
void matrixcoef(F1<const integer> IE, F1<const integer> JE, F1<const real> X, F1<const integer> IA,
                F1<const integer> JA, F1<real> AN, F1<real> AD, F1<real> B_Load,
                F1<const real> sol0, F1<const real> Sol, F1<const integer> idoftype,
                F1<const integer> IAdd, F1<integer> IP, F1<const real> param,
                F1<const integer> jparam, F1<const integer> ie__param, F1<const integer> ie_jparam,
                integer NParamGroups, F1<const integer> iElementType, F1<const integer> iElementMat,
                F1<const integer> ielementlib, F1<const real> commonpar,
                F1<const integer> icoupling, F1<const integer> iEQNode, F1<const integer> iEqDof,
                F1<const integer> iDofEq, integer NodT, integer NelT, integer NDof, integer NDim,
                integer MaxNodEl, integer NTypes, integer NCommon, integer NDofEl, logical sym,
                real DTinput, real& DT, real T, integer NTimeLevels,
                AssemblyWorkspace* workspace = nullptr);

}  // namespace vetrix
