// In-house iterations (CGS, GMRES, relaxed Gauss-Seidel), their incomplete factor and the sign
// change and diagonal scaling that prepare a system for them.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Storage names as in inhouse_kernels.hpp: full row storage IAC/JAC/AC; strictly-upper rows
// IA/JA/AN/lower/AD; in-house factor IU/JU/L/D/U (M = L U, D(i) = 1 / U(i,i)).
//
// Status ierr of the iterations: positive or zero = success; -1 iteration limit; -2 nothing to do;
// -3000 - k / -4000 - k break-down of rho / sigma at CGS iteration k; -3 break-down of GMRES or
// a zero diagonal for Gauss-Seidel.

// ---- preparation ----------------------------------------------------------------------------

// Rows with AD(i) < 0 change sign in the full row storage (diagonal included) and in B; AD stays.
void sigchange(F1<const real> AD, F1<const integer> IAC, F1<real> AC, F1<real> B, integer n);

// The same on strictly-upper rows: AN of row i, the lower values that belong to row i (entries k
// with JA(k) = i, when sym is false) and B(i) change sign; then AD(i) <- |AD(i)|.
// With sym true lower and AN are one array and only AN is touched.
void sigchangelu(F1<const integer> IA, F1<const integer> JA, F1<real> AD, F1<real> lower,
                 F1<real> AN, F1<real> B, integer n, logical sym);

// Symmetric diagonal scaling S A S, S(i) = 1/sqrt|AD(i)| (1 for a zero diagonal); B <- S B.
// AD is not changed.
void diagscale(F1<const real> AD, F1<const integer> IAC, F1<const integer> JAC, F1<real> AC,
               F1<real> B, F1<real> S, integer n);

// The same on strictly-upper rows. Zero diagonals are counted and reported in one warning line;
// on return AD holds the scaled diagonal S(i) AD(i) S(i): 1 for a positive diagonal, -1 for a
// negative one, 0 for a zero one.
void diagscalelu(F1<real> AD, F1<const integer> IA, F1<const integer> JA, F1<real> AN,
                 F1<real> lower, F1<real> B, F1<real> S, integer n, logical sym);

// ---- incomplete factor ----------------------------------------------------------------------

// Incomplete LU without fill on the pattern IU/JU (the strictly lower pattern of the structurally
// symmetric full row storage, columns ascending, row i's lower entries of AC in the same order).
// iw: n integers of scratch. Returns 0 on success; i > 0 when row i met a zero pivot and had no
// off-diagonal factor entries to size a replacement (the pivot then takes the largest |a(i,j)| of
// row i, or 1 for an empty row, and the factorisation goes on; the first such row is reported);
// -i when row i has an upper entry (i, j) whose mirror (j, i) is missing from row j's pattern
// (the factorisation stops there).
[[nodiscard]] integer ilufk1d(F1<const integer> IAC, F1<const integer> JAC, F1<const real> AC,
                              F1<const integer> IU, F1<const integer> JU, F1<real> L, F1<real> D,
                              F1<real> U, F1<integer> iw, integer n);

// ---- CGS ------------------------------------------------------------------------------------

// Preconditioned CGS on the full row storage, M = L U. x: initial guess in, solution out;
// r: right-hand side in, residual out; rt, p, u, q, xn, t: n reals each.
// ierr: k+1 after convergence at iteration k, or -1, -2, -3000-k, -4000-k.
void cgsap1d(F1<const integer> IAC, F1<const integer> JAC, F1<const real> AC, F1<const integer> IU,
             F1<const integer> JU, F1<const real> L, F1<const real> D, F1<const real> U, F1<real> x,
             F1<real> r, F1<real> rt, F1<real> p, F1<real> u, F1<real> q, F1<real> xn, F1<real> t,
             integer n, real eps, integer itmax, integer& ierr);

// The same on strictly-upper rows, with a progress report every ten iterations and up to
// itmax + 1 iterations.
void cgsap1dlu2(F1<const integer> IA, F1<const integer> JA, F1<const real> AN, F1<const real> lower,
                F1<const real> AD, F1<const integer> IU, F1<const integer> JU, F1<const real> L,
                F1<const real> D, F1<const real> U, F1<real> x, F1<real> r, F1<real> rt, F1<real> p,
                F1<real> u, F1<real> q, F1<real> xn, F1<real> t, integer n, real eps, integer itmax,
                integer& ierr);

// CGS on the full row storage preconditioned with the modified-sparse-row factor alu/jlu/ju of
// the threshold incomplete LU; arguments and ierr as cgsap1d.
void cgs_tarnd(F1<const integer> IAC, F1<const integer> JAC, F1<const real> AC,
               F1<const integer> ju, F1<const integer> jlu, F1<const real> alu, F1<real> x,
               F1<real> r, F1<real> rt, F1<real> p, F1<real> u, F1<real> q, F1<real> xn, F1<real> t,
               integer n, real eps, integer itmax, integer& ierr);

// ---- GMRES ----------------------------------------------------------------------------------

// Restarted GMRES(m) with split preconditioning L^-1 A U^-1 on the full row storage.
// x: initial guess in, solution out; r: right-hand side in, overwritten; V: n*(m+1) reals;
// w: n; h: m; H: m(m+3)/2 (packed Hessenberg); g: m+1; c, s, y: m each.
// ierr: number of restart cycles used (0 when the right-hand side is zero), -1 when itmax cycles
// ran without success, -3 when the least-squares problem became singular before convergence.
void gmresd1(F1<const integer> IAC, F1<const integer> JAC, F1<const real> AC, F1<const integer> IU,
             F1<const integer> JU, F1<const real> L, F1<const real> D, F1<const real> U, F1<real> x,
             F1<real> r, F1<real> V, F1<real> w, real eps, integer itmax, integer& ierr, integer n,
             integer m, F1<real> h, F1<real> H, F1<real> g, F1<real> c, F1<real> s, F1<real> y);

// Repacks the rotated Hessenberg columns 1..j into the packed upper triangle R, column l at
// positions (l-1)l/2 + 1 .. (l-1)l/2 + l.
void converd(F1<real> H, integer j);
// y(1..j) = R^-1 g(1..j), R packed as converd leaves it.
void retrod(F1<const real> H, integer j, F1<real> y, F1<const real> g);
// x <- x + sum_{l=1..j} y(l) V_l, V_l the l-th block of n reals of V.
void updated(F1<real> x, integer n, F1<const real> V, F1<const real> y, integer j);

// ---- Gauss-Seidel ---------------------------------------------------------------------------

// Gauss-Seidel sweeps on strictly-upper rows relaxed by 0.4 (new) / 0.6 (old); at least six
// sweeps unless itmax is smaller. xold, w: n reals. ierr 0 when the relative change reached
// 1e-8, -1 otherwise, -3 for a zero diagonal (nothing done).
void gauseilu(F1<const integer> IA, F1<const integer> JA, F1<const real> lower, F1<const real> AN,
              F1<const real> AD, F1<const real> B, F1<real> x, F1<real> xold, F1<real> w, integer n,
              integer itmax, integer& ierr);

}  // namespace vetrix
