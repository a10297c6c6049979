// ddot, dnrm2, distdot: the level-1 dot product and Euclidean norm in the reference BLAS order.
#pragma once

#include <cmath>
#include <limits>

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// The Krylov solvers print residual histories to many digits, so their dot products and norms
// must not depend on which BLAS the loader picks: an optimised library (OpenBLAS, linked for the
// sparse direct factorisation) sums in a vector-register order of its own. These two routines
// keep the reference BLAS operation order, which the stored solver histories were made with.

// x . y over n entries taken with strides incx and incy. Unit strides sum a first n mod 5
// products one by one, then groups of five added left to right to the running sum.
inline real ddot(integer n, F1<const real> dx, integer incx, F1<const real> dy, integer incy) {
    if (n <= 0) return 0.0;
    real dtemp = 0.0;
    if (incx == 1 && incy == 1) {
        const integer m = n % 5;
        for (integer i = 1; i <= m; ++i) dtemp = dtemp + dx(i) * dy(i);
        for (integer i = m + 1; i <= n; i += 5)
            dtemp = dtemp + dx(i) * dy(i) + dx(i + 1) * dy(i + 1) + dx(i + 2) * dy(i + 2) +
                    dx(i + 3) * dy(i + 3) + dx(i + 4) * dy(i + 4);
        return dtemp;
    }
    integer ix = incx < 0 ? (1 - n) * incx + 1 : 1;
    integer iy = incy < 0 ? (1 - n) * incy + 1 : 1;
    for (integer i = 1; i <= n; ++i, ix += incx, iy += incy) dtemp = dtemp + dx(ix) * dy(iy);
    return dtemp;
}

// Euclidean norm of n entries of x taken with stride incx, by Blue's three-accumulator method:
// squares of mid-range entries are summed as they are, tiny and huge ones scaled first, so the
// result neither overflows nor underflows.
inline real dnrm2(integer n, F1<const real> x, integer incx) {
    if (n <= 0) return 0.0;
    using lim = std::numeric_limits<real>;
    const real tsml = std::ldexp(1.0, static_cast<int>(std::ceil((lim::min_exponent - 1) * 0.5)));
    const real tbig =
        std::ldexp(1.0, static_cast<int>(std::floor((lim::max_exponent - lim::digits + 1) * 0.5)));
    const real ssml =
        std::ldexp(1.0, -static_cast<int>(std::floor((lim::min_exponent - lim::digits) * 0.5)));
    const real sbig =
        std::ldexp(1.0, -static_cast<int>(std::ceil((lim::max_exponent + lim::digits - 1) * 0.5)));
    const real maxN = lim::max();
    bool notbig = true;
    real asml = 0.0, amed = 0.0, abig = 0.0;
    integer ix = incx < 0 ? 1 - (n - 1) * incx : 1;
    for (integer i = 1; i <= n; ++i, ix += incx) {
        const real ax = std::abs(x(ix));
        if (ax > tbig) {
            abig = abig + (ax * sbig) * (ax * sbig);
            notbig = false;
        } else if (ax < tsml) {
            if (notbig) asml = asml + (ax * ssml) * (ax * ssml);
        } else {
            amed = amed + ax * ax;
        }
    }
    real scl = 1.0, sumsq = 0.0;
    const bool med_used = amed > 0.0 || amed > maxN || amed != amed;
    if (abig > 0.0) {
        if (med_used) abig = abig + (amed * sbig) * sbig;
        scl = 1.0 / sbig;
        sumsq = abig;
    } else if (asml > 0.0) {
        if (med_used) {
            amed = std::sqrt(amed);
            asml = std::sqrt(asml) / ssml;
            const real ymin = asml > amed ? amed : asml, ymax = asml > amed ? asml : amed;
            scl = 1.0;
            sumsq = ymax * ymax * (1.0 + (ymin / ymax) * (ymin / ymax));
        } else {
            scl = 1.0 / ssml;
            sumsq = asml;
        }
    } else {
        sumsq = amed;
    }
    return scl * std::sqrt(sumsq);
}

// Dot product used by the Krylov solvers.
inline real distdot(integer n, F1<const real> x, integer incx, F1<const real> y, integer incy) {
    return ddot(n, x, incx, y, incy);
}

}  // namespace vetrix
