// asigreal, asigint, inireal, inient, compressvect, spanvect, dirasig, iearrange, trascomp.
#include "array_helpers.hpp"

namespace vetrix {

void asigreal(F1<real> a, F1<const real> b, integer n) {
    for (integer i = 1; i <= n; ++i) a(i) = b(i);
}

void asigint(F1<integer> a, F1<const integer> b, integer n) {
    for (integer i = 1; i <= n; ++i) a(i) = b(i);
}

void inireal(F1<real> a, integer n, real value) {
    for (integer i = 1; i <= n; ++i) a(i) = value;
}

void inient(F1<integer> a, integer n, integer value) {
    for (integer i = 1; i <= n; ++i) a(i) = value;
}

void compressvect(F1<const integer> inode, F1<const integer> idof, F1<real> v, F1<const real> w,
                  integer n, integer ndof) {
    for (integer i = 1; i <= n; ++i) v(i) = w(ndof * (inode(i) - 1) + idof(i));
}

void spanvect(F1<const integer> inode, F1<const integer> idof, F1<const real> v, F1<real> w,
              integer n, integer ndof) {
    for (integer i = 1; i <= n; ++i) w(ndof * (inode(i) - 1) + idof(i)) = v(i);
}

void dirasig(F1<real> ad, F1<real> b, F1<const real> values, F1<const integer> kind,
             F1<const integer> ieq, integer n) {
    for (integer i = 1; i <= n; ++i) {
        if (kind(i) < 0) {
            b(ieq(i)) = values(i);
            ad(ieq(i)) = 1.0;
        } else if (kind(i) > 0) {
            b(ieq(i)) = 0.0;
        }
    }
}

integer iearrange(F1<integer> a, integer n) {
    integer next = 1;  // pointer of the group about to start
    for (integer i = 1; i <= n; ++i) {
        const integer count = a(i);
        a(i) = next;
        next += count;
    }
    a(n < 1 ? 1 : n + 1) = next;
    return next - 1;
}

void trascomp(F1<const integer> IA, F1<const integer> JA, F1<integer> IAT, F1<integer> JAT,
              integer N, integer M) {
    if (N < 1) {
        IAT(1) = 1;
        return;
    }
    // 1 - count the entries of each column j < N at IAT(j + 2)
    for (integer i = 1; i <= N + 1; ++i) IAT(i) = 0;
    for (integer i = 1; i <= M; ++i)
        for (integer k = IA(i); k < IA(i + 1); ++k) {
            const integer j = JA(k);
            if (j < N) ++IAT(j + 2);
        }
    // 2 - prefix sums: IAT(j + 1) becomes the start of column j
    IAT(1) = 1;
    IAT(2) = 1;
    for (integer i = 3; i <= N + 1; ++i) IAT(i) += IAT(i - 1);
    // 3 - fill rows in order; IAT(j + 1) advances to the start of column j + 1
    for (integer i = 1; i <= M; ++i)
        for (integer k = IA(i); k < IA(i + 1); ++k) {
            const integer j = JA(k);
            JAT(IAT(j + 1)) = i;
            ++IAT(j + 1);
        }
}

}  // namespace vetrix
