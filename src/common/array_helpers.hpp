// Whole-array helpers (copy, fill, gather, scatter, Dirichlet rows) and the pointer-array builders
// iearrange (counts -> pointers) and trascomp (pattern transpose, also used to sort columns).
#pragma once

#include "types.hpp"
#include "views.hpp"

namespace vetrix {

// a(i) = b(i), i = 1..n
void asigreal(F1<real> a, F1<const real> b, integer n);
void asigint(F1<integer> a, F1<const integer> b, integer n);
// a(i) = value, i = 1..n
void inireal(F1<real> a, integer n, real value);
void inient(F1<integer> a, integer n, integer value);
// v(i) = w(ndof*(inode(i)-1) + idof(i)): gathers a nodal array into n unknowns.
void compressvect(F1<const integer> inode, F1<const integer> idof, F1<real> v, F1<const real> w,
                  integer n, integer ndof);
// w(ndof*(inode(i)-1) + idof(i)) = v(i): scatters n unknowns back into a nodal array.
void spanvect(F1<const integer> inode, F1<const integer> idof, F1<const real> v, F1<real> w,
              integer n, integer ndof);
// Prescribed rows: kind(i) < 0 -> b(ieq(i)) = values(i), ad(ieq(i)) = 1; kind(i) > 0 ->
// b(ieq(i)) = 0; kind(i) = 0 -> nothing. i = 1..n nodal positions.
void dirasig(F1<real> ad, F1<real> b, F1<const real> values, F1<const integer> kind,
             F1<const integer> ieq, integer n);

// Counts to pointers. On entry a(1..n) hold counts (a has n + 1 entries); on return a(1) = 1 and
// a(i + 1) = a(i) + count(i). Returns the sum of the counts; n < 1 gives a(1) = 1 and 0.
integer iearrange(F1<integer> a, integer n);

// Transposes the pattern of an M-row matrix with columns 1..N: IAT (N + 1 pointers) and JAT
// (the row numbers of each column, ascending). Values are not carried; two transposes in a row
// therefore sort the columns of every row.
void trascomp(F1<const integer> IA, F1<const integer> JA, F1<integer> IAT, F1<integer> JAT,
              integer N, integer M);

}  // namespace vetrix
