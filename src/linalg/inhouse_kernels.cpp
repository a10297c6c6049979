// spmul2d, spmul2dlu, fwsrowd, bwscold and the vector kernels of the in-house iterations.
#include "linalg/inhouse_kernels.hpp"

#include <cmath>

#include "common/stops.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

namespace {

[[noreturn]] void spmult_error(integer n, integer mode) {
    sayf("(13H SPMULT.ERROR,18I6)", {n, mode});
    stop_run();
}

}  // namespace

void spmul2d(F1<const integer> ia, F1<const integer> ja, F1<const real> a, F1<const real> d,
             F1<const real> x, F1<real> y, integer n, integer mode) {
    if (n <= 0 || mode < 1 || mode > 4) spmult_error(n, mode);
    switch (mode) {
        case 1:  // y = d.x + (T + T^t) x, T the stored triangle
            for (integer i = 1; i <= n; ++i) y(i) = d(i) * x(i);
            for (integer i = 1; i <= n; ++i)
                for (integer k = ia(i); k < ia(i + 1); ++k) {
                    y(i) += a(k) * x(ja(k));
                    y(ja(k)) += a(k) * x(i);
                }
            break;
        case 2:  // y = A x
            for (integer i = 1; i <= n; ++i) {
                real s = 0.0;
                for (integer k = ia(i); k < ia(i + 1); ++k) s += a(k) * x(ja(k));
                y(i) = s;
            }
            break;
        case 3:  // y = y + A^t x
            for (integer i = 1; i <= n; ++i)
                for (integer k = ia(i); k < ia(i + 1); ++k) y(ja(k)) += a(k) * x(i);
            break;
        default:  // 4: y = d.x + A x
            for (integer i = 1; i <= n; ++i) {
                real s = d(i) * x(i);
                for (integer k = ia(i); k < ia(i + 1); ++k) s += a(k) * x(ja(k));
                y(i) = s;
            }
            break;
    }
}

void spmul2dlu(F1<const integer> IA, F1<const integer> JA, F1<const real> AN, F1<const real> lower,
               F1<const real> AD, F1<const real> x, F1<real> y, integer n, integer mode) {
    if (mode != 6) {
        spmul2d(IA, JA, AN, AD, x, y, n, mode);
        return;
    }
    if (n <= 0) spmult_error(n, mode);
    // y = AD.x, then each upper entry (i, j) acts on row i and its mirror on row j
    for (integer i = 1; i <= n; ++i) y(i) = AD(i) * x(i);
    for (integer i = 1; i <= n; ++i)
        for (integer k = IA(i); k < IA(i + 1); ++k) {
            const integer j = JA(k);
            y(i) += AN(k) * x(j);
            y(j) += lower(k) * x(i);
        }
}

void fwsrowd(F1<const integer> IU, F1<const integer> JU, F1<const real> L, F1<const real> D,
             integer flag, F1<real> x, integer n) {
    if (n < 1) return;
    if (flag == 1) x(1) = D(1) * x(1);
    for (integer i = 2; i <= n; ++i) {
        real s = x(i);
        for (integer k = IU(i); k < IU(i + 1); ++k) s -= L(k) * x(JU(k));  // x(i) - L(i,:) x
        x(i) = (flag == 1) ? D(i) * s : s;
    }
}

void bwscold(F1<const integer> IU, F1<const integer> JU, F1<const real> U, F1<const real> D,
             integer flag, F1<real> x, integer n) {
    for (integer i = n; i >= 1; --i) {
        real t = x(i);
        if (flag == 1) {
            t = D(i) * t;  // x(i) = b(i) / U(i,i)
            x(i) = t;
        }
        for (integer k = IU(i); k < IU(i + 1); ++k) x(JU(k)) -= U(k) * t;  // column i of U
    }
}

void sctxpyd(real s, F1<real> x, F1<real> y, F1<real> z, integer n, integer mode) {
    switch (mode) {
        case 1:
            for (integer i = 1; i <= n; ++i) x(i) = s * x(i) + y(i);
            break;
        case 2:
            for (integer i = 1; i <= n; ++i) y(i) += s * x(i);
            break;
        case 3:
            for (integer i = 1; i <= n; ++i) z(i) = s * x(i) + y(i);
            break;
        default:
            say({"SCTXPY/ERROR: KRES DEBE SER 1,2 O 3"});
            stop_run();
    }
}

void xplusyd(F1<real> x, F1<real> y, F1<real> z, integer n, integer mode) {
    switch (mode) {
        case 1:
            for (integer i = 1; i <= n; ++i) x(i) += y(i);
            break;
        case 2:
            for (integer i = 1; i <= n; ++i) y(i) += x(i);
            break;
        case 3:
            for (integer i = 1; i <= n; ++i) z(i) = x(i) + y(i);
            break;
        case -1:
            for (integer i = 1; i <= n; ++i) x(i) -= y(i);
            break;
        case -2:
            for (integer i = 1; i <= n; ++i) y(i) = x(i) - y(i);
            break;
        case -3:
            for (integer i = 1; i <= n; ++i) z(i) = x(i) - y(i);
            break;
        default:
            break;
    }
}

void axplbyd(real a, F1<real> x, real b, F1<real> y, F1<real> z, integer n, integer mode) {
    switch (mode) {
        case 1:
            for (integer i = 1; i <= n; ++i) x(i) = a * x(i) + b * y(i);
            break;
        case 2:
            for (integer i = 1; i <= n; ++i) y(i) = a * x(i) + b * y(i);
            break;
        case 3:
            for (integer i = 1; i <= n; ++i) z(i) = a * x(i) + b * y(i);
            break;
        default:
            break;
    }
}

void sctimxd(real s, F1<real> x, integer n) {
    for (integer i = 1; i <= n; ++i) x(i) *= s;
}

real scprodd(F1<const real> x, F1<const real> y, integer n) {
    real s = 0.0;
    for (integer i = 1; i <= n; ++i) s += x(i) * y(i);
    return s;
}

real rnorm2d(F1<const real> x, integer n) {
    return std::sqrt(scprodd(x, x, n));
}

real enorm2d(F1<const real> x, F1<const real> y, integer n) {
    real s = 0.0;
    for (integer i = 1; i <= n; ++i) {
        const real e = x(i) - y(i);
        s += e * e;
    }
    return std::sqrt(s);
}

void copvecd(F1<const real> x, F1<real> y, integer n) {
    for (integer i = 1; i <= n; ++i) y(i) = x(i);
}

void putvald(F1<real> x, integer n, real value, integer flag, F1<const integer> index) {
    if (flag > 0) {
        for (integer i = 1; i <= n; ++i) x(index(i)) = value;
    } else {
        for (integer i = 1; i <= n; ++i) x(i) = value;
    }
}

}  // namespace vetrix
