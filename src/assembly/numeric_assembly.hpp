// ensnumgen: adds one element matrix and vector into the strictly upper row storage of a
// substep's system, moving prescribed values to the right-hand side.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// AE       element matrix (NDofEl x NDofEl), AE(l, m) row l, column m, l = NDof (a - 1) + d
// NL       global node of each of the nn local nodes
// IA, JA   strictly upper pattern (rows 1 ... iRowT)
// AN       upper values, AN(k) = A(i, JA(k)) for IA(i) <= k < IA(i + 1)
// ANL      lower values, ANL(k) = A(JA(k), i); written only when sym is 0 (may be empty else)
// AD       diagonal, B_Load right-hand side (prescribed equations hold their value)
// BE       element vector
// IP       column marker indexed by equation; all zero on entry and on return
// iDofEq   equation of each nodal dof (0: none), idoftype the substep's dof kinds
// C        the type's coupling matrix; a negative diagonal C(l, l) lets the element add into an
//          owned row (IAdd = 1), which otherwise takes nothing from it
// Only free rows (idoftype > 0) receive anything. Coupled prescribed columns move
// B_Load(j) AE(l, m) to the row's right-hand side; coupled free columns go to the upper part of
// the row when they lie right of the diagonal and, for the mirrored entry, to the lower part.
void ensnumgen(F2<const real> AE, F1<const integer> NL, F1<const integer> IA, F1<const integer> JA,
               F1<real> AN, F1<real> ANL, F1<real> AD, F1<real> B_Load, F1<const real> BE,
               F1<integer> IP, F1<const integer> iDofEq, F2<const integer> C,
               F1<const integer> idoftype, integer NDofEl, integer NDof, integer nn,
               F1<const integer> IAdd, logical sym);

}  // namespace vetrix
