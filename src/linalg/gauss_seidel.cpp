// gauseilu: relaxed Gauss-Seidel sweeps on the strictly-upper row storage.
#include "io/screen_text.hpp"
#include "linalg/inhouse_kernels.hpp"
#include "linalg/inhouse_solvers.hpp"

namespace vetrix {

// Gauss-Seidel (Saad, "Iterative Methods for Sparse Linear Systems", 4.1) with under-relaxation
// x <- 0.4 x_GS + 0.6 x. The rows are stored by their upper part only, so the lower part
// sum_j<i a(i,j) x(j) is pushed forward: once x(i) is new, w(j) collects -a(j,i) x(i) for the
// later rows j.
void gauseilu(F1<const integer> IA, F1<const integer> JA, F1<const real> lower, F1<const real> AN,
              F1<const real> AD, F1<const real> B, F1<real> x, F1<real> xold, F1<real> w, integer n,
              integer itmax, integer& ierr) {
    for (integer i = 1; i <= n; ++i)
        if (AD(i) == 0.0) {  // no Gauss-Seidel step exists for this row
            ierr = -3;
            return;
        }
    constexpr integer min_sweeps = 6;
    constexpr real tolerance = 1.0e-8;
    float err = 1.0f;  // relative change of the last sweep, single precision
    for (integer sweep = 1; sweep <= itmax; ++sweep) {
        copvecd(x, xold, n);
        putvald(w, n, 0.0, 0, {});
        for (integer i = 1; i <= n; ++i) {
            real s = B(i);
            for (integer k = IA(i); k < IA(i + 1); ++k) s -= AN(k) * x(JA(k));  // upper part
            const real x_gs = (w(i) + s) / AD(i);
            x(i) = 0.4 * x_gs + 0.6 * x(i);
            for (integer k = IA(i); k < IA(i + 1); ++k) w(JA(k)) -= x(i) * lower(k);
        }
        // err = ||x - xold|| / ||x||; the absolute change when x is zero
        const real xnorm = rnorm2d(x, n);
        const real change = enorm2d(x, xold, n);
        err = static_cast<float>(xnorm > 0.0 ? change / xnorm : change);
        say({itmax, sweep, static_cast<real>(err)});
        if (err < tolerance && sweep >= min_sweeps) break;
    }
    ierr = (err <= tolerance) ? 0 : -1;
}

}  // namespace vetrix
