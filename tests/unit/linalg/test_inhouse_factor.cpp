// ilufk1d: exact LU on patterns without fill, the small-pivot safeguard and the statuses for a zero
// pivot without neighbours and for a pattern that is not structurally symmetric.
#include <gtest/gtest.h>

#include <cmath>

#include "inhouse_test_systems.hpp"
#include "linalg/inhouse_solvers.hpp"

namespace vetrix {
namespace {

using test::Dense;

struct Ilu0 {
    test::FullRows f;
    test::Factor fac;
    integer status;
};

Ilu0 factor(const Dense& a) {
    Ilu0 r{test::full_rows(a), test::lower_pattern(a), 0};
    std::vector<integer> iw(static_cast<std::size_t>(a.n), -7);  // scratch arrives dirty
    r.status =
        ilufk1d(r.f.IAC, r.f.JAC, r.f.AC, r.fac.IU, r.fac.JU, r.fac.L, r.fac.D, r.fac.U, iw, a.n);
    return r;
}

// L U of the in-house factor as a dense matrix.
Dense product(const test::Factor& fac, integer n) {
    Dense l(n), u(n), p(n);
    for (integer i = 1; i <= n; ++i) {
        l(i, i) = 1.0;
        u(i, i) = 1.0 / fac.D[i - 1];
        for (integer k = fac.IU[i - 1]; k < fac.IU[i]; ++k) {
            l(i, fac.JU[k - 1]) = fac.L[k - 1];
            u(fac.JU[k - 1], i) = fac.U[k - 1];
        }
    }
    for (integer i = 1; i <= n; ++i)
        for (integer j = 1; j <= n; ++j)
            for (integer k = 1; k <= n; ++k) p(i, j) += l(i, k) * u(k, j);
    return p;
}

TEST(Ilufk1d, ExactLuWhenThePatternHasNoFill) {
    const struct {
        const char* name;
        Dense a;
    } cases[] = {
        {"tridiagonal, non-symmetric", Dense(5, {4, -1, 0,  0, 0,  //
                                                 2, 5,  -2, 0, 0,  //
                                                 0, 1,  6,  3, 0,  //
                                                 0, 0,  -1, 7, 2,  //
                                                 0, 0,  0,  4, 3})},
        {"arrow towards the last row", Dense(4, {5, 0, 0, 1,   //
                                                 0, 4, 0, -2,  //
                                                 0, 0, 3, 1,   //
                                                 2, 1, -1, 9})},
        {"symmetric 2 x 2 blocks", Dense(4, {4, 1, 0, 0,   //
                                             1, 3, 0, 0,   //
                                             0, 0, 2, -1,  //
                                             0, 0, -1, 2})},
    };
    for (const auto& c : cases) {
        const auto r = factor(c.a);
        EXPECT_EQ(r.status, 0) << c.name;
        const Dense p = product(r.fac, c.a.n);
        for (integer i = 1; i <= c.a.n; ++i)
            for (integer j = 1; j <= c.a.n; ++j)
                EXPECT_NEAR(p(i, j), c.a(i, j), 1e-14) << c.name << " " << i << "," << j;
    }
}

TEST(Ilufk1d, FirstEntriesByHand) {
    // a = [2 1; 4 5]: u11 = 2, u12 = 1, l21 = 2, u22 = 5 - 2 = 3
    const auto r = factor(Dense(2, {2, 1, 4, 5}));
    EXPECT_EQ(r.fac.D, (std::vector<real>{0.5, 1.0 / 3.0}));
    EXPECT_EQ(r.fac.U, (std::vector<real>{1.0}));
    EXPECT_EQ(r.fac.L, (std::vector<real>{2.0}));
}

TEST(Ilufk1d, PivotSafeguardsAndStatuses) {
    const real eps53 = 1.1102230246251565e-16;
    const struct {
        const char* name;
        Dense a;
        integer status;
        std::vector<real> D;
    } cases[] = {
        // zero pivot with neighbours u12 = 2, l21 = 3: 1/sqrt(2^-53 * 3 * 2), positive
        {"zero pivot, neighbours", Dense(2, {0, 2, 3, 1}), 0, {1.0 / std::sqrt(eps53 * 6.0), 0.0}},
        // a tiny negative pivot keeps its sign
        {"tiny negative pivot",
         Dense(2, {-1e-20, 2, 3, 1}),
         0,
         {-1.0 / std::sqrt(eps53 * 6.0), 0.0}},
        // row 2 pivot 0.5 - 1 * 0.5 = 0 and no upper entries: scale of row 2 of A (max 1)
        {"zero pivot, last row", Dense(2, {2, 1, 1, 0.5}), 2, {0.5, 1.0}},
        // a zero row: unit pivot
        {"zero row", Dense(3, {1, 0, 0, 0, 0, 0, 0, 0, 2}), 2, {1.0, 1.0, 0.5}},
    };
    for (const auto& c : cases) {
        const auto r = factor(c.a);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.fac.D[0], c.D[0]) << c.name;
        if (c.D[1] != 0.0) {
            EXPECT_EQ(r.fac.D[1], c.D[1]) << c.name;
        }
        for (real d : r.fac.D) EXPECT_TRUE(std::isfinite(d)) << c.name;
    }
    // the multiplier of the first case is divided by the replaced pivot
    const auto r = factor(Dense(2, {0, 2, 3, 1}));
    EXPECT_EQ(r.fac.L[0], 3.0 * (1.0 / std::sqrt(eps53 * 6.0)));
}

TEST(Ilufk1d, MissingMirrorInThePatternIsReported) {
    const Dense a(3, {4, 1, 0, 1, 4, 1, 0, 1, 4});
    auto f = test::full_rows(a);
    // row 3's pattern names column 1 instead of column 2
    std::vector<integer> IU = {1, 1, 2, 3}, JU = {1, 1}, iw(3);
    std::vector<real> L(2), U(2), D(3);
    EXPECT_EQ(ilufk1d(f.IAC, f.JAC, f.AC, IU, JU, L, D, U, iw, 3), -2);
}

}  // namespace
}  // namespace vetrix
