// ddot, dnrm2, distdot: the level-1 BLAS dot product and Euclidean norm from the system library.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

// Fortran entry points of the reference BLAS (arguments by address, 32-bit integers).
extern "C" {
double ddot_(const int* n, const double* dx, const int* incx, const double* dy, const int* incy);
double dnrm2_(const int* n, const double* x, const int* incx);
}

namespace vetrix {

// x . y over n entries taken with strides incx and incy.
inline real ddot(integer n, F1<const real> dx, integer incx, F1<const real> dy, integer incy) {
    if (n <= 0) return 0.0;
    return ddot_(&n, dx.data(), &incx, dy.data(), &incy);
}

// Euclidean norm of n entries of x taken with stride incx.
inline real dnrm2(integer n, F1<const real> x, integer incx) {
    if (n <= 0) return 0.0;
    return dnrm2_(&n, x.data(), &incx);
}

// Dot product used by the Krylov solvers.
inline real distdot(integer n, F1<const real> x, integer incx, F1<const real> y, integer incy) {
    return ddot(n, x, incx, y, incy);
}

}  // namespace vetrix
