// Tests of triansim/trianns/forwback against a dense L·D·U, and of trans_ultoc/symcmr layouts.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "common/array_helpers.hpp"
#include "common/screen.hpp"
#include "common/stops.hpp"
#include "linalg/skyline_factor.hpp"
#include "linalg/storage_conversion.hpp"

using namespace vetrix;

namespace {

using Dense = std::vector<std::vector<double>>;  // a[i][j], 0-based

struct Upper {  // strictly-upper row storage of a dense matrix with symmetric pattern
    std::vector<integer> IA, JA;
    std::vector<real> AU, AL, AD;
};

Upper to_upper(const Dense& a) {
    const int n = static_cast<int>(a.size());
    Upper s;
    s.IA.push_back(1);
    for (int i = 0; i < n; ++i) {
        s.AD.push_back(a[i][i]);
        for (int j = i + 1; j < n; ++j)
            if (a[i][j] != 0.0 || a[j][i] != 0.0) {
                s.JA.push_back(j + 1);
                s.AU.push_back(a[i][j]);
                s.AL.push_back(a[j][i]);
            }
        s.IA.push_back(static_cast<integer>(s.JA.size()) + 1);
    }
    return s;
}

struct Factor {
    std::vector<integer> IU, JU;
    integer LJU = 0;
    std::vector<real> UN, UL, DI, XL;
};

// triansim, columns sorted by two transpositions, trianns.
Factor factor(const Upper& s, int n, bool sym) {
    Factor f;
    f.IU.assign(n + 1, -7);
    f.JU.assign(n * (n - 1) / 2 + 1, -7);
    std::vector<integer> work(n, -7), iup(n, -7), it(n + 1), jt(f.JU.size());
    triansim(s.IA, s.JA, f.IU, f.JU, work, n, f.LJU);
    trascomp(f.IU, f.JU, it, jt, n, n);
    trascomp(it, jt, f.IU, f.JU, n, n);
    f.UN.assign(f.LJU, 9.9);
    f.UL.assign(f.LJU, 9.9);
    f.DI.assign(n, 9.9);
    f.XL.assign(n, 9.9);
    trianns(s.IA, s.JA, s.AU, sym ? s.AU : s.AL, s.AD, f.IU, f.JU, f.UN, sym ? f.UN : f.UL, f.DI,
            sym ? f.DI : f.XL, work, iup, n, sym);
    return f;
}

// Dense A = L·D·U without pivoting, in place: d[i][i] = D, d[i][j] = U (j > i), L (j < i).
Dense dense_ldu(Dense a) {
    const int n = static_cast<int>(a.size());
    for (int k = 0; k < n; ++k)
        for (int i = k + 1; i < n; ++i) {
            const double l = a[i][k] / a[k][k];
            for (int j = k + 1; j < n; ++j) a[i][j] -= l * a[k][j];
            a[i][k] = l;
        }
    for (int k = 0; k < n; ++k)
        for (int j = k + 1; j < n; ++j) a[k][j] /= a[k][k];
    return a;
}

// Symmetric pattern with random density; values symmetric or not, diagonally dominant.
Dense random_matrix(int n, double density, bool sym, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> v(-1.0, 1.0), u(0.0, 1.0);
    Dense a(n, std::vector<double>(n, 0.0));
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j)
            if (u(gen) < density) {
                a[i][j] = v(gen);
                a[j][i] = sym ? a[i][j] : v(gen);
            }
    for (int i = 0; i < n; ++i) {
        double r = 1.0;
        for (int j = 0; j < n; ++j) r += std::fabs(a[i][j]) + std::fabs(a[j][i]);
        a[i][i] = r;
    }
    return a;
}

