// mgsro, givens: Gram-Schmidt orthogonalisation with re-orthogonalisation and plane rotations
// for the Arnoldi-based solvers.
#include <cmath>

#include "linalg/blas.hpp"
#include "linalg/krylov.hpp"

namespace vetrix {

void mgsro(bool full, integer lda, integer n, integer m, integer ind, real& ops, F1<real> vec,
           F1<real> hh, integer& ierr) {
    const F2<real> v(vec.data(), lda, m);
    auto col = [&](integer j) { return F1<real>(&v(1, j), n); };
    const F1<real> x = col(ind);
    ierr = 0;

    // s tracks the squared norm left in x; a coefficient above 0.98 s asks for a second pass
    real s = ddot(n, x, 1, x, 1);
    ops += 2 * n;
    if (s <= 0.0) {
        ierr = -1;
        return;
    }
    const real inv = 1.0 / s;
    if (!(inv > 0.0) || !std::isfinite(inv)) {
        ierr = -2;
        return;
    }
    real theta = 0.98 * s;

    auto project = [&](integer i, real& coef) {
        const F1<real> vi = col(i);
        real t = ddot(n, vi, 1, x, 1);
        coef = t;
        for (integer k = 1; k <= n; ++k) x(k) -= t * vi(k);
        ops += 4 * n + 2;
        if (t * t > theta) {
            t = ddot(n, vi, 1, x, 1);
            coef += t;
            for (integer k = 1; k <= n; ++k) x(k) -= t * vi(k);
            ops += 4 * n + 1;
        }
        s = std::max(0.0, s - coef * coef);
        theta = 0.98 * s;
    };
    for (integer i = 1; i <= ind - 1; ++i) project(i, hh(i));
    if (full) {
        // later columns as well; their coefficients are not kept
        for (integer i = ind + 1; i <= m; ++i) {
            real coef = 0.0;
            project(i, coef);
        }
    }

    // hh(ind) = |x|, x = x / |x|
    const real xn = std::sqrt(ddot(n, x, 1, x, 1));
    hh(ind) = xn;
    if (!(xn > 0.0)) {
        ierr = -3;
        return;
    }
    const real scale = 1.0 / xn;
    for (integer k = 1; k <= n; ++k) x(k) *= scale;
    ops += n + 1;
}

void givens(real& x, real& y, real& c, real& s) {
    if (x == 0.0 && y == 0.0) {
        c = 1.0;
        s = 0.0;
        x = 0.0;
        return;
    }
    if (std::abs(y) > std::abs(x)) {
        const real t = x / y;
        const real r = std::sqrt(1.0 + t * t);
        s = std::copysign(1.0 / r, y);
        c = s * t;
        x = std::abs(y) * r;
    } else if (std::abs(x) >= std::abs(y)) {
        const real t = y / x;
        const real r = std::sqrt(1.0 + t * t);
        c = std::copysign(1.0 / r, x);
        s = c * t;
        x = std::abs(x) * r;
    } else {
        // a value that is not a number
        c = 1.0;
        s = 0.0;
        x = 0.0;
        y = 0.0;
    }
}

}  // namespace vetrix
