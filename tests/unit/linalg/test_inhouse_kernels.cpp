// In-house kernels: sparse products in every mode, triangular sweeps and vector updates against
// dense references.
#include <gtest/gtest.h>

#include "common/stops.hpp"
#include "inhouse_test_systems.hpp"
#include "linalg/inhouse_kernels.hpp"

namespace vetrix {
namespace {

using test::Dense;

// A non-symmetric 4 x 4 matrix with a structurally symmetric pattern.
const Dense nonsym(4, {4, -1, 0, 2,  //
                       3, 5, -2, 0,  //
                       0, 1, 6, -1,  //
                       -2, 0, 4, 7});
const std::vector<real> xv = {1.0, -2.0, 0.5, 3.0};
const std::vector<real> y0 = {0.25, 1.0, -1.0, 2.0};

// dense reference: y = y_start + M x with M given entry by entry
std::vector<real> apply(const std::vector<real>& start, auto entry) {
    std::vector<real> y = start;
    for (integer i = 1; i <= 4; ++i)
        for (integer j = 1; j <= 4; ++j) y[i - 1] += entry(i, j) * xv[j - 1];
    return y;
}

TEST(Spmul2d, EveryModeMatchesDense) {
    const auto a = test::upper_rows(nonsym);
    const auto full = test::full_rows(nonsym);
    // off-diagonal rows (both triangles, no diagonal) for mode 4
    std::vector<integer> ioff = {1}, joff;
    std::vector<real> aoff;
    for (integer i = 1; i <= 4; ++i) {
        for (integer j = 1; j <= 4; ++j)
            if (j != i && nonsym(i, j) != 0.0) {
                joff.push_back(j);
                aoff.push_back(nonsym(i, j));
            }
        ioff.push_back(static_cast<integer>(joff.size()) + 1);
    }
    const std::vector<real> zero(4, 0.0);
    auto up = [&](integer i, integer j) { return j > i ? nonsym(i, j) : 0.0; };
    struct Case {
        const char* name;
        const std::vector<integer>* ia;
        const std::vector<integer>* ja;
        const std::vector<real>* a;
        integer mode;
        std::vector<real> start;
        std::vector<real> expected;
    };
    const Case cases[] = {
        {"A x over full rows", &full.IAC, &full.JAC, &full.AC, 2, y0,
         apply(zero, [&](integer i, integer j) { return nonsym(i, j); })},
        {"y + A^t x", &full.IAC, &full.JAC, &full.AC, 3, y0,
         apply(y0, [&](integer i, integer j) { return nonsym(j, i); })},
        {"d x + off-diagonal rows", &ioff, &joff, &aoff, 4, y0,
         apply(zero, [&](integer i, integer j) { return nonsym(i, j); })},
        {"symmetric from the upper triangle", &a.IA, &a.JA, &a.AN, 1, y0,
         apply(zero,
               [&](integer i, integer j) { return i == j ? nonsym(i, i) : up(i, j) + up(j, i); })},
    };
    for (const auto& c : cases) {
        std::vector<real> y = c.start;
        spmul2d(*c.ia, *c.ja, *c.a, a.AD, xv, y, 4, c.mode);
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(y[i], c.expected[i], 1e-13) << c.name << " row " << i + 1;
    }
}

TEST(Spmul2dlu, EveryModeMatchesDense) {
    const auto a = test::upper_rows(nonsym);
    const std::vector<real> zero(4, 0.0);
    auto up = [&](integer i, integer j) { return j > i ? nonsym(i, j) : 0.0; };
    auto dg = [&](integer i, integer j) { return i == j ? nonsym(i, i) : 0.0; };
    struct Case {
        integer mode;
        std::vector<real> expected;
    };
    const Case cases[] = {
        {6, apply(zero, [&](integer i, integer j) { return nonsym(i, j); })},
        {1, apply(zero, [&](integer i, integer j) { return dg(i, j) + up(i, j) + up(j, i); })},
        {2, apply(zero, up)},
        {3, apply(y0, [&](integer i, integer j) { return up(j, i); })},
        {4, apply(zero, [&](integer i, integer j) { return dg(i, j) + up(i, j); })},
    };
    for (const auto& c : cases) {
        std::vector<real> y = y0;
        spmul2dlu(a.IA, a.JA, a.AN, a.lower, a.AD, xv, y, 4, c.mode);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(y[i], c.expected[i], 1e-13) << "mode " << c.mode;
    }
}

TEST(Spmul2d, InvalidModeOrOrderStopsTheRun) {
    const auto a = test::upper_rows(nonsym);
    struct Case {
        bool upper;
        integer n, mode;
        const char* line;
    };
    const Case cases[] = {
        {false, 4, 5, " SPMULT.ERROR     4     5"},
        {false, 0, 2, " SPMULT.ERROR     0     2"},
        {true, 4, 7, " SPMULT.ERROR     4     7"},
        {true, -1, 6, " SPMULT.ERROR    -1     6"},
    };
    for (const auto& c : cases) {
        std::vector<real> y(4, 0.0);
        test::ScreenCapture cap;
        if (c.upper)
            EXPECT_THROW(spmul2dlu(a.IA, a.JA, a.AN, a.lower, a.AD, xv, y, c.n, c.mode),
                         OrderlyStop);
        else
            EXPECT_THROW(spmul2d(a.IA, a.JA, a.AN, a.AD, xv, y, c.n, c.mode), OrderlyStop);
        ASSERT_EQ(cap.lines().size(), 1u);
        if (test::layouts_ready()) {
            EXPECT_EQ(cap.lines()[0], c.line);
        }
    }
}

// fwsrowd and bwscold solve with the triangles of a factor on a 5 x 5 pattern.
TEST(TriangularSweeps, SolveTheDenseTriangles) {
    // strictly lower pattern: row 3 {1,2}, row 4 {2}, row 5 {1,3,4}
    const std::vector<integer> IU = {1, 1, 1, 3, 4, 7};
    const std::vector<integer> JU = {1, 2, 2, 1, 3, 4};
    const std::vector<real> L = {0.5, -1.0, 2.0, 0.25, -0.75, 1.5};
    const std::vector<real> U = {-0.5, 3.0, 1.0, 2.5, -1.25, 0.125};
    const std::vector<real> D = {0.5, 2.0, -0.25, 1.0, 4.0};
    const std::vector<real> b = {1.0, -1.0, 2.0, 0.5, -3.0};
    // dense triangles: lower T(i, JU(k)) = L(k), upper T(JU(k), i) = U(k); diagonal 1/D or 1
    auto triangle = [&](bool lower, bool with_d) {
        Dense t(5);
        for (integer i = 1; i <= 5; ++i) {
            t(i, i) = with_d ? 1.0 / D[i - 1] : 1.0;
            for (integer k = IU[i - 1]; k < IU[i]; ++k) {
                if (lower) {
                    t(i, JU[k - 1]) = L[k - 1];
                } else {
                    t(JU[k - 1], i) = U[k - 1];
                }
            }
        }
        return t;
    };
    for (const bool forward : {true, false})
        for (const integer flag : {0, 1}) {
            std::vector<real> x = b;
            if (forward)
                fwsrowd(IU, JU, L, D, flag, x, 5);
            else
                bwscold(IU, JU, U, D, flag, x, 5);
            const auto back = test::multiply(triangle(forward, flag == 1), x);
            for (int i = 0; i < 5; ++i)
                EXPECT_NEAR(back[i], b[i], 1e-13)
                    << (forward ? "fwsrowd" : "bwscold") << " flag " << flag;
        }
}

TEST(VectorKernels, UpdatesByMode) {
    using V = std::vector<real>;
    const V x0 = {1, 2, 3}, yy = {10, 20, 30}, z0 = {-1, -1, -1};
    struct Case {
        const char* kernel;
        integer mode;
        V x, y, z;  // expected after the call
    };
    const Case cases[] = {
        {"sctxpyd", 1, {12, 24, 36}, yy, z0},  // s = 2: x = 2x + y
        {"sctxpyd", 2, x0, {12, 24, 36}, z0},
        {"sctxpyd", 3, x0, yy, {12, 24, 36}},
        {"xplusyd", 1, {11, 22, 33}, yy, z0},
        {"xplusyd", 2, x0, {11, 22, 33}, z0},
        {"xplusyd", 3, x0, yy, {11, 22, 33}},
        {"xplusyd", -1, {-9, -18, -27}, yy, z0},
        {"xplusyd", -2, x0, {-9, -18, -27}, z0},
        {"xplusyd", -3, x0, yy, {-9, -18, -27}},
        {"xplusyd", 0, x0, yy, z0},
        {"axplbyd", 1, {-8, -16, -24}, yy, z0},  // a = 2, b = -1: 2x - y
        {"axplbyd", 2, x0, {-8, -16, -24}, z0},
        {"axplbyd", 3, x0, yy, {-8, -16, -24}},
        {"axplbyd", 4, x0, yy, z0},
    };
    for (const auto& c : cases) {
        V x = x0, y = yy, z = z0;
        const std::string k = c.kernel;
        if (k == "sctxpyd") sctxpyd(2.0, x, y, z, 3, c.mode);
        if (k == "xplusyd") xplusyd(x, y, z, 3, c.mode);
        if (k == "axplbyd") axplbyd(2.0, x, -1.0, y, z, 3, c.mode);
        EXPECT_EQ(x, c.x) << k << " " << c.mode;
        EXPECT_EQ(y, c.y) << k << " " << c.mode;
        EXPECT_EQ(z, c.z) << k << " " << c.mode;
    }
}

TEST(VectorKernels, SctxpydInvalidModeStops) {
    std::vector<real> x(2, 1.0);
    test::ScreenCapture cap;
    EXPECT_THROW(sctxpyd(1.0, x, x, x, 2, 4), OrderlyStop);
    EXPECT_EQ(cap.text, " SCTXPY/ERROR: KRES DEBE SER 1,2 O 3\n");
}

TEST(VectorKernels, ProductsNormsCopiesAndFills) {
    std::vector<real> a = {3, 4, 12}, b = {0, 1, 0};
    EXPECT_EQ(scprodd(a, b, 3), 4.0);
    EXPECT_EQ(scprodd(a, b, 0), 0.0);
    EXPECT_EQ(rnorm2d(a, 3), 13.0);
    EXPECT_EQ(enorm2d(a, std::vector<real>{3, 0, 9}, 3), 5.0);
    sctimxd(-0.5, a, 2);
    EXPECT_EQ(a, (std::vector<real>{-1.5, -2, 12}));
    copvecd(a, b, 2);
    EXPECT_EQ(b, (std::vector<real>{-1.5, -2, 0}));
    const std::vector<integer> idx = {3, 1};
    putvald(b, 2, 7.0, 1, idx);
    EXPECT_EQ(b, (std::vector<real>{7, -2, 7}));
    putvald(b, 2, 0.0, 0, idx);
    EXPECT_EQ(b, (std::vector<real>{0, 0, 7}));
}

}  // namespace
}  // namespace vetrix
