// amux, atmux: y = A x and y = A^T x for a matrix in compressed rows.
#include "linalg/sparse_products.hpp"

namespace vetrix {

void amux(integer n, F1<const real> x, F1<real> y, F1<const real> a, F1<const integer> ja,
          F1<const integer> ia) {
    for (integer i = 1; i <= n; ++i) {
        // y(i) = sum over row i of a(k) x(ja(k))
        const integer k2 = ia(i + 1) - 1;
        real t = 0.0;
        for (integer k = ia(i); k <= k2; ++k) t += a(k) * x(ja(k));
        y(i) = t;
    }
}

void atmux(integer n, F1<const real> x, F1<real> y, F1<const real> a, F1<const integer> ja,
           F1<const integer> ia) {
    for (integer i = 1; i <= n; ++i) y(i) = 0.0;
    for (integer i = 1; i <= n; ++i) {
        // row i of A scattered as column i of A^T
        const real xi = x(i);
        const integer k2 = ia(i + 1) - 1;
        for (integer k = ia(i); k <= k2; ++k) y(ja(k)) += xi * a(k);
    }
}

}  // namespace vetrix
