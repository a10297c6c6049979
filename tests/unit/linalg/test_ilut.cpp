// Tests of ilut, lusol, lutsol, qsplit, amux and atmux on small matrices with hand-checked results.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "linalg/ilut.hpp"
#include "linalg/sparse_products.hpp"

using namespace vetrix;

namespace {

// Compressed rows (1-based) from a dense row-major matrix, zeros left out unless keep_zero_diag.
struct Csr {
    integer n = 0;
    std::vector<real> a;
    std::vector<integer> ja, ia;
};
Csr csr(integer n, const std::vector<real>& d, bool keep_zero_diag = false) {
    Csr m;
    m.n = n;
    m.ia.push_back(1);
    for (integer i = 1; i <= n; ++i) {
        for (integer j = 1; j <= n; ++j) {
            const real v = d[(i - 1) * n + (j - 1)];
            if (v != 0.0 || (keep_zero_diag && i == j)) {
                m.a.push_back(v);
                m.ja.push_back(j);
            }
        }
        m.ia.push_back(static_cast<integer>(m.a.size()) + 1);
    }
    return m;
}

struct Factor {
    std::vector<real> alu;
    std::vector<integer> jlu, ju;
    integer ierr = 99;
};
Factor factor(const Csr& m, integer lfil, real droptol, integer iwk = 0, integer ncol = 0) {
    const integer nc = std::max(m.n, ncol);
    if (iwk == 0) iwk = m.n + 2 + 2 * m.n * (lfil + 1);
    Factor f;
    f.alu.assign(iwk, -7.0);
    f.jlu.assign(iwk, -7);
    f.ju.assign(m.n, -7);
    std::vector<real> w(nc + 1);
    std::vector<integer> jw(2 * nc, 5);  // the indicator is cleared on entry
    ilut(m.n, m.a, m.ja, m.ia, lfil, droptol, f.alu, f.jlu, f.ju, iwk, w, jw, f.ierr, ncol);
    return f;
}

// Dense L (unit) and U of an MSR factor with n rows.
void dense_lu(integer n, const Factor& f, std::vector<real>& L, std::vector<real>& U) {
    L.assign(n * n, 0.0);
    U.assign(n * n, 0.0);
    for (integer i = 1; i <= n; ++i) {
        L[(i - 1) * n + i - 1] = 1.0;
        U[(i - 1) * n + i - 1] = 1.0 / f.alu[i - 1];
        for (integer k = f.jlu[i - 1]; k < f.jlu[i]; ++k) {
            const integer c = f.jlu[k - 1];
            (k < f.ju[i - 1] ? L : U)[(i - 1) * n + c - 1] = f.alu[k - 1];
            EXPECT_EQ(k < f.ju[i - 1], c < i) << "row " << i << " position " << k;
        }
    }
}

std::vector<real> matmul(integer n, const std::vector<real>& A, const std::vector<real>& B) {
    std::vector<real> C(n * n, 0.0);
    for (integer i = 0; i < n; ++i)
        for (integer k = 0; k < n; ++k)
            for (integer j = 0; j < n; ++j) C[i * n + j] += A[i * n + k] * B[k * n + j];
    return C;
}

}  // namespace

TEST(Ilut, TridiagonalFactorHasHandComputedLayout) {
    const Csr m = csr(3, {4, 1, 0, 1, 4, 1, 0, 1, 4});
    const Factor f = factor(m, 2, 0.0);
    ASSERT_EQ(f.ierr, 0);
    const real u22 = 4.0 - 0.25;
    const real u33 = 4.0 - 1.0 / u22;
    EXPECT_EQ(std::vector<integer>(f.jlu.begin(), f.jlu.begin() + 8),
              (std::vector<integer>{5, 6, 8, 9, 2, 1, 3, 2}));
    EXPECT_EQ(f.ju, (std::vector<integer>{5, 7, 9}));
    EXPECT_DOUBLE_EQ(f.alu[0], 0.25);
    EXPECT_DOUBLE_EQ(f.alu[1], 1.0 / u22);
    EXPECT_DOUBLE_EQ(f.alu[2], 1.0 / u33);
    EXPECT_DOUBLE_EQ(f.alu[4], 1.0);         // U(1,2)
    EXPECT_DOUBLE_EQ(f.alu[5], 0.25);        // L(2,1)
    EXPECT_DOUBLE_EQ(f.alu[6], 1.0);         // U(2,3)
    EXPECT_DOUBLE_EQ(f.alu[7], 1.0 / u22);   // L(3,2)
}

TEST(Ilut, FillLimitZeroKeepsTheDiagonalOnly) {
    const Csr m = csr(3, {2, -1, 3, 5, 4, -1, 1, 7, 8});
    const Factor f = factor(m, 0, 0.0);
    ASSERT_EQ(f.ierr, 0);
    for (integer i = 1; i <= 4; ++i) EXPECT_EQ(f.jlu[i - 1], 5);
    EXPECT_EQ(f.ju, (std::vector<integer>{5, 5, 5}));
    EXPECT_DOUBLE_EQ(f.alu[0], 0.5);
    EXPECT_DOUBLE_EQ(f.alu[1], 0.25);
    EXPECT_DOUBLE_EQ(f.alu[2], 0.125);
}

