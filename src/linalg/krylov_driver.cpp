// runrc, bisinit, stopbis, brkdn, tidycg: the request driver of the Krylov solvers and their
// shared start, stopping and exit steps.
#include <cmath>
#include <limits>
#include <vector>

#include "io/screen_text.hpp"
#include "linalg/blas.hpp"
#include "linalg/ilut.hpp"
#include "linalg/krylov.hpp"
#include "linalg/krylov_kernels.hpp"
#include "linalg/sparse_products.hpp"

namespace vetrix {

using namespace krylov_detail;

namespace {
// Free-format lines show some values with single precision only.
float single(real x) { return static_cast<float>(x); }
}  // namespace

bool bisinit(F1<integer> ipar, F1<real> fpar, integer wksize, integer dsc, bool& lp, bool& rp,
             F1<real> wk) {
    if (ipar(4) < wksize || wk.size() < wksize) {
        ipar(1) = -2;
        ipar(4) = wksize;
        return false;
    }
    lp = ipar(2) == 1 || ipar(2) >= 3;
    rp = ipar(2) >= 2;
    if (ipar(3) == 0) ipar(3) = dsc;
    for (integer k = 7; k <= 13; ++k) ipar(k) = 0;
    if (fpar(1) < 0.0 || fpar(1) >= 1.0 || fpar(2) < 0.0 || (fpar(1) == 0.0 && fpar(2) == 0.0)) {
        if (ipar(1) == 0) {
            ipar(1) = -4;
            return false;
        }
        fpar(1) = 1.0e-6;
        fpar(2) = 1.0e-16;
    }
    for (integer k = 3; k <= 10; ++k) fpar(k) = 0.0;
    if (fpar(11) < 0.0) fpar(11) = 0.0;
    for (integer k = 1; k <= wksize; ++k) wk(k) = 0.0;
    return true;
}

bool stopbis(integer n, F1<integer> ipar, integer mvpi, F1<real> fpar, F1<const real> r,
             F1<const real> delx, real sx) {
    if (limit_reached(ipar)) {
        ipar(1) = -1;
        return true;
    }
    fpar(5) = nrm(n, r);
    fpar(11) += 2 * n;
    if (ipar(3) < 0) {
        // size of the latest correction; kind -1 takes its target from the first one
        fpar(6) = std::abs(sx) * nrm(n, delx);
        fpar(11) += 2 * n + 1;
        if (ipar(3) == -1 && ipar(7) <= mvpi + 1) {
            fpar(3) = fpar(6);
            fpar(4) = fpar(1) * fpar(6) + fpar(2);
        }
    } else {
        fpar(6) = fpar(5);
    }
    return fpar(6) <= fpar(4);
}

bool brkdn(real alpha, F1<integer> ipar) {
    if (!std::isfinite(alpha)) {
        ipar(1) = -9;
        return true;
    }
    if (alpha == 0.0) {
        ipar(1) = -3;
        return true;
    }
    const real beta = 1.0 / alpha;
    if (!std::isfinite(beta) || (alpha > 0.0) != (beta > 0.0)) {
        ipar(1) = -9;
        return true;
    }
    return false;
}

void tidycg(integer n, F1<integer> ipar, F1<real> fpar, F1<real> sol, F1<const real> update) {
    if (ipar(1) > 0) {
        const bool met = caller_tests(ipar) ? ipar(11) == 1 : fpar(6) <= fpar(4);
        if (met) {
            ipar(1) = 0;
        } else if (limit_reached(ipar)) {
            ipar(1) = -1;
        } else {
            ipar(1) = -10;
        }
    }
    set_rate(ipar, fpar);
    for (integer i = 1; i <= n; ++i) sol(i) += update(i);
    fpar(11) += n;
}

void runrc(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
           F1<real> wk, F1<const real> a, F1<const integer> ja, F1<const integer> ia,
           F1<const real> alu, F1<const integer> jlu, F1<const integer> ju, KrylovSolver solver) {
    if (ipar(2) > 2) {
        say({"I can not do both left and right preconditioning."});
        ipar(1) = -10;
        return;
    }
    KrylovState st;
    integer its = 0;
    real res = 0.0;
    ipar(1) = 0;
    for (;;) {
        solver(n, rhs, sol, ipar, fpar, wk, st);
        // the history line of a step is printed when the next one begins
        if (ipar(7) != its) {
            say({its, single(res)});
            its = ipar(7);
        }
        res = fpar(5);
        const integer code = ipar(1);
        if (code < 1 || code > 6) break;
        const F1<const real> in = wk.section(ipar(8), n);
        const F1<real> out = wk.section(ipar(9), n);
        if (code == 1) {
            amux(n, in, out, a, ja, ia);
        } else if (code == 2) {
            atmux(n, in, out, a, ja, ia);
        } else if (code == 3 || code == 5) {
            lusol(n, in, out, alu, jlu, ju);
        } else {
            lutsol(n, in, out, alu, jlu, ju);
        }
    }

    // final report
    const integer code = ipar(1);
    if (code == 0) {
        say({"Iterative sovler has satisfied convergence test."});
    } else if (code == -1) {
        say({"Iterative solver has iterated too many times."});
    } else if (code == -2) {
        say({"Iterative solver was not given enough work space."});
        say({"The work space should at least have ", ipar(4), " elements."});
    } else if (code == -3) {
        say({"Iterative sovler is facing a break-down."});
    } else if (code < 0) {
        say({"Iterative solver terminated. code =", code});
    }
    say({ipar(7), single(fpar(6))});
    say({"# retrun code =", code, " convergence rate =", fpar(7)});

    // true residual A sol - rhs, in wk unless it is shorter than n
    std::vector<real> spare;
    if (wk.size() < n) spare.resize(n);
    const F1<real> r = wk.size() < n ? F1<real>(spare) : wk.section(1, n);
    amux(n, sol, r, a, ja, ia);
    for (integer i = 1; i <= n; ++i) r(i) -= rhs(i);
    say({"# the actual residual norm is", dnrm2(n, r, 1)});
}

}  // namespace vetrix
