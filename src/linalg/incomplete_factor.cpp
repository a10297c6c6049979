// ilufk1d: incomplete LU factorisation without fill (ILU(0)) on the in-house factor storage.
#include <algorithm>
#include <cmath>

#include "linalg/inhouse_solvers.hpp"

namespace vetrix {

// ILU(0) in the row-by-row (Crout-like) order of Saad, "Iterative Methods for Sparse Linear
// Systems", 10.3: row i computes its pivot u(i,i) = a(i,i) - sum_c L(i,c) U(c,i), then for every
// upper neighbour j the entries u(i,j) and l(j,i) that lie on the pattern. A pivot that is tiny
// against the row's new entries is replaced by sqrt(2^-53 mL mU), keeping the factor bounded.
integer ilufk1d(F1<const integer> IAC, F1<const integer> JAC, F1<const real> AC,
                F1<const integer> IU, F1<const integer> JU, F1<real> L, F1<real> D, F1<real> U,
                F1<integer> iw, integer n) {
    constexpr real unit_roundoff = 1.1102230246251565e-16;  // 2^-53
    constexpr real row_max_start = 0.0;
    // iw(c), c < i: position of column c in row i's pattern, 0 when c is not in it.
    // iw(j), j > i: position of column i in row j's pattern, for the upper neighbours j of row i.
    // All zero between rows.
    for (integer c = 1; c <= n; ++c) iw(c) = 0;
    integer status = 0;

    for (integer i = 1; i <= n; ++i) {
        // 1 - mark row i's pattern; s = sum_c L(i,c) U(c,i)
        real s = 0.0;
        for (integer k = IU(i); k < IU(i + 1); ++k) {
            iw(JU(k)) = k;
            s += U(k) * L(k);
        }
        // 2 - the diagonal follows the lower entries of row i
        const integer pd = IAC(i) + (IU(i + 1) - IU(i));
        const real d = AC(pd) - s;
        real mL = row_max_start;
        real mU = row_max_start;

        // 3 - u(i,j) and the unscaled l(j,i) for every upper entry (i, j)
        for (integer pos = pd + 1; pos < IAC(i + 1); ++pos) {
            const integer j = JAC(pos);
            real sigma_u = 0.0;
            real sigma_l = 0.0;
            integer kstar = 0;
            for (integer kj = IU(j); kj < IU(j + 1); ++kj) {
                const integer c = JU(kj);
                if (c == i) {
                    kstar = kj;
                    break;
                }
                if (c < i && iw(c) > 0) {
                    sigma_u += U(kj) * L(iw(c));  // L(i,c) U(c,j)
                    sigma_l += U(iw(c)) * L(kj);  // L(j,c) U(c,i)
                }
            }
            if (kstar == 0) {  // the pattern is not structurally symmetric
                for (integer c = 1; c <= n; ++c) iw(c) = 0;
                return -i;
            }
            U(kstar) = AC(pos) - sigma_u;
            L(kstar) = AC(IAC(j) + (kstar - IU(j))) - sigma_l;  // a(j,i) has kstar's rank in row j
            mU = std::max(mU, std::abs(U(kstar)));
            mL = std::max(mL, std::abs(L(kstar)));
            iw(j) = kstar;
        }

        // 4 - pivot with its safeguard
        const real t = unit_roundoff * mL * mU;
        if (t > d * d) {
            D(i) = (d < 0.0 ? -1.0 : 1.0) / std::sqrt(t);
        } else if (d != 0.0) {
            D(i) = 1.0 / d;
        } else {
            // A zero pivot with no new entries to measure it by: take the scale of row i of A.
            real row_max = 0.0;
            for (integer k = IAC(i); k < IAC(i + 1); ++k)
                row_max = std::max(row_max, std::abs(AC(k)));
            D(i) = 1.0 / (row_max > 0.0 ? row_max : 1.0);
            if (status == 0) status = i;
        }

        // 5 - l(j,i) = (a(j,i) - sigma) / u(i,i); clear the neighbour positions
        for (integer pos = pd + 1; pos < IAC(i + 1); ++pos) {
            const integer j = JAC(pos);
            L(iw(j)) *= D(i);
            iw(j) = 0;
        }
        // 6 - clear row i's marks
        for (integer k = IU(i); k < IU(i + 1); ++k) iw(JU(k)) = 0;
    }
    return status;
}

}  // namespace vetrix