TEST(Ilut, DropTestsAreInclusiveAtTheTolerance) {
    struct Case {
        std::vector<real> dense;
        real droptol;
        integer entries_row2;  // off-diagonal entries stored for row 2 (row 1 for upper)
        integer row;
    };
    const std::vector<Case> cases = {
        // multiplier 0.5 / 2 = 0.25: dropped at droptol 0.25, kept below it
        {{2, 0, 0.5, 1}, 0.25, 0, 2},
        {{2, 0, 0.5, 1}, 0.125, 1, 2},
        // upper entry 1 against 0.5 x mean |row 1| = 0.5 x 2: dropped; kept at 0.25
        {{3, 1, 0, 1}, 0.5, 0, 1},
        {{3, 1, 0, 1}, 0.25, 1, 1},
    };
    for (const Case& c : cases) {
        const Factor f = factor(csr(2, c.dense), 3, c.droptol);
        ASSERT_EQ(f.ierr, 0);
        EXPECT_EQ(f.jlu[c.row] - f.jlu[c.row - 1], c.entries_row2) << "droptol " << c.droptol;
    }
}

TEST(Ilut, FillLimitKeepsLargestEntries) {
    // row 1 has four upper candidates: lfil 3 keeps the two largest, lfil 5 all four
    const Csr m = csr(5, {10, 1, -4, 3, 2,  0, 1, 0, 0, 0,  0, 0, 1, 0, 0,  0, 0, 0, 1, 0,
                          0, 0, 0, 0, 1});
    Factor f = factor(m, 3, 0.0);
    ASSERT_EQ(f.ierr, 0);
    std::vector<integer> cols(f.jlu.begin() + f.ju[0] - 1, f.jlu.begin() + f.jlu[1] - 1);
    std::sort(cols.begin(), cols.end());
    EXPECT_EQ(cols, (std::vector<integer>{3, 4}));
    f = factor(m, 5, 0.0);
    EXPECT_EQ(f.jlu[1] - f.ju[0], 4);
    f = factor(m, 4, 0.0);  // exactly lfil candidates: lfil - 1 are kept
    EXPECT_EQ(f.jlu[1] - f.ju[0], 3);
}

TEST(Ilut, ZeroPivotIsReplaced) {
    struct Case {
        std::vector<real> dense;
        bool keep_zero_diag;
        real droptol;
        real pivot;
    };
    const real small = 9.999999747378752e-05;
    const std::vector<Case> cases = {
        {{0, 2, 2, 1}, true, 0.0, small * 1.0},      // mean |row 1| = 2 / 2
        {{0, 2, 2, 1}, false, 0.0, small * 2.0},     // no stored diagonal: mean = 2 / 1
        {{0, 2, 2, 1}, true, 0.5, (small + 0.5) * 1.0},
    };
    for (const Case& c : cases) {
        const Factor f = factor(csr(2, c.dense, c.keep_zero_diag), 2, c.droptol);
        ASSERT_EQ(f.ierr, 0);
        EXPECT_DOUBLE_EQ(f.alu[0], 1.0 / c.pivot);
    }
}

TEST(Ilut, ErrorCodes) {
    const Csr ok = csr(3, {4, 1, 1, 1, 4, 1, 1, 1, 4});
    EXPECT_EQ(factor(csr(3, {4, 1, 0, 0, 0, 0, 0, 1, 4}), 2, 0.0).ierr, -5);  // zero row
    EXPECT_EQ(factor(ok, -1, 0.0).ierr, -4);
    // lower triangular: rows 1..3 end at position 8, the three multipliers of row 4 need
    // 9..11 and the upper test of row 4 asks for 12 + 1
    const Csr lower = csr(4, {4, 0, 0, 0, 1, 4, 0, 0, 1, 1, 4, 0, 1, 1, 1, 4});
    EXPECT_EQ(factor(lower, 3, 0.0, 10).ierr, -2);
    EXPECT_EQ(factor(lower, 3, 0.0, 12).ierr, -3);
    EXPECT_EQ(factor(lower, 3, 0.0, 13).ierr, 0);
    EXPECT_EQ(factor(ok, 3, 0.0, 7).ierr, -3);  // U of row 1 asks for 3 positions beyond 5
    Csr bad = ok;
    bad.ja[1] = 9;  // column outside the indicator
    EXPECT_EQ(factor(bad, 3, 0.0).ierr, -1);
}

