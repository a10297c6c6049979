// Sign change of rows with a negative diagonal and symmetric diagonal scaling, on full rows and on
// strictly-upper rows, against the dense transformed matrices.
#include <gtest/gtest.h>

#include <cmath>

#include "inhouse_test_systems.hpp"
#include "linalg/inhouse_solvers.hpp"

namespace vetrix {
namespace {

using test::Dense;

// Diagonals of every sign, a zero one included.
const Dense mixed(4, {4, -1, 0, 2,   //
                      3, -9, -2, 0,  //
                      0, 1, 0, -1,   //
                      -2, 0, 4, 16});
const std::vector<real> rhs = {1, 2, 3, 4};

// row i of the transformed dense matrix t(i, j) = f(i) a(i, j) g(j)
Dense transformed(const Dense& a, const std::vector<real>& f, const std::vector<real>& g) {
    Dense t(a.n);
    for (integer i = 1; i <= a.n; ++i)
        for (integer j = 1; j <= a.n; ++j) t(i, j) = f[i - 1] * a(i, j) * g[j - 1];
    return t;
}

void expect_full_rows(const test::FullRows& got, const Dense& want, const char* what) {
    const auto ref = test::full_rows(want);
    ASSERT_EQ(got.JAC, ref.JAC) << what;
    for (std::size_t k = 0; k < ref.AC.size(); ++k)
        EXPECT_NEAR(got.AC[k], ref.AC[k], 1e-15) << what << " " << k;
}

void expect_upper_rows(const test::UpperRows& got, const Dense& want, const char* what) {
    const auto ref = test::upper_rows(want);
    for (std::size_t k = 0; k < ref.AN.size(); ++k) {
        EXPECT_NEAR(got.AN[k], ref.AN[k], 1e-15) << what << " upper " << k;
        EXPECT_NEAR(got.lower[k], ref.lower[k], 1e-15) << what << " lower " << k;
    }
}

const std::vector<real> signs = {1, -1, 1, 1};
const std::vector<real> ones = {1, 1, 1, 1};
const std::vector<real> factors = {0.5, 1.0 / 3.0, 1.0, 0.25};  // 1/sqrt|AD|, 1 for zero

TEST(Sigchange, NegativeRowsChangeSign) {
    auto f = test::full_rows(mixed);
    const auto a = test::upper_rows(mixed);
    std::vector<real> b = rhs;
    sigchange(a.AD, f.IAC, f.AC, b, 4);
    expect_full_rows(f, transformed(mixed, signs, ones), "full rows");
    EXPECT_EQ(b, (std::vector<real>{1, -2, 3, 4}));
}

TEST(Sigchangelu, NegativeRowsChangeSignAndDiagonalBecomesPositive) {
    auto a = test::upper_rows(mixed);
    std::vector<real> b = rhs;
    sigchangelu(a.IA, a.JA, a.AD, a.lower, a.AN, b, 4, 0);
    expect_upper_rows(a, transformed(mixed, signs, ones), "non-symmetric");
    EXPECT_EQ(a.AD, (std::vector<real>{4, 9, 0, 16}));
    EXPECT_EQ(b, (std::vector<real>{1, -2, 3, 4}));

    // one array for both triangles: every row negative keeps the matrix symmetric
    Dense spd(3, {-4, 1, 0, 1, -5, 2, 0, 2, -6});
    auto s = test::upper_rows(spd);
    std::vector<real> bs = {1, 1, 1};
    sigchangelu(s.IA, s.JA, s.AD, s.AN, s.AN, bs, 3, 1);
    EXPECT_EQ(s.AN, (std::vector<real>{-1, -2}));
    EXPECT_EQ(s.AD, (std::vector<real>{4, 5, 6}));
    EXPECT_EQ(bs, (std::vector<real>{-1, -1, -1}));
}

TEST(Diagscale, SymmetricScalingOfFullRows) {
    auto f = test::full_rows(mixed);
    const auto a = test::upper_rows(mixed);
    std::vector<real> b = rhs, S(4);
    diagscale(a.AD, f.IAC, f.JAC, f.AC, b, S, 4);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(S[i], factors[i], 1e-16);
    expect_full_rows(f, transformed(mixed, factors, factors), "full rows");
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(b[i], factors[i] * rhs[i], 1e-15);
}

TEST(Diagscalelu, ScalingWarningAndScaledDiagonal) {
    struct Case {
        Dense a;
        logical sym;
        std::string warning;         // expected screen text
        std::vector<real> diagonal;  // AD on return
    };
    const Case cases[] = {
        {mixed,
         0,
         " DIAGSCD/WARNING: SE ENCONTRARON            1  DIAGONALES NO POSITIVAS.\n",
         {1, -1, 0, 1}},
        {Dense(3, {4, 1, 0, 1, 9, 2, 0, 2, 16}), 1, "", {1, 1, 1}},
        {Dense(3, {0, 1, 0, 1, 0, 2, 0, 2, 16}),
         1,
         " DIAGSCD/WARNING: SE ENCONTRARON            2  DIAGONALES NO POSITIVAS.\n",
         {0, 0, 1}},
    };
    for (const auto& c : cases) {
        auto a = test::upper_rows(c.a);
        std::vector<real> b(static_cast<std::size_t>(c.a.n), 1.0), S(b.size());
        std::vector<real> f(b.size());
        for (integer i = 1; i <= c.a.n; ++i)
            f[i - 1] = c.a(i, i) == 0.0 ? 1.0 : 1.0 / std::sqrt(std::abs(c.a(i, i)));
        test::ScreenCapture cap;
        if (c.sym)
            diagscalelu(a.AD, a.IA, a.JA, a.AN, a.AN, b, S, c.a.n, 1);
        else
            diagscalelu(a.AD, a.IA, a.JA, a.AN, a.lower, b, S, c.a.n, 0);
        EXPECT_EQ(cap.text, c.warning);
        EXPECT_EQ(a.AD, c.diagonal);
        if (c.sym) a.lower = a.AN;
        expect_upper_rows(a, transformed(c.a, f, f), "scaled");
        for (std::size_t i = 0; i < b.size(); ++i) EXPECT_NEAR(b[i], f[i], 1e-15);
    }
}

}  // namespace
}  // namespace vetrix
