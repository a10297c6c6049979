// cgs_tarnd: CGS preconditioned with the threshold incomplete LU factor, norms in single precision.
#include <cmath>

#include "io/screen_text.hpp"
#include "linalg/ilut.hpp"
#include "linalg/inhouse_kernels.hpp"
#include "linalg/inhouse_solvers.hpp"

namespace vetrix {

namespace {

// clang-format off
constexpr const char* progress_line =
    "( ' -> CGS_iter =',I5,'   |R|/|B| =',E8.2,                            '   |DX|/|X| =',E8.2,'   |R| =',E8.2 )";
// clang-format on

}  // namespace

// Sonneveld's conjugate gradient squared with M^-1 = (L U)^-1 of the modified-sparse-row factor
// applied to every residual-like vector. Norms and the ratios built from them are rounded to
// single precision, as the tests on them are meant to be coarse.
void cgs_tarnd(F1<const integer> IAC, F1<const integer> JAC, F1<const real> AC,
               F1<const integer> ju, F1<const integer> jlu, F1<const real> alu, F1<real> x,
               F1<real> r, F1<real> rt, F1<real> p, F1<real> u, F1<real> q, F1<real> xn, F1<real> t,
               integer n, real eps, integer itmax, integer& ierr) {
    constexpr real breakdown = 1.0e-30;
    constexpr float guard = 1.0e-25f;
    const real absolute_tol = static_cast<real>(0.001f) * eps;  // 0.001 as a single value
    const F1<real> none;
    auto apply_a = [&](F1<const real> v, F1<real> out) { spmul2d(IAC, JAC, AC, {}, v, out, n, 2); };
    auto norm = [&](F1<const real> v) { return static_cast<float>(rnorm2d(v, n)); };

    // 1 - ||b||, never below the guard
    ierr = 0;
    const float bn = norm(r) + guard;
    if (bn < breakdown) {
        ierr = -2;
        return;
    }
    // 2 - r = b - A x, rt = r, p = q = 0
    apply_a(x, xn);
    xplusyd(r, xn, none, n, -1);
    const float rn0 = norm(r);
    copvecd(r, rt, n);
    putvald(p, n, 0.0, 0, {});
    putvald(q, n, 0.0, 0, {});

    // 3 - iterate
    real rho = 0.0;
    for (integer k = 0;; ++k) {
        ierr = k + 1;
        float dx = 0.0f;
        float rn = rn0;
        // An exact initial guess is already the answer; so is one whose residual meets the
        // tolerance but is too small for the recurrence (rho and sigma go as |r|^2): the sigma
        // test below would otherwise report a break-down at the start.
        bool start_is_answer = k == 0 && rn0 == 0.0f;
        real sigma = 0.0;
        if (!start_is_answer) {
            const real rho_old = rho;
            lusol(n, r, t, alu, jlu, ju);  // t = M^-1 r
            rho = scprodd(t, rt, n);
            real beta = 0.0;
            if (k > 0) {
                if (std::abs(rho_old) < breakdown) {
                    ierr = -3000 - k;
                    return;
                }
                beta = rho / rho_old;
            }
            axplbyd(1.0, t, beta, q, u, n, 3);  // u = t + beta q
            axplbyd(1.0, q, beta, p, p, n, 2);  // p = q + beta p
            axplbyd(1.0, u, beta, p, p, n, 2);  // p = u + beta (q + beta p)
            apply_a(p, xn);
            lusol(n, xn, t, alu, jlu, ju);  // t = M^-1 A p
            sigma = scprodd(t, rt, n);
            if (std::abs(sigma) < breakdown) {
                if (k > 0 || !(rn0 / bn <= eps || rn0 < absolute_tol)) {
                    ierr = -4000 - k;
                    say({"Warning SIGMA Too Small", sigma, k});
                    return;
                }
                start_is_answer = true;
            }
        }
        if (!start_is_answer) {
            const real alpha = rho / sigma;
            axplbyd(1.0, u, -alpha, t, q, n, 3);   // q = u - alpha t
            axplbyd(alpha, q, alpha, u, t, n, 3);  // t = alpha (q + u)
            xplusyd(x, t, xn, n, 3);               // xn = x + t
            apply_a(t, u);
            xplusyd(r, u, none, n, -1);  // r = r - A t
            dx = static_cast<float>(enorm2d(x, xn, n)) / (guard + norm(x));
            rn = norm(r);
            copvecd(xn, x, n);
        }
        const float rr = rn / bn;
        sayf(progress_line, {k, real(rr), real(dx), real(rn)});

        const bool converged = (dx <= eps && rr <= eps) || rn < absolute_tol;
        const bool limit = !converged && k >= itmax - 1;  // also ends a limit below one iteration
        if (converged || limit) {
            if (limit) ierr = -1;
            sayf(progress_line, {k, real(rr), real(dx), real(rn)});
            return;
        }
    }
}

}  // namespace vetrix
