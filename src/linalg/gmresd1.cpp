// gmresd1, converd, retrod, updated: restarted GMRES with split in-house ILU preconditioning.
#include <cmath>

#include "io/screen_text.hpp"
#include "linalg/inhouse_kernels.hpp"
#include "linalg/inhouse_solvers.hpp"

namespace vetrix {

void converd(F1<real> H, integer j) {
    // h(i,l) moves from l(l+1)/2 - 1 + i to (l-1)l/2 + i: always to a lower position, so an
    // ascending pass never overwrites an entry still to be moved.
    for (integer l = 1; l <= j; ++l)
        for (integer i = 1; i <= l; ++i) H((l - 1) * l / 2 + i) = H(l * (l + 1) / 2 - 1 + i);
}

void retrod(F1<const real> H, integer j, F1<real> y, F1<const real> g) {
    auto R = [&](integer i, integer l) { return H((l - 1) * l / 2 + i); };
    for (integer i = j; i >= 1; --i) {
        real s = g(i);
        for (integer l = i + 1; l <= j; ++l) s -= R(i, l) * y(l);
        y(i) = s / R(i, i);
    }
}

void updated(F1<real> x, integer n, F1<const real> V, F1<const real> y, integer j) {
    for (integer l = 1; l <= j; ++l) {
        const F1<const real> vl = V.section(n * (l - 1) + 1, n);
        for (integer i = 1; i <= n; ++i) x(i) += y(l) * vl(i);
    }
}

// GMRES(m) of Saad and Schultz (Saad, "Iterative Methods for Sparse Linear Systems", 6.5 and
// 9.3.4 for split preconditioning): Arnoldi with modified Gram-Schmidt on L^-1 A U^-1, Givens
// rotations on the Hessenberg columns as they appear, restart after m steps. The iterate is
// y = U x; the caller's guess serves as the first y.
void gmresd1(F1<const integer> IAC, F1<const integer> JAC, F1<const real> AC, F1<const integer> IU,
             F1<const integer> JU, F1<const real> L, F1<const real> D, F1<const real> U, F1<real> x,
             F1<real> r, F1<real> V, F1<real> w, real eps, integer itmax, integer& ierr, integer n,
             integer m, F1<real> h, F1<real> H, F1<real> g, F1<real> c, F1<real> s, F1<real> y) {
    if (m < 1) {  // no Krylov direction fits in the work space
        ierr = -2;
        return;
    }
    auto basis = [&](integer j) { return V.section(n * (j - 1) + 1, n); };
    // v <- L^-1 A U^-1 src, with w as scratch
    auto apply_operator = [&](F1<const real> src, F1<real> v) {
        copvecd(src, w, n);
        bwscold(IU, JU, U, D, 1, w, n);
        spmul2d(IAC, JAC, AC, {}, w, v, n, 2);
        fwsrowd(IU, JU, L, D, 0, v, n);
    };

    // 1 - r <- L^-1 b
    fwsrowd(IU, JU, L, D, 0, r, n);
    const real bn = rnorm2d(r, n);
    const real tol = bn * eps;
    say({bn, tol});
    if (bn == 0.0) {  // A x = 0: the solution is zero
        putvald(x, n, 0.0, 0, {});
        ierr = 0;
        return;
    }

    ierr = -1;
    for (integer cycle = 1; cycle <= itmax; ++cycle) {
        sayf("(' GMRES iteration:',I5)", {cycle});
        // 2 - V1 = r - L^-1 A U^-1 y, g = beta e1
        F1<real> v1 = basis(1);
        apply_operator(x, v1);
        axplbyd(1.0, r, -1.0, v1, v1, n, 2);
        const real beta = rnorm2d(v1, n);
        g(1) = beta;
        real res = beta;
        integer jdone = 0;      // columns rotated into the triangle
        bool singular = false;  // the next column rotated to zero: the triangle stops at jdone
        if (beta > 0.0) {       // beta = 0: the current iterate solves the system
            sctimxd(1.0 / beta, v1, n);
            // 3 - Arnoldi steps
            for (integer j = 1; j <= m; ++j) {
                F1<real> vnext = basis(j + 1);
                apply_operator(basis(j), vnext);
                const integer col = j * (j + 1) / 2 - 1;  // H(col + i) = h(i, j)
                for (integer i = 1; i <= j; ++i) {
                    const F1<real> vi = basis(i);
                    h(i) = scprodd(vnext, vi, n);
                    axplbyd(-h(i), vi, 1.0, vnext, vnext, n, 2);  // vnext -= h(i) V_i
                    H(col + i) = h(i);
                }
                const real eta = rnorm2d(vnext, n);
                if (eta > 0.0) sctimxd(1.0 / eta, vnext, n);  // eta = 0: invariant subspace
                H(col + j + 1) = eta;
                // earlier rotations on column j
                for (integer i = 1; i < j; ++i) {
                    const real a = H(col + i);
                    const real b = H(col + i + 1);
                    H(col + i) = c(i) * a + s(i) * b;
                    H(col + i + 1) = c(i) * b - s(i) * a;
                }
                // new rotation zeroing h(j+1, j)
                const real a = H(col + j);
                const real b = H(col + j + 1);
                const real rho = std::hypot(a, b);
                if (rho == 0.0) {
                    singular = true;
                    break;
                }
                c(j) = a / rho;
                s(j) = b / rho;
                H(col + j) = rho;
                H(col + j + 1) = 0.0;
                g(j + 1) = -g(j) * s(j);
                g(j) = g(j) * c(j);
                jdone = j;
                res = std::abs(g(j + 1));
                if (res <= tol) break;  // also taken when eta = 0: then g(j+1) = 0
            }
            // 4 - y = R^-1 g, x <- x + V y
            if (jdone > 0) {
                converd(H, jdone);
                retrod(H, jdone, y, g);
                updated(x, n, V, y, jdone);
            }
        } else {
            res = 0.0;
        }
        // 5 - report; 6 - stop on success (or on a singular triangle that cannot improve)
        say({"-> <GMRES> Error/BNorm =", res / bn});
        if (res <= tol) {
            ierr = cycle;
            break;
        }
        if (singular) {
            ierr = -3;
            break;
        }
    }
    // 7 - x = U^-1 y
    bwscold(IU, JU, U, D, 1, x, n);
}

}  // namespace vetrix