// Factor entries against the dense factor, absent positions structurally zero, solve residual.
void check_against_dense(const Dense& a, bool sym) {
    const int n = static_cast<int>(a.size());
    const Upper s = to_upper(a);
    const Factor f = factor(s, n, sym);
    const Dense d = dense_ldu(a);
    const std::vector<real>& ul = sym ? f.UN : f.UL;
    for (int i = 1; i <= n; ++i) {
        EXPECT_NEAR(f.DI[i - 1], d[i - 1][i - 1], 1e-12 * std::fabs(d[i - 1][i - 1]));
        std::vector<bool> in(n + 1, false);
        for (integer k = f.IU[i - 1]; k < f.IU[i]; ++k) {
            const int j = f.JU[k - 1];
            ASSERT_GT(j, i);
            if (k > f.IU[i - 1]) {
                EXPECT_LT(f.JU[k - 2], j) << "columns ascending";
            }
            in[j] = true;
            EXPECT_NEAR(f.UN[k - 1], d[i - 1][j - 1], 1e-12) << i << "," << j;
            EXPECT_NEAR(ul[k - 1], d[j - 1][i - 1], 1e-12) << j << "," << i;
        }
        for (int j = i + 1; j <= n; ++j)
            if (!in[j]) {
                EXPECT_TRUE(d[i - 1][j - 1] == 0.0 && d[j - 1][i - 1] == 0.0);
            }
    }
    std::vector<real> b(n), x(n, 0.0);
    for (int i = 0; i < n; ++i) b[i] = std::sin(1.0 + i);
    const std::vector<real> b0 = b;
    forwback(f.IU, f.JU, f.DI, f.UN, ul, b, x, n);
    EXPECT_EQ(b, b0) << "right-hand side changed";
    double rmax = 0.0, bmax = 0.0;
    for (int i = 0; i < n; ++i) {
        double r = b[i];
        for (int j = 0; j < n; ++j) r -= a[i][j] * x[j];
        rmax = std::max(rmax, std::fabs(r));
        bmax = std::max(bmax, std::fabs(b[i]));
    }
    EXPECT_LT(rmax, 1e-13 * bmax * n);
}

}  // namespace

TEST(Skyline, RandomMatricesMatchDenseFactor) {
    struct Case {
        int n;
        double density;
        bool sym;
    };
    const Case cases[] = {{2, 1.0, true},  {7, 0.3, true},    {30, 0.1, true},   {60, 0.05, true},
                          {3, 1.0, false}, {12, 0.25, false}, {40, 0.08, false}, {60, 0.03, false}};
    unsigned seed = 11;
    for (const Case& c : cases) {
        SCOPED_TRACE("n=" + std::to_string(c.n) + " sym=" + std::to_string(c.sym));
        check_against_dense(random_matrix(c.n, c.density, c.sym, seed++), c.sym);
    }
}

// Identity rows and columns (prescribed equations) between coupled ones, a diagonal matrix, and
// an arrow matrix with full first row and column (U fills completely).
TEST(Skyline, StructuredMatricesMatchDenseFactor) {
    for (bool sym : {true, false}) {
        Dense fixed = random_matrix(9, 0.6, sym, 5), diag(4, std::vector<double>(4, 0.0)),
              arrow(40, std::vector<double>(40, 0.0));
        for (int p : {0, 4, 8})
            for (int j = 0; j < 9; ++j) fixed[p][j] = fixed[j][p] = (p == j) ? 1.0 : 0.0;
        for (int i = 0; i < 4; ++i) diag[i][i] = i + 2.0;
        for (int i = 0; i < 40; ++i) {
            arrow[i][i] = 80.0;
            if (i > 0) {
                arrow[0][i] = 1.0;
                arrow[i][0] = sym ? 1.0 : 0.5;
            }
        }
        for (const Dense* a : {&fixed, &diag, &arrow}) check_against_dense(*a, sym);
    }
}

