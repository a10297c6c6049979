// Vector and sparse kernels of the in-house iterations: products, triangular sweeps, updates,
// norms.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Storages met here (all 1-based):
//  - compressed rows ia(1..n+1), ja, a: row i holds a(k) in column ja(k), k = ia(i)..ia(i+1)-1;
//    the full row storage IAC/JAC/AC (lower entries, diagonal, upper entries) is one of them.
//  - strictly-upper rows IA(1..n+1), JA, AN, lower, AD: AN(k) = a(i, JA(k)) with JA(k) > i,
//    lower(k) = a(JA(k), i) (the same array as AN for a symmetric matrix), AD the diagonal.
//  - in-house factor IU(1..n+1), JU, L, D, U: row i's pattern k = IU(i)..IU(i+1)-1 lists columns
//    JU(k) < i; L(k) = L(i, JU(k)) of a unit lower L, U(k) = U(JU(k), i) (U stored by columns),
//    D(i) = 1 / U(i, i). An empty pattern (IU all 1) leaves only the diagonal.

// Sparse product on compressed rows; d is read by modes 1 and 4 only.
//   mode 1: one stored triangle of a symmetric matrix, y = d.x + (T + T^t) x
//   mode 2: y = A x            mode 3: y = y + A^t x        mode 4: y = d.x + A x
// n <= 0 or another mode prints " SPMULT.ERROR" with n and mode and stops the run.
void spmul2d(F1<const integer> ia, F1<const integer> ja, F1<const real> a, F1<const real> d,
             F1<const real> x, F1<real> y, integer n, integer mode);

// The same on strictly-upper rows. Modes 1 to 4 read IA/JA/AN with AD as the diagonal, exactly as
// spmul2d does; mode 6 is the whole non-symmetric matrix: y = AD.x + (upper + lower) x.
void spmul2dlu(F1<const integer> IA, F1<const integer> JA, F1<const real> AN, F1<const real> lower,
               F1<const real> AD, F1<const real> x, F1<real> y, integer n, integer mode);

// Forward sweep by rows in place: flag != 1 solves L x = b with the unit lower L;
// flag = 1 also multiplies each new x(i) by D(i).
void fwsrowd(F1<const integer> IU, F1<const integer> JU, F1<const real> L, F1<const real> D,
             integer flag, F1<real> x, integer n);

// Backward sweep by columns in place, i = n..1: x(i) <- D(i) x(i) when flag = 1, then the column
// i of U is eliminated from the rows above. With flag = 1 it solves U x = b.
void bwscold(F1<const integer> IU, F1<const integer> JU, F1<const real> U, F1<const real> D,
             integer flag, F1<real> x, integer n);

// mode 1: x <- s x + y;  mode 2: y <- y + s x;  mode 3: z <- s x + y.
// Another mode prints "SCTXPY/ERROR: KRES DEBE SER 1,2 O 3" and stops the run.
void sctxpyd(real s, F1<real> x, F1<real> y, F1<real> z, integer n, integer mode);

// mode 1: x <- x + y; 2: y <- y + x; 3: z <- x + y; -1: x <- x - y; -2: y <- x - y;
// -3: z <- x - y; other modes leave everything as it is.
void xplusyd(F1<real> x, F1<real> y, F1<real> z, integer n, integer mode);

// mode 1: x <- a x + b y; 2: y <- a x + b y; 3: z <- a x + b y; other modes do nothing.
void axplbyd(real a, F1<real> x, real b, F1<real> y, F1<real> z, integer n, integer mode);

// x <- s x
void sctimxd(real s, F1<real> x, integer n);
// x . y (0 for n < 1)
real scprodd(F1<const real> x, F1<const real> y, integer n);
// ||x||_2
real rnorm2d(F1<const real> x, integer n);
// ||x - y||_2
real enorm2d(F1<const real> x, F1<const real> y, integer n);
// y <- x
void copvecd(F1<const real> x, F1<real> y, integer n);
// flag > 0: x(index(i)) <- value, i = 1..n; otherwise x(1..n) <- value.
void putvald(F1<real> x, integer n, real value, integer flag, F1<const integer> index);

}  // namespace vetrix
