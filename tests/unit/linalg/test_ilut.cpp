// Tests of ilut, lusol and lutsol on small matrices with hand-checked results.
#include <gtest/gtest.h>

#include <algorithm>

#include "linalg_test_support.hpp"

using namespace vetrix;
using test::Csr;
using test::Dense;
using test::Ints;
using test::Vec;

namespace {

using Factor = test::IlutFactor;
using test::ilut_factor;

// Pivot, then the (column, value) pairs of row i.
std::vector<std::pair<integer, real>> row(const Factor& f, integer i) {
    std::vector<std::pair<integer, real>> r{{i, f.alu[i - 1]}};
    for (integer k = f.jlu[i - 1]; k < f.jlu[i]; ++k) r.push_back({f.jlu[k - 1], f.alu[k - 1]});
    return r;
}

}  // namespace

TEST(Ilut, HandCheckedFactors) {
    const real small = 9.999999747378752e-05;
    const Dense m3(3, {2, -1, 3, 5, 4, -1, 1, 7, 8});
    const struct {
        const char* name;
        Dense a;
        int keep_zero_diag;
        integer lfil;
        real droptol;
        Vec inverse_pivots;
        Ints off_diagonal_per_row;
    } cases[] = {
        // lfil 0 keeps the diagonal only
        {"lfil 0", m3, 0, 0, 0.0, {0.5, 0.25, 0.125}, {0, 0, 0}},
        // multiplier 0.5 / 2 = 0.25: dropped at droptol 0.25, kept below it
        {"L at tol", Dense(2, {2, 0, 0.5, 1}), 0, 3, 0.25, {0.5, 1.0}, {0, 0}},
        {"L below tol", Dense(2, {2, 0, 0.5, 1}), 0, 3, 0.125, {0.5, 1.0}, {0, 1}},
        // upper entry 1 against 0.5 x mean |row 1| = 0.5 x 2: dropped; kept at 0.25
        {"U at tol", Dense(2, {3, 1, 0, 1}), 0, 3, 0.5, {1 / 3.0, 1.0}, {0, 0}},
        {"U above tol", Dense(2, {3, 1, 0, 1}), 0, 3, 0.25, {1 / 3.0, 1.0}, {1, 0}},
        // zero pivot: (1e-4 + droptol) x mean |row 1| (a stored zero diagonal counts in the mean)
        {"zero pivot", Dense(2, {0, 2, 2, 1}), 1, 2, 0.0, {1 / small, 0}, {1, 1}},
        {"zero pivot, unstored", Dense(2, {0, 2, 2, 1}), 0, 2, 0.0, {1 / (2 * small), 0}, {1, 1}},
        {"zero pivot, tol", Dense(2, {0, 2, 2, 1}), 1, 2, 0.5, {1 / (small + 0.5), 0}, {1, 1}},
    };
    for (const auto& c : cases) {
        const Factor f = ilut_factor(test::csr(c.a, c.keep_zero_diag == 1), c.lfil, c.droptol);
        ASSERT_EQ(f.ierr, 0) << c.name;
        for (integer i = 1; i <= c.a.n; ++i) {
            if (c.inverse_pivots[i - 1] != 0.0) {
                EXPECT_DOUBLE_EQ(f.alu[i - 1], c.inverse_pivots[i - 1]) << c.name << " row " << i;
            }
            EXPECT_EQ(f.jlu[i] - f.jlu[i - 1], c.off_diagonal_per_row[i - 1])
                << c.name << " row " << i;
        }
    }
}

TEST(Ilut, FillLimitKeepsLargestEntries) {
    // row 1 has four upper candidates: lfil 3 keeps the two largest, lfil 4 three, lfil 5 all
    const Csr m = test::csr(Dense(5, {10, 1, -4, 3, 2, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0,  //
                                      0,  0, 0,  1, 0, 0, 0, 0, 0, 1}));
    Factor f = ilut_factor(m, 3, 0.0);
    ASSERT_EQ(f.ierr, 0);
    Ints cols(f.jlu.begin() + f.ju[0] - 1, f.jlu.begin() + f.jlu[1] - 1);
    std::sort(cols.begin(), cols.end());
    EXPECT_EQ(cols, (Ints{3, 4}));
    EXPECT_EQ(ilut_factor(m, 4, 0.0).jlu[1] - f.ju[0], 3);
    EXPECT_EQ(ilut_factor(m, 5, 0.0).jlu[1] - f.ju[0], 4);
}

