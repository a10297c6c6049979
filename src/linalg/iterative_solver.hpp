// iterative_solver, precond: the iterative solution of one substep system (conversion, scaling,
// preconditioning, repeated solver attempts, unscaling) and the nodal-volume preconditioner.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Solves the system of n equations assembled in strictly-upper row storage with the solver family
// chosen by isolvertype:
//   1        relaxed Gauss-Seidel on the strictly-upper rows
//   2        CGS preconditioned by nodal volumes over the diagonal
//   3        CGS on the diagonally scaled full rows
//   4, 6     GMRES(krylov) preconditioned by the incomplete LU without fill on IU/JU
//   5        GMRES(krylov) on the diagonally scaled full rows
//   100-109  cg, bcg, dbcg, cgnr, bcgstab, tfqmr, fom, gmres, fgmres, dqgmres (reverse
//            communication) on the row- and column-scaled full rows, right-preconditioned by the
//            block threshold incomplete LU (lfil, tolpre)
//   110      CGS preconditioned by the same block incomplete LU
// Any other type is a programming error (std::logic_error).
//
// Arguments (n equations, nnz = IA(n+1) - 1 strictly upper entries):
//   IA, JA        strictly upper pattern: n + 1 row pointers, nnz ascending columns
//   AL            lower values a(JA(k), i), nnz (the same storage as AN when sym is true)
//   AD, AN        diagonal (n) and upper values a(i, JA(k)) (nnz)
//   B_Load        right-hand side (n); scaled / sign-changed in place by most branches
//   Unk1          initial guess in, solution of the system as assembled out (n)
//   IU, JU        factor storage: MSR pointers (IU: n + 1, JU: n + 2 + 2 n lfil) of the Krylov
//                 branch; strictly lower pattern of the in-house factor (types 3, 4, 6; IU all 1
//                 for types 2 and 5)
//   UNl, UNu      off-diagonal factor values from the lower / upper part of the UN region
//                 (UNu: n + 2 + 2 n lfil values of the MSR factor for types 100-110)
//   UD            n reals: scaling factors (Krylov branch), preconditioner (type 2)
//   IAC, JAC, AC  full row storage (n + 1, 2 nnz + n, 2 nnz + n), rebuilt by the branches 3-6 and
//                 100-110 (JAC ends as the conversion leaves it)
//   eps, itmaxsol tolerance and iteration limit of the solver; ierr status of the last attempt
//   krylov, lfil, tolpre  Krylov dimension, fill limit and drop tolerance
//   WorkSpace     real work: 2n (type 1), 8n (types 2, 3, 110), (p+6)n + 5p + p^2 + 5 with
//                 p = max(krylov, 20) (types 4-6), the Krylov table length (types 100-109)
//   sym           1: the lower values are the upper ones
//   IE, JE, nelem_ptr, nelem, X, iElementType   incidence, node-to-element lists, coordinates
//                 (NDim per node) and element types: the nodal volumes of type 2
//   iEQNode, iEqDof  not read
//   iDofEq        NDof entries per node: equation of each nodal dof (0 = none); gives the node and
//                 dof named in the messages about a zero row, column or diagonal
//   NodT, NelT, NDof, NDim  sizes (NelT not read)
// Attempts: a failed attempt is repeated from the current solution, at most 50 attempts in all
// (type 2: 50 as assembled, then 50 on the diagonally scaled system); then the run stops with a
// message. Failures that no repetition can mend (a zero row or column, a zero diagonal for type 2
// or Gauss-Seidel, a failed incomplete factorisation, a Krylov status other than the iteration
// limit) stop the run after their message. A CGS right-hand side of zero gives the solution zero.
// Types 4 and 6 with sym true keep the lower factor in UNu(1..nnz), apart from the upper one in
// AN; types 4 to 6 use a Krylov dimension of at most n.
void iterative_solver(F1<const integer> IA, F1<const integer> JA, F1<real> AL, F1<real> AD,
                      F1<real> AN, F1<real> B_Load, F1<real> Unk1, F1<integer> IU, F1<integer> JU,
                      F1<real> UNl, F1<real> UD, F1<real> UNu, F1<integer> IAC, F1<integer> JAC,
                      F1<real> AC, real eps, integer itmaxsol, integer& ierr, integer n,
                      integer krylov, integer lfil, real tolpre, F1<real> WorkSpace,
                      integer isolvertype, logical sym, F1<const integer> IE, F1<const integer> JE,
                      F1<const integer> nelem_ptr, F1<const integer> nelem, F1<const real> X,
                      F1<const integer> iEQNode, F1<const integer> iEqDof, F1<const integer> iDofEq,
                      F1<const integer> iElementType, integer NodT, integer NelT, integer NDof,
                      integer NDim);

// Nodal volumes: for every node, V = a quarter of the volume of each adjacent element of type 1
// (the tetrahedron of its first four nodes), summed; UD(q) = V for the first four dofs of the node
// with an equation q, 1.0 for its other dofs or when V = 0. Elements with fewer than four nodes,
// and every element when NDim < 3, add no volume. Equations of no node keep their UD value.
void precond(F1<const integer> IE, F1<const integer> JE, F1<const integer> nelem_ptr,
             F1<const integer> nelem, F1<const real> X, F1<const integer> iDofEq,
             F1<const integer> iElementType, integer NodT, integer NDof, integer NDim, F1<real> UD);

// Node and dof of equation eq found in iDofEq (NDof entries per node); 0 and 0 if none has it.
void equation_place(F1<const integer> iDofEq, integer NodT, integer NDof, integer eq, integer& node,
                    integer& dof);

}  // namespace vetrix
