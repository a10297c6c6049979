// ilut, lusol, lutsol, qsplit: Saad's threshold incomplete LU and the triangular solves with it.
#include "linalg/ilut.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vetrix {

void qsplit(F1<real> a, F1<integer> ind, integer n, integer ncut) {
    // partial quick-sort by magnitude: only the part holding position ncut is split further
    if (ncut < 1 || ncut > n) return;
    integer first = 1;
    integer last = n;
    for (;;) {
        integer mid = first;
        const real key = std::abs(a(first));
        for (integer j = first + 1; j <= last; ++j) {
            if (std::abs(a(j)) > key) {
                ++mid;
                std::swap(a(mid), a(j));
                std::swap(ind(mid), ind(j));
            }
        }
        std::swap(a(mid), a(first));
        std::swap(ind(mid), ind(first));
        if (mid == ncut) return;
        if (mid > ncut) {
            last = mid - 1;
        } else {
            first = mid + 1;
        }
    }
}

void ilut(integer n, F1<const real> a, F1<const integer> ja, F1<const integer> ia, integer lfil,
          real droptol, F1<real> alu, F1<integer> jlu, F1<integer> ju, integer iwk, F1<real> w,
          F1<integer> jw, integer& ierr, integer ncol) {
    if (ncol < n) ncol = n;
    // 1 - checks and set-up; jw(ncol + c) is zero for every column between rows
    if (lfil < 0) {
        ierr = -4;
        return;
    }
    integer ju0 = n + 2;  // next free position of alu/jlu
    jlu(1) = ju0;
    for (integer c = 1; c <= ncol; ++c) jw(ncol + c) = 0;

    for (integer ii = 1; ii <= n; ++ii) {
        const integer j1 = ia(ii);
        const integer j2 = ia(ii + 1) - 1;

        // 2.1 - mean absolute value of the row
        real tnorm = 0.0;
        for (integer k = j1; k <= j2; ++k) tnorm += std::abs(a(k));
        if (tnorm == 0.0) {
            ierr = -5;
            return;
        }
        tnorm /= static_cast<real>(j2 - j1 + 1);

        // 2.2 - unpack the row: lower part at 1..lenl, diagonal at ii, upper part from ii + 1
        integer lenu = 1;
        integer lenl = 0;
        jw(ii) = ii;
        w(ii) = 0.0;
        jw(ncol + ii) = ii;
        for (integer k = j1; k <= j2; ++k) {
            const integer c = ja(k);
            const real t = a(k);
            if (c < 1 || c > ncol) {
                // a column outside the indicator: clear what this row has set and give up
                for (integer p = 1; p <= lenl; ++p) jw(ncol + jw(p)) = 0;
                for (integer p = ii; p <= ii + lenu - 1; ++p) jw(ncol + jw(p)) = 0;
                ierr = -1;
                return;
            }
            if (c < ii) {
                ++lenl;
                jw(lenl) = c;
                w(lenl) = t;
                jw(ncol + c) = lenl;
            } else if (c == ii) {
                w(ii) = t;
            } else {
                ++lenu;
                const integer p = ii + lenu - 1;
                jw(p) = c;
                w(p) = t;
                jw(ncol + c) = p;
            }
        }

        // 2.3 - eliminate the lower entries in increasing column order
        integer jj = 0;
        integer len = 0;
        while (jj + 1 <= lenl) {
            ++jj;
            // smallest column among jj..lenl moves to jj
            integer jrow = jw(jj);
            integer kmin = jj;
            for (integer k = jj + 1; k <= lenl; ++k) {
                if (jw(k) < jrow) {
                    jrow = jw(k);
                    kmin = k;
                }
            }
            if (kmin != jj) {
                std::swap(jw(jj), jw(kmin));
                jw(ncol + jrow) = jj;
                jw(ncol + jw(kmin)) = kmin;
                std::swap(w(jj), w(kmin));
            }
            jw(ncol + jrow) = 0;

            // l = a(ii,jrow) / u(jrow,jrow), dropped when small in absolute terms
            const real fact = w(jj) * alu(jrow);
            if (std::abs(fact) <= droptol) continue;

            // row ii -= l * (upper part of row jrow)
            for (integer k = ju(jrow); k <= jlu(jrow + 1) - 1; ++k) {
                const real s = fact * alu(k);
                const integer c = jlu(k);
                const integer pos = jw(ncol + c);
                if (c >= ii) {
                    if (pos == 0) {
                        ++lenu;
                        if (lenu > ncol) {
                            ierr = -1;
                            return;
                        }
                        const integer p = ii + lenu - 1;
                        jw(p) = c;
                        jw(ncol + c) = p;
                        w(p) = -s;
                    } else {
                        w(pos) -= s;
                    }
                } else {
                    if (pos == 0) {
                        ++lenl;
                        if (lenl > ncol) {
                            ierr = -1;
                            return;
                        }
                        jw(lenl) = c;
                        jw(ncol + c) = lenl;
                        w(lenl) = -s;
                    } else {
                        w(pos) -= s;
                    }
                }
            }
            // kept multipliers are compacted at the front
            ++len;
            w(len) = fact;
            jw(len) = jrow;
        }

        // 2.4 - the upper columns leave the indicator
        for (integer k = 1; k <= lenu; ++k) jw(ncol + jw(ii + k - 1)) = 0;

        // 2.5 - keep the lfil largest multipliers
        lenl = len;
        len = std::min(lenl, lfil);
        qsplit(w, jw, lenl, len);
        for (integer k = 1; k <= len; ++k) {
            if (ju0 > iwk) {
                ierr = -2;
                return;
            }
            alu(ju0) = w(k);
            jlu(ju0) = jw(k);
            ++ju0;
        }
        ju(ii) = ju0;

        // 2.6 - drop small upper entries relative to the row's mean absolute value
        len = 0;
        for (integer k = 1; k <= lenu - 1; ++k) {
            if (std::abs(w(ii + k)) > droptol * tnorm) {
                ++len;
                w(ii + len) = w(ii + k);
                jw(ii + len) = jw(ii + k);
            }
        }
        lenu = len + 1;

        // 2.7 - keep the largest upper entries: len - 1 of them, at most lfil - 1
        len = std::min(lenu, lfil);
        qsplit(w.section(ii + 1), jw.section(ii + 1), lenu - 1, len);
        if (len + ju0 > iwk) {
            ierr = -3;
            return;
        }
        for (integer k = ii + 1; k <= ii + len - 1; ++k) {
            jlu(ju0) = jw(k);
            alu(ju0) = w(k);
            ++ju0;
        }

        // 2.8 - pivot; a zero one is replaced by a small multiple of the row's size
        if (w(ii) == 0.0) w(ii) = (9.999999747378752e-05 + droptol) * tnorm;
        alu(ii) = 1.0 / w(ii);
        jlu(ii + 1) = ju0;
    }
    ierr = 0;
}

