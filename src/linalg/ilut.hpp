// ilut, lusol, lutsol, qsplit: threshold incomplete LU in modified sparse rows and its solves.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Modified sparse row factor (alu, jlu, ju) of n rows, A ~ L U with unit lower L:
//   alu(i), i = 1..n    reciprocal of the pivot U(i,i);
//   jlu(1) = n + 2;     row i's off-diagonal entries lie at positions jlu(i) .. jlu(i+1)-1,
//                       column jlu(k), value alu(k);
//   ju(i)               first position of row i's strictly upper part: positions jlu(i) .. ju(i)-1
//                       hold the multipliers of L (columns < i), ju(i) .. jlu(i+1)-1 the entries of
//                       U (columns > i), each part in selection order, not sorted.

// Incomplete LU with threshold and fill limit (Saad's ILUT). Input: n rows in compressed rows
// (a, ja, ia), any column order; ia may point into larger arrays and columns may exceed n (they
// count as upper entries). Multipliers with |l| <= droptol are dropped; upper entries with
// |u| <= droptol times the row's mean absolute value are dropped; at most lfil multipliers and
// lfil - 1 upper entries are kept per row, the largest. A zero pivot becomes
// (1e-4 + droptol) times the row's mean absolute value. iwk is the capacity of alu and jlu.
// Work: w, ncol + 1 reals (the row being eliminated); jw, 2 ncol integers: jw(1..ncol) columns
// matching w, jw(ncol + c) the position of column c in w (0 = absent; cleared on entry, left
// clear on success). ncol is the largest column number the rows may hold (n by default).
// ierr: 0 done; -1 a row's count overflows or a column lies outside 1..ncol; -2 no room for L;
// -3 no room for U; -4 lfil < 0; -5 a row whose entries are all zero.
void ilut(integer n, F1<const real> a, F1<const integer> ja, F1<const integer> ia, integer lfil,
          real droptol, F1<real> alu, F1<integer> jlu, F1<integer> ju, integer iwk, F1<real> w,
          F1<integer> jw, integer& ierr, integer ncol = 0);

// x = (L U)^-1 y.
void lusol(integer n, F1<const real> y, F1<real> x, F1<const real> alu, F1<const integer> jlu,
           F1<const integer> ju);

// x = (L U)^-T y.
void lutsol(integer n, F1<const real> y, F1<real> x, F1<const real> alu, F1<const integer> jlu,
            F1<const integer> ju);

// Reorders a(1..n) and ind(1..n) together so that a(1..ncut) hold the ncut entries of largest
// absolute value, a(ncut) the smallest of them; nothing happens unless 1 <= ncut <= n.
void qsplit(F1<real> a, F1<integer> ind, integer n, integer ncut);

}  // namespace vetrix