TEST(Ilut, ErrorCodes) {
    const Csr ok = test::csr(Dense(3, {4, 1, 1, 1, 4, 1, 1, 1, 4}));
    EXPECT_EQ(ilut_factor(test::csr(Dense(3, {4, 1, 0, 0, 0, 0, 0, 1, 4})), 2, 0.0).ierr, -5);
    EXPECT_EQ(ilut_factor(ok, -1, 0.0).ierr, -4);
    // lower triangular: rows 1..3 end at position 8, the three multipliers of row 4 need
    // 9..11 and the upper test of row 4 asks for 12 + 1
    const Csr lower = test::csr(Dense(4, {4, 0, 0, 0, 1, 4, 0, 0, 1, 1, 4, 0, 1, 1, 1, 4}));
    EXPECT_EQ(ilut_factor(lower, 3, 0.0, 10).ierr, -2);
    EXPECT_EQ(ilut_factor(lower, 3, 0.0, 12).ierr, -3);
    EXPECT_EQ(ilut_factor(lower, 3, 0.0, 13).ierr, 0);
    Csr bad = ok;
    bad.ja[1] = 9;  // column outside the indicator
    EXPECT_EQ(ilut_factor(bad, 3, 0.0).ierr, -1);
}

TEST(Ilut, RowsWithColumnsBeyondTheBlockMatchTheWholeFactor) {
    // the first two rows alone (columns up to 5 treated as upper) give the same rows as the
    // factor of the whole matrix; the row buffer must not overwrite the column indicator
    const Csr whole = test::csr(Dense(5, {4, 1, 1, 1, 1, 1, 5, 1, 1, 1, 1, 1, 6, 0, 0,  //
                                          1, 1, 0, 7, 0, 1, 1, 0, 0, 8}));
    Csr top = whole;
    top.n = 2;
    top.ia.resize(3);
    const Factor fw = ilut_factor(whole, 5, 0.0), ft = ilut_factor(top, 5, 0.0, 0, 5);
    ASSERT_TRUE(fw.ierr == 0 && ft.ierr == 0);
    for (integer i = 1; i <= 2; ++i) EXPECT_EQ(row(ft, i), row(fw, i)) << "row " << i;
}

// lusol and lutsol invert the product L U of the factor read back densely; with lfil n, L U = A.
TEST(Ilut, SolvesInvertTheExplicitProduct) {
    const integer n = 5;
    const Dense a(n,
                  {5, -1, 2, 0, 1, 1, 6, -2, 1, 0, -1, 2, 7, 1, 3, 0, 1, -3, 8, 1, 2, 0, 1, -1, 9});
    const Vec x = {1, -2, 3, 0.5, -1};
    for (integer lfil : {1, n}) {
        SCOPED_TRACE(lfil);
        const Factor f = ilut_factor(test::csr(a), lfil, lfil == n ? 0.0 : 0.05);
        ASSERT_EQ(f.ierr, 0);
        Dense L(n), U(n), LU(n);
        for (integer i = 1; i <= n; ++i) {
            L(i, i) = 1.0;
            U(i, i) = 1.0 / f.alu[i - 1];
            for (integer k = f.jlu[i - 1]; k < f.jlu[i]; ++k) {
                const integer c = f.jlu[k - 1];
                EXPECT_EQ(k < f.ju[i - 1], c < i) << "row " << i << " position " << k;
                (c < i ? L : U)(i, c) = f.alu[k - 1];
            }
        }
        for (integer i = 1; i <= n; ++i)
            for (integer j = 1; j <= n; ++j)
                for (integer k = 1; k <= n; ++k) LU(i, j) += L(i, k) * U(k, j);
        Vec out(n), y(n, 0.0), yt(n, 0.0);
        for (integer i = 1; i <= n; ++i)
            for (integer j = 1; j <= n; ++j) {
                y[i - 1] += LU(i, j) * x[j - 1];
                yt[j - 1] += LU(i, j) * x[i - 1];
            }
        lusol(n, y, out, f.alu, f.jlu, f.ju);
        EXPECT_LT(test::distance(out, x), 1e-12);
        lutsol(n, yt, out, f.alu, f.jlu, f.ju);
        EXPECT_LT(test::distance(out, x), 1e-12);
        if (lfil == n) {
            EXPECT_LT(test::distance(LU.v, a.v), 1e-12);
        }
    }
}
