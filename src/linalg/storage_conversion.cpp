// trans_ultoc (strictly upper + diagonal + mirrored lower -> full rows) and symcmr.
#include "storage_conversion.hpp"

#include "common/array_helpers.hpp"
#include "common/stops.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

void trans_ultoc(F1<const integer> IA, F1<const integer> JA, F1<const real> AL, F1<const real> AU,
                 F1<const real> AD, F1<integer> IAC, F1<integer> JAC, F1<real> AC, integer n) {
    // 1 - an empty system cannot be converted
    if (n < 1) {
        sayf("('TRANUM.ERROR, Rows=',I6)", {n});
        stop_run();
    }
    const integer nnz = IA(n + 1) - 1;

    // 2 - row lengths: upper entries + diagonal, plus one for every entry mirrored into the row
    for (integer i = 1; i <= n; ++i) IAC(i) = IA(i + 1) - IA(i) + 1;
    for (integer k = 1; k <= 2 * nnz + n; ++k) JAC(k) = 0;  // 0 marks a free position
    for (integer i = 1; i <= n; ++i)
        for (integer k = IA(i); k < IA(i + 1); ++k) ++IAC(JA(k));
    iearrange(IAC, n);

    // 3 - diagonal and upper entries at the end of row i; each mirrored entry takes the first
    //     free position of its row, so the lower entries come out by ascending column
    for (integer i = 1; i <= n; ++i) {
        const integer nup = IA(i + 1) - IA(i);
        integer d = IAC(i + 1) - nup - 1;
        JAC(d) = i;
        AC(d) = AD(i);
        for (integer k = IA(i); k < IA(i + 1); ++k) {
            ++d;
            JAC(d) = JA(k);
            AC(d) = AU(k);
        }
        for (integer k = IA(i); k < IA(i + 1); ++k) {
            const integer j = JA(k);
            integer f = IAC(j);
            while (JAC(f) != 0) ++f;
            JAC(f) = i;
            AC(f) = AL(k);
        }
    }
}

void symcmr(F1<const integer> IAC, F1<const integer> JAC, F1<integer> IU, F1<integer> JU, integer n,
            integer& count) {
    if (n < 1) {
        if (IU.size() >= 1) IU(1) = 1;
        count = 0;
        return;
    }
    integer p = 1;  // next free position of JU
    IU(1) = 1;
    for (integer i = 1; i <= n; ++i) {
        for (integer k = IAC(i); k < IAC(i + 1); ++k)
            if (JAC(k) < i) {
                JU(p) = JAC(k);
                ++p;
            }
        IU(i + 1) = p;
    }
    count = p - 1;
}

}  // namespace vetrix
