// roscal, coscal: row and column equilibration of a compressed-row matrix by the norms of its rows
// and columns.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Norm kinds of the scaling routines: 0 largest |a|, 1 sum of |a|, 2 Euclidean norm.

// Row scaling of the nrow rows of (a, ja, ia) in place: diag(i) = 1 / ||row i||, row i of a
// multiplied by diag(i). ierr = 0 when every row was scaled; otherwise ierr = i, the first row
// whose norm is zero, and neither a nor diag has been changed (diag may hold norms), so that the
// matrix is never left half-scaled. An unknown norm kind throws std::logic_error.
void roscal(integer nrow, integer nrm, F1<real> a, F1<const integer> ja, F1<const integer> ia,
            F1<real> diag, integer& ierr);

// Column scaling of a square matrix of nrow rows in place: diag(j) = 1 / ||column j||, every
// entry of column j multiplied by diag(j). ierr = 0, or the first column j whose norm is zero,
// with a unchanged. An unknown norm kind throws std::logic_error.
void coscal(integer nrow, integer nrm, F1<real> a, F1<const integer> ja, F1<const integer> ia,
            F1<real> diag, integer& ierr);

}  // namespace vetrix
