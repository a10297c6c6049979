// Reverse-communication Krylov solvers (cg, cgnr, bcg, dbcg, bcgstab, tfqmr, fom, gmres, fgmres,
// dqgmres), their shared start, stopping and exit helpers, and the request driver runrc.
#pragma once

#include <array>

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Control and status of a solve, shared by caller and solver (16 entries each).
//   ipar(1)  in: <= 0 starts a new solve; out: request code or final status
//            requests: 1 wk(ipar(9)..) = A wk(ipar(8)..), 2 the same with A^T, 3 left
//            preconditioner, 4 its transpose, 5 right preconditioner, 6 its transpose,
//            10 convergence test by the caller (ipar(3) = 999), who sets ipar(11) = 1 when met;
//            statuses: 0 converged, -1 product limit, -2 wk too short (ipar(4) = length
//            needed), -3 break-down, -4 invalid tolerances, -9 abnormal number, -10 other stop
//   ipar(2)  preconditioning: 0 none, 1 left, 2 right, >= 3 both
//   ipar(3)  stopping test: 1 / 2 residual against the initial residual / right-hand side,
//            -1 / -2 size of the correction, 999 caller, 0 the solver's default
//   ipar(4)  length of wk        ipar(5) Krylov dimension m (<= 1 gives 15)
//   ipar(6)  product limit (<= 0 none)   ipar(7) products done
//   ipar(8), ipar(9) positions of a request's input and output vectors in wk
//   ipar(10) resume point        ipar(11) result of the caller's test
//   ipar(12) orthogonalisation error     ipar(13) products spent on restarts
//   fpar(1) relative tolerance in [0,1), fpar(2) absolute tolerance >= 0 (not both 0),
//   fpar(3) initial residual norm, fpar(4) target, fpar(5) current residual norm, fpar(6) tested
//   value, fpar(7) convergence rate, fpar(11) floating-point operation count.

// Scalars, flags and positions a solver keeps between two reverse-communication returns. One
// object per solve; runrc owns one for the solve it drives.
struct KrylovState {
    bool lp = false;                 // left preconditioning requested
    bool rp = false;                 // right preconditioning requested
    std::array<integer, 24> ints{};  // counters and wk positions (meaning per solver)
    std::array<real, 24> reals{};    // recurrence scalars (meaning per solver)
};

// Every solver has this form; wk holds all its vectors (length in ipar(4)).
using KrylovSolver = void (*)(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar,
                              F1<real> fpar, F1<real> wk, KrylovState& st);

// Required lengths of wk: cg 5n, cgnr 5n, bcg 7n, dbcg 11n, bcgstab 8n, tfqmr 11n,
// fom and gmres n(m+2) + m(m+1)/2 + 3m + 2, fgmres n(2m+2) + m(m+1)/2 + 3m + 2,
// dqgmres n + lb(2n+4) with lb = m + 1 (16 when ipar(5) <= 1).
void cg(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
        F1<real> wk, KrylovState& st);
void cgnr(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
          F1<real> wk, KrylovState& st);
void bcg(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
         F1<real> wk, KrylovState& st);
void dbcg(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
          F1<real> wk, KrylovState& st);
void bcgstab(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
             F1<real> wk, KrylovState& st);
void tfqmr(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
           F1<real> wk, KrylovState& st);
void fom(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
         F1<real> wk, KrylovState& st);
void gmres(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
           F1<real> wk, KrylovState& st);
void fgmres(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
            F1<real> wk, KrylovState& st);
void dqgmres(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
             F1<real> wk, KrylovState& st);

// Drives one solve of A x = rhs with the compressed-row matrix (a, ja, ia) and the incomplete
// factor (alu, jlu, ju) as preconditioner, printing the history and the final report.
void runrc(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
           F1<real> wk, F1<const real> a, F1<const integer> ja, F1<const integer> ia,
           F1<const real> alu, F1<const integer> jlu, F1<const integer> ju, KrylovSolver solver);

// Common start of a solve: checks the length of wk (status -2) and the tolerances (status -4 on a
// fresh start, defaults 1e-6 and 1e-16 otherwise), sets the preconditioning flags and the default
// stopping kind, clears counters and wk(1..wksize). Returns false when the solver must return.
bool bisinit(F1<integer> ipar, F1<real> fpar, integer wksize, integer dsc, bool& lp, bool& rp,
             F1<real> wk);

// Stopping test of the CG-type solvers after an iteration of mvpi products: product limit
// (status -1), then the residual r (kinds >= 0) or the correction sx * delx (kinds < 0) against
// the target. Returns true when the solver must stop.
bool stopbis(integer n, F1<integer> ipar, integer mvpi, F1<real> fpar, F1<const real> r,
             F1<const real> delx, real sx);

// Break-down test on a scalar: true (status -3 for zero, -9 for an abnormal value) when alpha
// cannot be divided by.
bool brkdn(real alpha, F1<integer> ipar);

// Exit of the CG-type solvers: final status, convergence rate, sol += update.
void tidycg(integer n, F1<integer> ipar, F1<real> fpar, F1<real> sol, F1<const real> update);

// Modified Gram-Schmidt with one re-orthogonalisation when needed: column ind of vec (leading
// dimension lda, n rows, m columns) against columns 1..ind-1 (and ind+1..m when full), the
// coefficients in hh(1..ind-1), the norm in hh(ind); ops counts the operations. ierr: 0, -1 the
// vector is zero, -2 its norm is abnormal, -3 it vanishes after the projections.
void mgsro(bool full, integer lda, integer n, integer m, integer ind, real& ops, F1<real> vec,
           F1<real> hh, integer& ierr);

// Plane rotation (c, s) with c x + s y = r, -s x + c y = 0; x becomes r >= 0.
void givens(real& x, real& y, real& c, real& s);

}  // namespace vetrix