// Fill counts and the discovery order of the columns before sorting.
TEST(Skyline, SymbolicPatterns) {
    struct Case {
        const char* name;
        int n;
        std::vector<integer> IA, JA;  // strictly upper pattern
        std::vector<integer> IU, JU;  // expected, unsorted
    };
    const Case cases[] = {
        {"n=1", 1, {1, 1}, {}, {1, 1}, {}},
        {"tridiagonal", 5, {1, 2, 3, 4, 5, 5}, {2, 3, 4, 5}, {1, 2, 3, 4, 5, 5}, {2, 3, 4, 5}},
        {"fill found after own columns",
         4,
         {1, 3, 4, 4, 4},
         {2, 3, 4},
         {1, 3, 5, 6, 6},
         {2, 3, 4, 3, 4}},
        {"newest waiting row merged first",
         5,
         {1, 3, 5, 5, 5, 5},
         {3, 5, 3, 4},
         {1, 3, 5, 7, 8, 8},
         {3, 5, 3, 4, 4, 5, 5}},
        {"arrow, full first row",
         5,
         {1, 5, 5, 5, 5, 5},
         {2, 3, 4, 5},
         {1, 5, 8, 10, 11, 11},
         {2, 3, 4, 5, 3, 4, 5, 4, 5, 5}},
        {"no couplings", 3, {1, 1, 1, 1}, {}, {1, 1, 1, 1}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<integer> IU(c.n + 1, -1), JU(c.n * (c.n - 1) / 2 + 1, -1), work(c.n, -1);
        integer LJU = -1;
        triansim(c.IA, c.JA, IU, JU, work, c.n, LJU);
        EXPECT_EQ(IU, c.IU);
        EXPECT_EQ(LJU, static_cast<integer>(c.JU.size()) + 1);
        EXPECT_EQ(std::vector<integer>(JU.begin(), JU.begin() + (LJU - 1)), c.JU);
    }
}

TEST(Skyline, OrderOneSystem) {
    const Upper s{{1, 1}, {}, {}, {}, {4.0}};
    const Factor f = factor(s, 1, true);
    EXPECT_EQ(f.LJU, 1);
    EXPECT_EQ(f.IU, (std::vector<integer>{1, 1}));
    EXPECT_EQ(f.DI[0], 4.0);
    std::vector<real> b{3.0}, x{0.0};
    forwback(f.IU, f.JU, f.DI, f.UN, f.UN, b, x, 1);
    EXPECT_EQ(x[0], 0.75);
}

// Hand example, n = 4, upper (1,2) (1,4) (2,3) (3,4): lower entries ascending, diagonal, upper.
TEST(StorageConversion, FullRowsAndLowerPattern) {
    const std::vector<integer> IA{1, 3, 4, 5, 5}, JA{2, 4, 3, 4};
    const std::vector<real> AU{12, 14, 23, 34}, AL{21, 41, 32, 43}, AD{1, 2, 3, 4};
    std::vector<integer> IAC(5, -1), JAC(12, -1);
    std::vector<real> AC(12, -1.0);
    trans_ultoc(IA, JA, AL, AU, AD, IAC, JAC, AC, 4);
    EXPECT_EQ(IAC, (std::vector<integer>{1, 4, 7, 10, 13}));
    EXPECT_EQ(JAC, (std::vector<integer>{1, 2, 4, 1, 2, 3, 2, 3, 4, 1, 3, 4}));
    EXPECT_EQ(AC, (std::vector<real>{1, 12, 14, 21, 2, 23, 32, 3, 34, 41, 43, 4}));

    std::vector<integer> IU(5, -1), JU(4, -1);
    integer count = -1;
    symcmr(IAC, JAC, IU, JU, 4, count);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(IU, (std::vector<integer>{1, 1, 2, 3, 5}));
    EXPECT_EQ(JU, (std::vector<integer>{1, 2, 1, 3}));
    symcmr(IAC, JAC, IU, JU, 0, count);
    EXPECT_EQ(count, 0);
}

TEST(StorageConversion, EmptySystemStops) {
    const std::vector<integer> IA{1};
    std::vector<integer> IAC(1), JAC(1);
    std::vector<real> AC(1), none;
    std::string out;
    screen().capture(&out);
    EXPECT_THROW(trans_ultoc(IA, {}, none, none, none, IAC, JAC, AC, 0), OrderlyStop);
    screen().capture(nullptr);
    EXPECT_EQ(out, "TRANUM.ERROR, Rows=     0\n");
}
