// amux, atmux: products of a compressed-row matrix and its transpose with a vector.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Compressed rows (1-based): row i holds a(k), column ja(k), for k = ia(i) .. ia(i+1)-1.

// y = A x for the n rows of A.
void amux(integer n, F1<const real> x, F1<real> y, F1<const real> a, F1<const integer> ja,
          F1<const integer> ia);

// y = A^T x for the n rows of A (y must hold every column number that occurs).
void atmux(integer n, F1<const real> x, F1<real> y, F1<const real> a, F1<const integer> ja,
           F1<const integer> ia);

}  // namespace vetrix
