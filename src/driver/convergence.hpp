// subrelajar, convers, conver, xupdate: relaxation, the substep and outer convergence tests with
// their screen tables, and the coordinate update from the solution.
#pragma once

#include <string>

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Under-relaxation New = (1 - w) Old + w New at every position k = 1..NTotDof whose idoftype(k)
// is not negative; prescribed positions (idoftype < 0) keep their value.
void subrelajar(F1<real> New, F1<const real> Old, real w, F1<const integer> idoftype,
                integer NTotDof);

// Convergence test of substep s after its count-th solve (count is the substep count, already
// raised for this iteration by the caller). For each dof d the error is the largest
// |(SolSub - Sol) / rnorm(d)| over the nodes; the test passes when no error exceeds tol(d).
// Prints the substep tables at report steps (istep mod NPrint = 0) and from count 15 on.
// Sets converged to 1 or 0; on convergence count is set back to 0. A non-iterative substep
// always converges. A failing test with count > maxiter stops the run after the
// non-convergence prompt. dofnames holds the NDof names of the substep.
void convers(F1<const real> SolSub, F1<const real> Sol, integer NDof, integer NodT,
             F1<const real> rnorm, F1<const real> tol, logical iterative, integer maxiter,
             F1<const std::string> dofnames, logical& converged, integer NPrint, integer istep,
             integer s, integer& count);

// Outer convergence test after the count-th outer pass: as convers with Sol against SolIter,
// and its table also shows the node of each largest change (0 when nothing changed). When
// iterativeg is 0 it reports convergence at once and prints nothing.
void conver(F1<const real> Sol, F1<const real> SolIter, integer NDof, integer NodT,
            F1<const real> rnormg, F1<const real> tolg, logical iterativeg, integer maxiterg,
            F1<const std::string> dofnamesg, logical& converged, integer NPrint, integer istep,
            integer& count);

// Coordinate update from the nodal vector V, for each coordinate c with j = flags(c):
// j < 0 replaces X(c, i) by dof |j| of node i, j > 0 adds dof j of node i, j = 0 leaves it.
// A flag outside -NDof..NDof is reported and stops the run before any coordinate changes.
void xupdate(F1<real> X, F1<const real> V, integer NodT, integer NDof, integer NDim,
             F1<const integer> flags);

// Largest scaled change of each dof between two nodal vectors: err(d) = max over nodes i of
// |(New(k) - Old(k)) / scale(d)|, k = (i - 1) NDof + d, starting from 0 (a 0/0 never raises
// it, a change over a zero scale makes it infinite). node(d) is the first node at which the
// running maximum rose for the last time, 0 when no change exceeded 0.
void largest_changes(F1<const real> New, F1<const real> Old, integer NDof, integer NodT,
                     F1<const real> scale, F1<real> err, F1<integer> node);

}  // namespace vetrix