TEST(Ilut, RowsWithColumnsBeyondTheBlockMatchTheWholeFactor) {
    // the first two rows alone (columns up to 5 treated as upper) give the same rows as the
    // factor of the whole matrix; the row buffer must not overwrite the column indicator
    const std::vector<real> d = {4, 1, 1, 1, 1,  1, 5, 1, 1, 1,  1, 1, 6, 0, 0,  1, 1, 0, 7, 0,
                                 1, 1, 0, 0, 8};
    const Csr whole = csr(5, d);
    Csr top = whole;
    top.n = 2;
    top.ia.resize(3);
    const Factor fw = factor(whole, 5, 0.0);
    const Factor ft = factor(top, 5, 0.0, 0, 5);
    ASSERT_EQ(fw.ierr, 0);
    ASSERT_EQ(ft.ierr, 0);
    for (integer i = 1; i <= 2; ++i) {
        EXPECT_DOUBLE_EQ(ft.alu[i - 1], fw.alu[i - 1]);
        ASSERT_EQ(ft.jlu[i] - ft.jlu[i - 1], fw.jlu[i] - fw.jlu[i - 1]);
        for (integer k = 0; k < ft.jlu[i] - ft.jlu[i - 1]; ++k) {
            EXPECT_EQ(ft.jlu[ft.jlu[i - 1] - 1 + k], fw.jlu[fw.jlu[i - 1] - 1 + k]);
            EXPECT_DOUBLE_EQ(ft.alu[ft.jlu[i - 1] - 1 + k], fw.alu[fw.jlu[i - 1] - 1 + k]);
        }
    }
}

TEST(Ilut, SolvesInvertTheExplicitProduct) {
    // an incomplete factor (lfil 1, dropping) and an exact one (lfil n)
    const integer n = 5;
    const std::vector<real> d = {5, -1, 2, 0, 1,  1, 6, -2, 1, 0,  -1, 2, 7, 1, 3,
                                 0, 1, -3, 8, 1,  2, 0, 1, -1, 9};
    for (integer lfil : {1, 2, n}) {
        const Factor f = factor(csr(n, d), lfil, lfil == n ? 0.0 : 0.05);
        ASSERT_EQ(f.ierr, 0);
        std::vector<real> L, U;
        dense_lu(n, f, L, U);
        const std::vector<real> LU = matmul(n, L, U);
        const std::vector<real> x = {1, -2, 3, 0.5, -1};
        std::vector<real> y(n, 0.0), yt(n, 0.0), out(n);
        for (integer i = 0; i < n; ++i)
            for (integer j = 0; j < n; ++j) {
                y[i] += LU[i * n + j] * x[j];
                yt[j] += LU[i * n + j] * x[i];
            }
        lusol(n, y, out, f.alu, f.jlu, f.ju);
        for (integer i = 0; i < n; ++i) EXPECT_NEAR(out[i], x[i], 1e-12) << "lfil " << lfil;
        lutsol(n, yt, out, f.alu, f.jlu, f.ju);
        for (integer i = 0; i < n; ++i) EXPECT_NEAR(out[i], x[i], 1e-12) << "lfil " << lfil;
        if (lfil == n) {
            for (integer k = 0; k < n * n; ++k) EXPECT_NEAR(LU[k], d[k], 1e-12);
        }
    }
}

TEST(Qsplit, LargestMagnitudesComeFirst) {
    struct Case {
        std::vector<real> a;
        integer ncut;
    };
    const std::vector<Case> cases = {
        {{1, -9, 3, 7, -2, 5}, 3}, {{1, -9, 3, 7, -2, 5}, 1}, {{1, -9, 3, 7, -2, 5}, 6},
        {{4, 4, -4, 1}, 2},        {{2, 1}, 0},              {{2, 1}, 3},
    };
    for (const Case& c : cases) {
        std::vector<real> a = c.a;
        const integer n = static_cast<integer>(a.size());
        std::vector<integer> ind(n);
        for (integer i = 0; i < n; ++i) ind[i] = i + 1;
        qsplit(a, ind, n, c.ncut);
        for (integer i = 0; i < n; ++i) EXPECT_EQ(a[i], c.a[ind[i] - 1]);  // moved together
        if (c.ncut < 1 || c.ncut > n) {
            EXPECT_EQ(a, c.a);
            continue;
        }
        std::vector<real> mags(n);
        for (integer i = 0; i < n; ++i) mags[i] = std::abs(c.a[i]);
        std::sort(mags.rbegin(), mags.rend());
        EXPECT_EQ(std::abs(a[c.ncut - 1]), mags[c.ncut - 1]);
        for (integer i = 0; i < c.ncut; ++i) EXPECT_GE(std::abs(a[i]), mags[c.ncut - 1]);
        for (integer i = c.ncut; i < n; ++i) EXPECT_LE(std::abs(a[i]), mags[c.ncut - 1]);
    }
}

TEST(SparseProducts, MatchDenseProducts) {
    const integer n = 4;
    const std::vector<real> d = {1, 0, 2, 0,  0, 3, 0, -1,  4, 0, 5, 0,  0, -2, 0, 6};
    const Csr m = csr(n, d);
    const std::vector<real> x = {1, 2, -1, 3};
    std::vector<real> y(n, 9.0), yt(n, 9.0);
    amux(n, x, y, m.a, m.ja, m.ia);
    atmux(n, x, yt, m.a, m.ja, m.ia);
    for (integer i = 0; i < n; ++i) {
        real s = 0.0, st = 0.0;
        for (integer j = 0; j < n; ++j) {
            s += d[i * n + j] * x[j];
            st += d[j * n + i] * x[j];
        }
        EXPECT_DOUBLE_EQ(y[i], s);
        EXPECT_DOUBLE_EQ(yt[i], st);
    }
}
