// Small vector kernels and request bookkeeping shared by the Krylov solvers (internal header).
#pragma once

#include <cmath>

#include "common/types.hpp"
#include "common/views.hpp"
#include "linalg/blas.hpp"
#include "linalg/krylov.hpp"

namespace vetrix::krylov_detail {

// Hands a request to the caller: the code, the wk positions of its input and output vectors,
// and the point where the solver resumes when called again.
inline void post(F1<integer> ipar, integer code, integer in, integer out, integer resume) {
    ipar(1) = code;
    ipar(8) = in;
    ipar(9) = out;
    ipar(10) = resume;
}

// The n-vector of wk starting at position p.
inline F1<real> at(F1<real> wk, integer p, integer n) { return wk.section(p, n); }

inline void copy(integer n, F1<const real> x, F1<real> y) {
    for (integer i = 1; i <= n; ++i) y(i) = x(i);
}
// y = y + alpha x
inline void axpy(integer n, real alpha, F1<const real> x, F1<real> y) {
    for (integer i = 1; i <= n; ++i) y(i) += alpha * x(i);
}
inline real dot(integer n, F1<const real> x, F1<const real> y) { return ddot(n, x, 1, y, 1); }
inline real nrm(integer n, F1<const real> x) { return std::sqrt(ddot(n, x, 1, x, 1)); }

inline bool limit_reached(F1<const integer> ipar) { return ipar(6) > 0 && ipar(7) >= ipar(6); }
inline bool caller_tests(F1<const integer> ipar) { return ipar(3) == 999; }

// Initial residual norm rn0 known: fpar(3), fpar(5) and the target fpar(4) = fpar(1) N + fpar(2),
// N the initial residual (kinds 1, -1 and the caller's test) or the right-hand side (kinds 2, -2).
inline void set_target(integer n, F1<const integer> ipar, F1<real> fpar, real rn0,
                       F1<const real> rhs) {
    fpar(3) = rn0;
    fpar(5) = rn0;
    real base = rn0;
    if (ipar(3) == 2 || ipar(3) == -2) {
        base = nrm(n, rhs);
        fpar(11) += 2 * n;
    }
    fpar(4) = fpar(1) * base + fpar(2);
}

// Residual test at the start: kinds >= 0 other than the caller's test stop at once when met.
inline bool met_at_start(F1<const integer> ipar, F1<real> fpar) {
    if (ipar(3) >= 0 && ipar(3) != 999 && fpar(5) <= fpar(4)) {
        fpar(6) = fpar(5);
        return true;
    }
    return false;
}

// Convergence rate log10(fpar(3)/fpar(6)) per product of the iteration proper.
inline void set_rate(F1<const integer> ipar, F1<real> fpar) {
    if (fpar(3) != 0.0 && fpar(6) != 0.0 && ipar(7) > ipar(13)) {
        fpar(7) = std::log10(fpar(3) / fpar(6)) / static_cast<real>(ipar(7) - ipar(13));
    } else {
        fpar(7) = 0.0;
    }
}

}  // namespace vetrix::krylov_detail
