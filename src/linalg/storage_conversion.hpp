// trans_ultoc (strictly-upper row storage to full row storage) and symcmr (strictly-lower
// pattern of a full row storage).
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Full row storage of the system of order n held as IA/JA (strictly upper pattern, n + 1 row
// pointers), AU (upper values), AL (lower values A(JA(k), i) at the same positions) and AD:
//   IAC(1..n+1)          row pointers, IAC(1) = 1, IAC(n+1) = 2*nnz + n + 1 (nnz = IA(n+1) - 1).
//   JAC, AC (2*nnz + n)  every row holds its lower entries (ascending columns), its diagonal
//                        (always present, also when zero), then its upper entries in JA order.
// n < 1 prints "TRANUM.ERROR, Rows=" with n and stops the run.
void trans_ultoc(F1<const integer> IA, F1<const integer> JA, F1<const real> AL, F1<const real> AU,
                 F1<const real> AD, F1<integer> IAC, F1<integer> JAC, F1<real> AC, integer n);

// Copies the columns smaller than the row of every row of IAC/JAC, in storage order, into
// IU(1..n+1)/JU; count = number of entries copied (0 when n < 1).
void symcmr(F1<const integer> IAC, F1<const integer> JAC, F1<integer> IU, F1<integer> JU, integer n,
            integer& count);

}  // namespace vetrix
