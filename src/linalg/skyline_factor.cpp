// triansim (pattern of U with fill-in), trianns (numeric L·D·U, no pivoting), forwback (solve).
#include "skyline_factor.hpp"

#include <algorithm>

namespace vetrix {

namespace {

// Circular linked lists of rows waiting for a column, all in one vector `lists`. A column j
// that is not finished yet owns lists(j): 0 when its list is empty, otherwise its last member.
// A row l that is finished owns lists(l): the member after l in the list holding it. Both uses
// share the vector because every row enters a list only after its own column is done.
// Row `row` joins the list of column `col` (col > row) right after the last member, so it
// becomes the first member met by the next walk; the last member stays the same.
inline void join_list(F1<integer> lists, integer col, integer row) {
    const integer last = lists(col);
    if (last == 0) {
        lists(col) = row;
        lists(row) = row;
    } else {
        lists(row) = lists(last);
        lists(last) = row;
    }
}

// Asks the cache for the first entries of positions from..to-1 of a factor row that is about to
// be used; the rows of a list lie far apart in memory, so the hardware prefetcher misses them.
inline void prefetch_row(F1<const integer> cols, F1<const real> vals, integer from, integer to) {
    const integer len = std::min(to - from, integer{48});
    for (integer r = 0; r < len; r += 8) {
        __builtin_prefetch(&vals(from + r));
        if (r % 16 == 0) __builtin_prefetch(&cols(from + r));
    }
}

// acc(cols(r)) -= vals(r) * t, r = 1..len: one row of the factor updates the dense accumulator.
// Unrolled so that the loads of several independent updates are in flight together; the order
// of the updates, and so the rounding, is that of the plain loop.
inline void scatter_update(F1<real> acc, F1<const integer> cols, F1<const real> vals, integer len,
                           real t) {
#pragma GCC unroll 4
    for (integer r = 1; r <= len; ++r) acc(cols(r)) -= vals(r) * t;
}

// Two accumulators updated from two rows sharing the same columns (the unsymmetric case).
inline void scatter_update2(F1<real> acc, F1<real> accl, F1<const integer> cols,
                            F1<const real> vals, F1<const real> valsl, integer len, real tl,
                            real t) {
#pragma GCC unroll 4
    for (integer r = 1; r <= len; ++r) {
        const integer j = cols(r);
        acc(j) -= vals(r) * tl;
        accl(j) -= valsl(r) * t;
    }
}

// sum of vals(r) * x(cols(r)), r = 1..len, summed in order.
inline real gather_dot(F1<const real> x, F1<const integer> cols, F1<const real> vals, integer len) {
    real s = 0.0;
    for (integer r = 1; r <= len; ++r) s += vals(r) * x(cols(r));
    return s;
}

}  // namespace

void triansim(F1<const integer> IA, F1<const integer> JA, F1<integer> IU, F1<integer> JU,
              F1<integer> work, integer n, integer& LJU) {
    if (n < 1) {
        if (IU.size() >= 1) IU(1) = 1;
        LJU = 1;
        return;
    }
    // 1 - clear the pointers (they serve as column markers until set) and the list heads
    for (integer i = 1; i <= n + 1; ++i) IU(i) = 0;
    for (integer j = 1; j <= n; ++j) work(j) = 0;
    integer p = 1;  // next free position of JU

    for (integer i = 1; i <= n - 1; ++i) {
        const integer s = p;
        const integer full = s + n - i;  // row i holds at most the n - i columns i+1..n
        integer m = n + 1;               // smallest column of row i

        // 2 - the columns of row i of A; IU(j) = i marks column j as taken
        for (integer k = IA(i); k < IA(i + 1); ++k) {
            const integer j = JA(k);
            JU(p) = j;
            ++p;
            IU(j) = i;
            if (j < m) m = j;
        }

        // 3 - merge the rows of U whose smallest column is i, first member first
        IU(i) = i;  // the diagonal column is never taken
        if (work(i) != 0) {
            const integer last = work(i);
            integer l = work(last);
            for (;;) {
                const integer end = (l == i - 1) ? s : IU(l + 1);  // IU(i) is still a marker
                for (integer k = IU(l); k < end; ++k) {
                    const integer j = JU(k);
                    if (IU(j) != i) {
                        JU(p) = j;
                        ++p;
                        IU(j) = i;
                        if (j < m) m = j;
                    }
                }
                if (l == last || p == full) break;
                l = work(l);
            }
        }

        // 4 - a row with columns waits in the list of its smallest column
        if (m != n + 1) join_list(work, m, i);
        IU(i) = s;
    }
    // 5 - the last row has no strictly upper entries
    IU(n) = p;
    IU(n + 1) = p;
    LJU = p;
}

void trianns(F1<const integer> IA, F1<const integer> JA, F1<const real> AU, F1<const real> AL,
             F1<const real> AD, F1<const integer> IU, F1<const integer> JU, F1<real> UN,
             F1<real> UL, F1<real> DI, F1<real> XL, F1<integer> IP, F1<integer> IUP, integer n,
             bool sym) {
    // IP: linked lists of rows waiting for a column (see join_list); all zero at the start.
    // IUP(l): position in JU of the next entry of finished row l not yet used.
    for (integer j = 1; j <= n; ++j) {
        IP(j) = 0;
        IUP(j) = 0;
    }

    for (integer i = 1; i <= n; ++i) {
        const integer row_start = IU(i);
        const integer row_end = IU(i + 1);

        // 1 - clear the accumulators at the columns of row i of U
        for (integer k = row_start; k < row_end; ++k) DI(JU(k)) = 0.0;
        if (!sym)
            for (integer k = row_start; k < row_end; ++k) XL(JU(k)) = 0.0;

        // 2 - scatter row i of A (and column i of A below the diagonal)
        for (integer k = IA(i); k < IA(i + 1); ++k) DI(JA(k)) = AU(k);
        if (!sym)
            for (integer k = IA(i); k < IA(i + 1); ++k) XL(JA(k)) = AL(k);
        DI(i) = AD(i);

        // 3 - every finished row l with an entry in column i: scale that entry by D(l) and
        //     subtract L(i,l)·D(l)·U(l,j) (and D(l)·L(j,l)·U(l,i) from the lower row)
        if (IP(i) != 0) {
            const integer last = IP(i);
            integer l = IP(last);
            for (;;) {
                const integer next = IP(l);  // read before l moves to another list
                const integer q = IUP(l);    // JU(q) = i
                const integer rest = IU(l + 1) - (q + 1);
                if (l != last) prefetch_row(JU, UN, IUP(next), IU(next + 1));
                const real u = UN(q);
                const real dl = DI(l);
                if (sym) {
                    const real t = u / dl;  // U(l,i) = L(i,l)
                    DI(i) -= u * t;
                    UN(q) = t;
                    scatter_update(DI, JU.section(q + 1, rest), UN.section(q + 1, rest), rest, t);
                } else {
                    const real w = UL(q);
                    const real t = u / dl;   // U(l,i)
                    const real tl = w / dl;  // L(i,l)
                    DI(i) -= u * tl;
                    UN(q) = t;
                    UL(q) = tl;
                    scatter_update2(DI, XL, JU.section(q + 1, rest), UN.section(q + 1, rest),
                                    UL.section(q + 1, rest), rest, tl, t);
                }
                IUP(l) = q + 1;
                if (rest > 0) join_list(IP, JU(q + 1), l);
                if (l == last) break;
                l = next;
            }
        }

        // 4 - gather row i (values still carry D(i); they are scaled when later rows use them)
        for (integer k = row_start; k < row_end; ++k) UN(k) = DI(JU(k));
        if (!sym)
            for (integer k = row_start; k < row_end; ++k) UL(k) = XL(JU(k));
        if (row_end > row_start) join_list(IP, JU(row_start), i);

        // 5 - row i is used from its first entry on
        IUP(i) = row_start;
    }
}

void forwback(F1<const integer> IU, F1<const integer> JU, F1<const real> DI, F1<const real> UN,
              F1<const real> UL, F1<const real> B, F1<real> X, integer n) {
    // 1 - X = B
    for (integer i = 1; i <= n; ++i) X(i) = B(i);

    // 2 - X = D^-1 L^-1 X, column by column of L
    for (integer i = 1; i <= n; ++i) {
        const real t = X(i);
        const integer len = IU(i + 1) - IU(i);
        scatter_update(X, JU.section(IU(i), len), UL.section(IU(i), len), len, t);
        X(i) = t / DI(i);
    }

    // 3 - X = U^-1 X, row by row of U
    for (integer i = n - 1; i >= 1; --i) {
        const integer len = IU(i + 1) - IU(i);
        X(i) -= gather_dot(X, JU.section(IU(i), len), UN.section(IU(i), len), len);
    }
}

}  // namespace vetrix
