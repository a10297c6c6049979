// jacobian, globalshapeder, productovectorial: element geometry of the reference mapping.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// J(r, c) = sum_a dN(r, a) X(D (a - 1) + c) over NNod nodes (X node-major, D coordinates per
// node); returns its determinant in detJ and its inverse in invJ (D x D). A zero determinant
// writes "WARNING, Element Jacobian = 0" three times and stops the run; D outside 1 ... 3
// writes three lines and stops; a negative determinant writes one warning line and returns.
void jacobian(F2<real> invJ, real& detJ, integer D, integer NNod, F1<const real> X,
              F2<const real> dN);

// dNglobal(r, a) = sum_c invJ(r, c) dNlocal(c, a), a = 1 ... NNod.
void globalshapeder(integer NNod, integer D, F2<const real> dNlocal, F2<real> dNglobal,
                    F2<const real> invJ);

// c = a x b (three components) and norm = |c|.
void productovectorial(F1<const real> a, F1<const real> b, F1<real> c, real& norm);

}  // namespace vetrix
