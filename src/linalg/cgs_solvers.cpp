// cgsap1d, cgsap1dlu2: CGS preconditioned by the in-house factor, on full and strictly-upper rows.
#include <cmath>

#include "io/screen_text.hpp"
#include "linalg/inhouse_kernels.hpp"
#include "linalg/inhouse_solvers.hpp"

namespace vetrix {

namespace {

constexpr real breakdown = 1.0e-30;  // smallest |rho|, |sigma| and ||b|| accepted
constexpr real dx_guard = 1.0e-25;   // keeps the relative change finite for x = 0

constexpr const char* full_rows_line = "( ' -> CGS_iter=',I5,' |R|/|B|=',E13.5,' |DX|/|X|=',E13.5)";
constexpr const char* upper_rows_line =
    "( ' ->CGS_iter=',I5,' |R|/|B|= ',E8.2,'; |DX|/|X|= ',E8.2)";

// What differs between the two storages: the product with A, the progress report and the limit.
struct CgsVariant {
    bool upper_rows;  // strictly-upper storage: "First Residual", a report every ten iterations
    integer last_k;   // the limit is reached at this iteration
};

// Sonneveld's conjugate gradient squared, preconditioned from the left with M = L U
// (Saad, "Iterative Methods for Sparse Linear Systems", algorithm 7.6 with M^-1 applied to every
// residual-like vector). apply_a(v, out) sets out = A v.
template <class ApplyA>
void cgs_iterate(ApplyA apply_a, const CgsVariant& var, F1<const integer> IU, F1<const integer> JU,
                 F1<const real> L, F1<const real> D, F1<const real> U, F1<real> x, F1<real> r,
                 F1<real> rt, F1<real> p, F1<real> u, F1<real> q, F1<real> xn, F1<real> t,
                 integer n, real eps, integer& ierr) {
    const F1<real> none;
    auto precondition = [&](F1<real> v) {  // v <- M^-1 v = U^-1 L^-1 v
        fwsrowd(IU, JU, L, D, 0, v, n);
        bwscold(IU, JU, U, D, 1, v, n);
    };
    const char* line = var.upper_rows ? upper_rows_line : full_rows_line;

    // 1 - nothing to do for a zero right-hand side
    ierr = 0;
    const real bn = rnorm2d(r, n);
    if (bn < breakdown) {
        ierr = -2;
        return;
    }
    // 2 - r = b - A x, rt = r, p = q = 0
    apply_a(x, xn);
    xplusyd(r, xn, none, n, -1);
    const real rn0 = rnorm2d(r, n);
    if (var.upper_rows) say({"First Residual", rn0, bn});
    copvecd(r, rt, n);
    putvald(p, n, 0.0, 0, {});
    putvald(q, n, 0.0, 0, {});

    // 3 - iterate
    real rho = 0.0;
    for (integer k = 0;; ++k) {
        ierr = k + 1;
        real dx = 0.0;
        real rn = rn0;
        // An exact initial guess is already the answer; so is one whose residual meets the
        // tolerance but is too small for the recurrence (rho and sigma go as |r|^2): the sigma
        // test below would otherwise report a break-down at the start.
        bool start_is_answer = k == 0 && rn0 == 0.0;
        real sigma = 0.0;
        if (!start_is_answer) {
            const real rho_old = rho;
            copvecd(r, t, n);
            precondition(t);  // t = M^-1 r
            rho = scprodd(rt, t, n);
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
            axplbyd(1.0, u, beta, p, p, n, 2);  // p = u + beta p
            apply_a(p, t);
            precondition(t);  // t = M^-1 A p
            sigma = scprodd(rt, t, n);
            if (std::abs(sigma) < breakdown) {
                if (k > 0 || rn0 / bn > eps) {
                    ierr = -4000 - k;
                    return;
                }
                start_is_answer = true;
            }
        }
        if (!start_is_answer) {
            const real alpha = rho / sigma;
            axplbyd(1.0, u, -alpha, t, q, n, 3);   // q = u - alpha t
            axplbyd(alpha, u, alpha, q, t, n, 3);  // t = alpha (u + q)
            xplusyd(x, t, xn, n, 3);               // xn = x + t
            apply_a(t, u);
            xplusyd(r, u, none, n, -1);  // r = r - A t
            dx = enorm2d(x, xn, n) / (rnorm2d(x, n) + dx_guard);
            rn = rnorm2d(r, n);
            copvecd(xn, x, n);
        }
        const real rr = rn / bn;

        if (var.upper_rows && k % 10 == 0) {
            sayf(line, {k, rr, dx});
            say({rn0 > 0.0 ? rn / rn0 : 0.0, rn});
        }
        if ((dx <= eps && rr <= eps) || rr == 0.0) {
            sayf(line, {k, rr, dx});
            return;
        }
        if (k >= var.last_k) {  // also ends the loop for a limit below one iteration
            ierr = -1;
            sayf(line, {k, rr, dx});
            return;
        }
    }
}

}  // namespace

void cgsap1d(F1<const integer> IAC, F1<const integer> JAC, F1<const real> AC, F1<const integer> IU,
             F1<const integer> JU, F1<const real> L, F1<const real> D, F1<const real> U, F1<real> x,
             F1<real> r, F1<real> rt, F1<real> p, F1<real> u, F1<real> q, F1<real> xn, F1<real> t,
             integer n, real eps, integer itmax, integer& ierr) {
    auto apply_a = [&](F1<real> v, F1<real> out) { spmul2d(IAC, JAC, AC, {}, v, out, n, 2); };
    cgs_iterate(apply_a, CgsVariant{false, itmax - 1}, IU, JU, L, D, U, x, r, rt, p, u, q, xn, t, n,
                eps, ierr);
}

void cgsap1dlu2(F1<const integer> IA, F1<const integer> JA, F1<const real> AN, F1<const real> lower,
                F1<const real> AD, F1<const integer> IU, F1<const integer> JU, F1<const real> L,
                F1<const real> D, F1<const real> U, F1<real> x, F1<real> r, F1<real> rt, F1<real> p,
                F1<real> u, F1<real> q, F1<real> xn, F1<real> t, integer n, real eps, integer itmax,
                integer& ierr) {
    auto apply_a = [&](F1<real> v, F1<real> out) {
        spmul2dlu(IA, JA, AN, lower, AD, v, out, n, 6);
    };
    cgs_iterate(apply_a, CgsVariant{true, itmax}, IU, JU, L, D, U, x, r, rt, p, u, q, xn, t, n, eps,
                ierr);
}

}  // namespace vetrix
