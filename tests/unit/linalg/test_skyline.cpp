// Tests of triansim/trianns/forwback against a dense L·D·U, and of trans_ultoc/symcmr layouts.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/array_helpers.hpp"
#include "common/stops.hpp"
#include "linalg/skyline_factor.hpp"
#include "linalg/storage_conversion.hpp"
#include "linalg_test_support.hpp"

using namespace vetrix;
using test::Dense;
using test::Ints;
using test::Vec;

namespace {

// Dense A = L·D·U without pivoting, in place: d(i,i) = D, d(i,j) = U (j > i), L (j < i).
Dense dense_ldu(Dense a) {
    for (integer k = 1; k <= a.n; ++k)
        for (integer i = k + 1; i <= a.n; ++i) {
            const real l = a(i, k) / a(k, k);
            for (integer j = k + 1; j <= a.n; ++j) a(i, j) -= l * a(k, j);
            a(i, k) = l;
        }
    for (integer k = 1; k <= a.n; ++k)
        for (integer j = k + 1; j <= a.n; ++j) a(k, j) /= a(k, k);
    return a;
}

// Symmetric pattern with random density; values symmetric or not, diagonally dominant.
Dense random_matrix(integer n, real density, bool sym, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<real> v(-1.0, 1.0), u(0.0, 1.0);
    Dense a(n);
    for (integer i = 1; i <= n; ++i)
        for (integer j = i + 1; j <= n; ++j)
            if (u(gen) < density) {
                a(i, j) = v(gen);
                a(j, i) = sym ? a(i, j) : v(gen);
            }
    for (integer i = 1; i <= n; ++i) {
        real r = 1.0;
        for (integer j = 1; j <= n; ++j) r += std::fabs(a(i, j)) + std::fabs(a(j, i));
        a(i, i) = r;
    }
    return a;
}

// triansim, columns sorted by two transpositions, trianns, forwback; returns the factor size.
integer check_against_dense(const Dense& a, bool sym) {
    const integer n = a.n;
    const auto s = test::upper_rows(a);
    Ints IU(n + 1, -7), JU(n * (n - 1) / 2 + 1, -7), work(n, -7), iup(n, -7), it(n + 1),
        jt(JU.size());
    integer LJU = 0;
    triansim(s.IA, s.JA, IU, JU, work, n, LJU);
    trascomp(IU, JU, it, jt, n, n);
    trascomp(it, jt, IU, JU, n, n);
    Vec UN(LJU, 9.9), UL(LJU, 9.9), DI(n, 9.9), XL(n, 9.9);
    trianns(s.IA, s.JA, s.AN, sym ? s.AN : s.lower, s.AD, IU, JU, UN, sym ? UN : UL, DI,
            sym ? DI : XL, work, iup, n, sym);
    const Vec& ul = sym ? UN : UL;
    const Dense d = dense_ldu(a);
    for (integer i = 1; i <= n; ++i) {
        EXPECT_NEAR(DI[i - 1], d(i, i), 1e-12 * std::fabs(d(i, i)));
        std::vector<bool> in(n + 1, false);
        for (integer k = IU[i - 1]; k < IU[i]; ++k) {
            const integer j = JU[k - 1];
            EXPECT_TRUE(j > i && (k == IU[i - 1] || JU[k - 2] < j)) << "columns ascending";
            in[j] = true;
            EXPECT_NEAR(UN[k - 1], d(i, j), 1e-12) << i << "," << j;
            EXPECT_NEAR(ul[k - 1], d(j, i), 1e-12) << j << "," << i;
        }
        for (integer j = i + 1; j <= n; ++j)
            EXPECT_TRUE(in[j] || (d(i, j) == 0.0 && d(j, i) == 0.0)) << i << "," << j;
    }
    Vec b(n), x(n, 0.0);
    for (integer i = 0; i < n; ++i) b[i] = std::sin(1.0 + i);
    const Vec b0 = b;
    forwback(IU, JU, DI, UN, ul, b, x, n);
    EXPECT_EQ(b, b0) << "right-hand side changed";
    EXPECT_LT(test::distance(test::multiply(a, x), b), 1e-13 * n);
    return LJU - 1;
}

}  // namespace

// Random patterns, a tridiagonal matrix (no fill), an arrow with full first row and column (U
// fills completely), identity rows between coupled ones, and n = 1.
TEST(Skyline, FactorMatchesDenseLdu) {
    for (const bool sym : {true, false}) {
        SCOPED_TRACE(sym ? "symmetric" : "non-symmetric");
        unsigned seed = sym ? 11 : 21;
        for (const auto& [n, density] : {std::pair{2, 1.0}, {12, 0.25}, {40, 0.08}, {60, 0.03}})
            check_against_dense(random_matrix(n, density, sym, seed++), sym);
        Dense tri(30), arrow(40), fixed = random_matrix(9, 0.6, sym, 5), one(1, {4.0});
        for (integer i = 1; i <= 30; ++i) {
            tri(i, i) = 4.0;
            if (i > 1) tri(i, i - 1) = -1.0, tri(i - 1, i) = sym ? -1.0 : 0.5;
        }
        for (integer i = 1; i <= 40; ++i) {
            arrow(i, i) = 80.0;
            if (i > 1) arrow(1, i) = 1.0, arrow(i, 1) = sym ? 1.0 : 0.5;
        }
        for (integer p : {1, 5, 9})
            for (integer j = 1; j <= 9; ++j) fixed(p, j) = fixed(j, p) = (p == j) ? 1.0 : 0.0;
        EXPECT_EQ(check_against_dense(tri, sym), 29);
        EXPECT_EQ(check_against_dense(arrow, sym), 40 * 39 / 2);
        check_against_dense(fixed, sym);
        EXPECT_EQ(check_against_dense(one, sym), 0);
    }
}

// Hand example, n = 4, upper (1,2) (1,4) (2,3) (3,4): lower entries ascending, diagonal, upper.
TEST(StorageConversion, FullRowsAndLowerPattern) {
    const Ints IA{1, 3, 4, 5, 5}, JA{2, 4, 3, 4};
    const Vec AU{12, 14, 23, 34}, AL{21, 41, 32, 43}, AD{1, 2, 3, 4};
    Ints IAC(5, -1), JAC(12, -1);
    Vec AC(12, -1.0);
    trans_ultoc(IA, JA, AL, AU, AD, IAC, JAC, AC, 4);
    EXPECT_EQ(IAC, (Ints{1, 4, 7, 10, 13}));
    EXPECT_EQ(JAC, (Ints{1, 2, 4, 1, 2, 3, 2, 3, 4, 1, 3, 4}));
    EXPECT_EQ(AC, (Vec{1, 12, 14, 21, 2, 23, 32, 3, 34, 41, 43, 4}));
    Ints IU(5, -1), JU(4, -1);
    integer count = -1;
    symcmr(IAC, JAC, IU, JU, 4, count);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(IU, (Ints{1, 1, 2, 3, 5}));
    EXPECT_EQ(JU, (Ints{1, 2, 1, 3}));

    const Ints none{1};
    Vec empty;
    test::ScreenCapture cap;
    EXPECT_THROW(trans_ultoc(none, {}, empty, empty, empty, IAC, JAC, AC, 0), OrderlyStop);
    EXPECT_EQ(cap.text, "TRANUM.ERROR, Rows=     0\n");
}