void lusol(integer n, F1<const real> y, F1<real> x, F1<const real> alu, F1<const integer> jlu,
           F1<const integer> ju) {
    // x = L^-1 y
    for (integer i = 1; i <= n; ++i) {
        real t = y(i);
        for (integer k = jlu(i); k <= ju(i) - 1; ++k) t -= alu(k) * x(jlu(k));
        x(i) = t;
    }
    // x = U^-1 x
    for (integer i = n; i >= 1; --i) {
        real t = x(i);
        for (integer k = ju(i); k <= jlu(i + 1) - 1; ++k) t -= alu(k) * x(jlu(k));
        x(i) = alu(i) * t;
    }
}

void lutsol(integer n, F1<const real> y, F1<real> x, F1<const real> alu, F1<const integer> jlu,
            F1<const integer> ju) {
    for (integer i = 1; i <= n; ++i) x(i) = y(i);
    // x = U^-T x
    for (integer i = 1; i <= n; ++i) {
        x(i) *= alu(i);
        for (integer k = ju(i); k <= jlu(i + 1) - 1; ++k) x(jlu(k)) -= x(i) * alu(k);
    }
    // x = L^-T x
    for (integer i = n; i >= 1; --i) {
        for (integer k = jlu(i); k <= ju(i) - 1; ++k) x(jlu(k)) -= x(i) * alu(k);
    }
}

}  // namespace vetrix
