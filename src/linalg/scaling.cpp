// roscal, coscal: row and column equilibration of a compressed-row matrix.
#include "linalg/scaling.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace vetrix {

namespace {

void check_kind(integer nrm) {
    if (nrm < 0 || nrm > 2) throw std::logic_error("scaling: norm kind must be 0, 1 or 2");
}

// Adds |t| to the running norm acc in the way kind nrm accumulates it.
inline void accumulate(integer nrm, real& acc, real t) {
    if (nrm == 0) {
        acc = std::max(acc, std::abs(t));
    } else if (nrm == 1) {
        acc += std::abs(t);
    } else {
        acc += t * t;
    }
}

// Turns accumulated norms into scale factors; returns the first zero index, 0 if none.
integer invert_norms(integer nrm, integer count, F1<real> diag) {
    for (integer i = 1; i <= count; ++i) {
        if (diag(i) == 0.0) return i;
    }
    for (integer i = 1; i <= count; ++i) {
        diag(i) = 1.0 / (nrm == 2 ? std::sqrt(diag(i)) : diag(i));
    }
    return 0;
}

}  // namespace

void roscal(integer nrow, integer nrm, F1<real> a, F1<const integer> ja, F1<const integer> ia,
            F1<real> diag, integer& ierr) {
    (void)ja;
    check_kind(nrm);
    // 1 - row norms
    for (integer i = 1; i <= nrow; ++i) {
        real acc = 0.0;
        for (integer k = ia(i); k < ia(i + 1); ++k) accumulate(nrm, acc, a(k));
        diag(i) = acc;
    }
    // 2 - factors, or the first zero row with the matrix untouched
    ierr = invert_norms(nrm, nrow, diag);
    if (ierr != 0) return;
    // 3 - a(i, :) *= diag(i)
    for (integer i = 1; i <= nrow; ++i) {
        for (integer k = ia(i); k < ia(i + 1); ++k) a(k) *= diag(i);
    }
}

void coscal(integer nrow, integer nrm, F1<real> a, F1<const integer> ja, F1<const integer> ia,
            F1<real> diag, integer& ierr) {
    check_kind(nrm);
    // 1 - column norms
    for (integer j = 1; j <= nrow; ++j) diag(j) = 0.0;
    for (integer i = 1; i <= nrow; ++i) {
        for (integer k = ia(i); k < ia(i + 1); ++k) accumulate(nrm, diag(ja(k)), a(k));
    }
    // 2 - factors, or the first zero column with the matrix untouched
    ierr = invert_norms(nrm, nrow, diag);
    if (ierr != 0) return;
    // 3 - a(:, j) *= diag(j)
    for (integer i = 1; i <= nrow; ++i) {
        for (integer k = ia(i); k < ia(i + 1); ++k) a(k) *= diag(ja(k));
    }
}

}  // namespace vetrix
