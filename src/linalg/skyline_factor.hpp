// triansim, trianns, forwback: sparse L·D·U factorisation without pivoting of a matrix with
// symmetric pattern held in strictly-upper row storage, and the solution with its factor.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Input system of order n, strictly-upper row storage:
//   IA(1..n+1)  row pointers, IA(1) = 1; row i occupies positions IA(i) .. IA(i+1)-1.
//   JA          column numbers, every one greater than its row, ascending within a row.
//   AU          upper values A(i, JA(k)) at the positions of JA.
//   AL          lower values A(JA(k), i) at the same positions; AU itself when symmetric.
//   AD(1..n)    diagonal.
// Factor of order n on the same convention:
//   IU(1..n+1), JU   strictly-upper pattern of U (pattern of A plus fill-in).
//   UN          U(i, JU(k)) of the unit upper factor.
//   UL          L(JU(k), i) of the unit lower factor (the rows of L transposed); UN itself
//               when symmetric.
//   DI(1..n)    the diagonal D.

// Symbolic factorisation (elimination-tree row merge, George & Liu). Row i of U is the pattern
// of row i of A joined with the rows of U whose smallest column is i, without column i. Rows
// waiting for column j are kept in circular linked lists held in work(1..n): for an unfinished
// column j, work(j) is the last member of its list; for a finished row l, work(l) is the member
// that follows l in its list. IU(j) with j > i serves as the "column seen in row i" marker.
// Writes IU(1..n+1) and JU (columns of a row in discovery order, not sorted) and returns
// LJU = number of entries + 1. JU needs room for every entry (at most the skyline length).
void triansim(F1<const integer> IA, F1<const integer> JA, F1<integer> IU, F1<integer> JU,
              F1<integer> work, integer n, integer& LJU);

// Numeric factorisation A = L·D·U, row by row: Gustavson's row-oriented sparse elimination
// (the up-looking form of Doolittle's method), the rows that reach column i found through
// linked lists instead of a search.
// The columns of every row of JU must be ascending. DI(i..n) is the dense accumulator of row i
// of U and XL(i..n) of row i of L transposed; XL is used only when sym is false. IP and IUP are
// n-entry work vectors: IP holds the linked lists (as work in triansim), IUP(l) the position of
// the next entry of row l still to be used. When sym is true UL and XL may be the same storage
// as UN and DI and are not written. No pivoting: a zero pivot gives infinite or NaN values.
void trianns(F1<const integer> IA, F1<const integer> JA, F1<const real> AU, F1<const real> AL,
             F1<const real> AD, F1<const integer> IU, F1<const integer> JU, F1<real> UN,
             F1<real> UL, F1<real> DI, F1<real> XL, F1<integer> IP, F1<integer> IUP, integer n,
             bool sym);

// Solves L·D·U·X = B with the factor of trianns; B is not changed. For a symmetric factor UL
// is UN.
void forwback(F1<const integer> IU, F1<const integer> JU, F1<const real> DI, F1<const real> UN,
              F1<const real> UL, F1<const real> B, F1<real> X, integer n);

}  // namespace vetrix
