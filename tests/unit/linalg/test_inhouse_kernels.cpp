// In-house kernels, sign change and diagonal scaling against dense references.
#include <gtest/gtest.h>

#include <functional>

#include "common/stops.hpp"
#include "linalg/blas.hpp"
#include "linalg/inhouse_kernels.hpp"
#include "linalg/inhouse_solvers.hpp"
#include "linalg_test_support.hpp"

namespace vetrix {
namespace {

using test::Dense;
using test::Vec;

// Non-symmetric, structurally symmetric; diagonals of every sign, a zero one included.
const Dense a4(4, {4, -1, 0, 2, 3, -9, -2, 0, 0, 1, 0, -1, -2, 0, 4, 16});
const Vec xv = {1.0, -2.0, 0.5, 3.0}, y0 = {0.25, 1.0, -1.0, 2.0};
using Entry = std::function<real(integer, integer)>;

Vec reference(const Vec& start, const Entry& m) {  // start + M x
    Vec y = start;
    for (integer i = 1; i <= 4; ++i)
        for (integer j = 1; j <= 4; ++j) y[i - 1] += m(i, j) * xv[j - 1];
    return y;
}

TEST(InhouseKernels, SparseProductsInEveryMode) {
    const auto f = test::full_rows(a4);
    const auto u = test::upper_rows(a4);
    const Entry full = [](integer i, integer j) { return a4(i, j); };
    const Entry up = [](integer i, integer j) { return j > i ? a4(i, j) : 0.0; };
    const Entry dg = [](integer i, integer j) { return i == j ? a4(i, i) : 0.0; };
    const Entry tr = [](integer i, integer j) { return a4(j, i); };
    const Entry sym_up = [&](integer i, integer j) { return dg(i, j) + up(i, j) + up(j, i); };
    const Entry dg_up = [&](integer i, integer j) { return dg(i, j) + up(i, j); };
    const Entry low_t = [&](integer i, integer j) { return up(j, i); };
    const Vec zero(4, 0.0);
    const struct {
        const char* name;
        std::function<void(Vec&)> call;
        Vec start;
        Entry m;
    } cases[] = {
        {"spmul2d 2", [&](Vec& y) { spmul2d(f.IAC, f.JAC, f.AC, {}, xv, y, 4, 2); }, zero, full},
        {"spmul2d 3", [&](Vec& y) { spmul2d(f.IAC, f.JAC, f.AC, {}, xv, y, 4, 3); }, y0, tr},
        {"spmul2d 4", [&](Vec& y) { spmul2d(u.IA, u.JA, u.AN, u.AD, xv, y, 4, 4); }, zero, dg_up},
        {"spmul2d 1", [&](Vec& y) { spmul2d(u.IA, u.JA, u.AN, u.AD, xv, y, 4, 1); }, zero, sym_up},
        {"spmul2dlu 6", [&](Vec& y) { spmul2dlu(u.IA, u.JA, u.AN, u.lower, u.AD, xv, y, 4, 6); },
         zero, full},
        {"spmul2dlu 3", [&](Vec& y) { spmul2dlu(u.IA, u.JA, u.AN, u.lower, u.AD, xv, y, 4, 3); },
         y0, low_t},
    };
    for (const auto& c : cases) {
        Vec y = c.start;
        c.call(y);
        EXPECT_LT(test::distance(y, reference(c.start, c.m)), 1e-13) << c.name;
    }
    // invalid order or mode: one error line, then the run stops
    for (const auto& [n, mode, line] : {std::tuple{4, 5, " SPMULT.ERROR     4     5\n"},
                                        std::tuple{0, 2, " SPMULT.ERROR     0     2\n"}}) {
        Vec y(4);
        test::ScreenCapture cap;
        EXPECT_THROW(spmul2dlu(u.IA, u.JA, u.AN, u.lower, u.AD, xv, y, n, mode), OrderlyStop);
        EXPECT_EQ(cap.text, line);
    }
}

TEST(InhouseKernels, TriangularSweepsSolveTheDenseTriangles) {
    // strictly lower pattern: row 3 {1,2}, row 4 {2}, row 5 {1,3,4}
    const std::vector<integer> IU = {1, 1, 1, 3, 4, 7}, JU = {1, 2, 2, 1, 3, 4};
    const Vec L = {0.5, -1.0, 2.0, 0.25, -0.75, 1.5}, U = {-0.5, 3.0, 1.0, 2.5, -1.25, 0.125};
    const Vec D = {0.5, 2.0, -0.25, 1.0, 4.0}, b = {1.0, -1.0, 2.0, 0.5, -3.0};
    for (const bool forward : {true, false})
        for (const integer flag : {0, 1}) {
            Dense t(5);  // T(i, JU(k)) = L(k) or T(JU(k), i) = U(k); diagonal 1/D or 1
            for (integer i = 1; i <= 5; ++i) {
                t(i, i) = flag == 1 ? 1.0 / D[i - 1] : 1.0;
                for (integer k = IU[i - 1]; k < IU[i]; ++k)
                    (forward ? t(i, JU[k - 1]) : t(JU[k - 1], i)) = (forward ? L : U)[k - 1];
            }
            Vec x = b;
            if (forward) {
                fwsrowd(IU, JU, L, D, flag, x, 5);
            } else {
                bwscold(IU, JU, U, D, flag, x, 5);
            }
            EXPECT_LT(test::distance(test::multiply(t, x), b), 1e-13) << forward << flag;
        }
}

TEST(InhouseKernels, VectorUpdatesByMode) {
    const Vec x0 = {1, 2, 3}, yy = {10, 20, 30}, z0 = {-1, -1, -1};
    const Vec sum = {11, 22, 33}, diff = {-9, -18, -27}, sxy = {12, 24, 36}, axby = {-8, -16, -24};
    const struct {
        char kernel;  // s: sctxpyd (s = 2), x: xplusyd, a: axplbyd (a = 2, b = -1)
        integer mode;
        Vec x, y, z;
    } cases[] = {
        {'s', 1, sxy, yy, z0}, {'s', 2, x0, sxy, z0},   {'s', 3, x0, yy, sxy},
        {'x', 2, x0, sum, z0}, {'x', -1, diff, yy, z0}, {'x', -3, x0, yy, diff},
        {'x', 0, x0, yy, z0},  {'a', 1, axby, yy, z0},  {'a', 3, x0, yy, axby},
        {'a', 4, x0, yy, z0},
    };
    for (const auto& c : cases) {
        Vec x = x0, y = yy, z = z0;
        if (c.kernel == 's') sctxpyd(2.0, x, y, z, 3, c.mode);
        if (c.kernel == 'x') xplusyd(x, y, z, 3, c.mode);
        if (c.kernel == 'a') axplbyd(2.0, x, -1.0, y, z, 3, c.mode);
        EXPECT_TRUE(x == c.x && y == c.y && z == c.z) << c.kernel << " mode " << c.mode;
    }
    Vec x = x0;
    test::ScreenCapture cap;
    EXPECT_THROW(sctxpyd(1.0, x, x, x, 3, 4), OrderlyStop);
    EXPECT_EQ(cap.text, " SCTXPY/ERROR: KRES DEBE SER 1,2 O 3\n");
}

// t(i, j) = f(i) a(i, j) g(j), stored as the storages the routines work on
Dense transformed(const Vec& f, const Vec& g) {
    Dense t(4);
    for (integer i = 1; i <= 4; ++i)
        for (integer j = 1; j <= 4; ++j) t(i, j) = f[i - 1] * a4(i, j) * g[j - 1];
    return t;
}

TEST(InhouseConditioning, SignChangeAndScalingMatchTheDenseTransforms) {
    const Vec sign = {1, -1, 1, 1}, one = {1, 1, 1, 1}, b0 = {1, 2, 3, 4};
    const Vec s = {0.5, 1.0 / 3.0, 1.0, 0.25};  // 1/sqrt|AD|, 1 for the zero diagonal
    auto f = test::full_rows(a4);
    auto u = test::upper_rows(a4);
    Vec bf = b0, bu = b0, S(4);
    sigchange(u.AD, f.IAC, f.AC, bf, 4);
    EXPECT_EQ(f.AC, test::full_rows(transformed(sign, one)).AC);
    sigchangelu(u.IA, u.JA, u.AD, u.lower, u.AN, bu, 4, 0);
    const auto ref = test::upper_rows(transformed(sign, one));
    EXPECT_TRUE(u.AN == ref.AN && u.lower == ref.lower);
    EXPECT_TRUE(bf == (Vec{1, -2, 3, 4}) && bu == bf);
    EXPECT_EQ(u.AD, (Vec{4, 9, 0, 16}));

    f = test::full_rows(a4);
    bf = b0;
    diagscale(test::upper_rows(a4).AD, f.IAC, f.JAC, f.AC, bf, S, 4);
    EXPECT_EQ(S, s);
    EXPECT_LT(test::distance(f.AC, test::full_rows(transformed(s, s)).AC), 1e-15);

    // strictly-upper rows: one warning line for the zero diagonal; AD becomes S AD S
    u = test::upper_rows(a4);
    bu = b0;
    test::ScreenCapture cap;
    diagscalelu(u.AD, u.IA, u.JA, u.AN, u.lower, bu, S, 4, 0);
    EXPECT_EQ(cap.text,
              " DIAGSCD/WARNING: SE ENCONTRARON            1  DIAGONALES NO POSITIVAS.\n");
    EXPECT_EQ(u.AD, (Vec{1, -1, 0, 1}));
    const auto uref = test::upper_rows(transformed(s, s));
    EXPECT_LT(test::distance(u.AN, uref.AN) + test::distance(u.lower, uref.lower), 1e-15);
    EXPECT_LT(test::distance(bu, {0.5, 2.0 / 3.0, 3.0, 1.0}), 1e-15);
    // one array for both triangles, positive diagonals: silent, symmetric result
    Dense sym(2, {4, 2, 2, 9});
    auto v = test::upper_rows(sym);
    Vec bv = {1, 1};
    cap.text.clear();
    diagscalelu(v.AD, v.IA, v.JA, v.AN, v.AN, bv, S, 2, 1);
    EXPECT_EQ(cap.text, "");
    EXPECT_EQ(v.AN, (Vec{2.0 / 6.0}));
    EXPECT_EQ(v.AD, (Vec{1, 1}));
}

// Level-1 sums keep the reference order whatever BLAS is linked: the values below differ in the
// last bits between that order and a plain or vectorised sum. Norms of huge and tiny entries
// neither overflow nor underflow.
TEST(ReferenceLevel1, SummationOrderAndScaledNorms) {
    const Vec a = {1e16, 1.0, -1e16, 1.0, 1.0, 3.0, 0.1, 0.2}, ones(8, 1.0);
    // first 8 mod 5 = 3 terms one by one (1.0 survives: 1e16+1-1e16 = 0), then 1+1+3+0.1+0.2
    EXPECT_EQ(ddot(8, F1<const real>(a), 1, F1<const real>(ones), 1), ((0.0 + 1.0) + 1.0 + 3.0 + 0.1) + 0.2);
    EXPECT_EQ(ddot(2, F1<const real>(a), -2, F1<const real>(ones), 1), 1e16 - 1e16);
    const struct { Vec x; real norm; } norms[] = {
        {{3e200, 4e200}, 5e200}, {{3e-200, 4e-200}, 5e-200}, {{3.0, 4.0}, 5.0},
        {{3e-160, 4.0}, 4.0}, {{0.0, 0.0}, 0.0}};
    for (const auto& c : norms)
        EXPECT_DOUBLE_EQ(dnrm2(2, F1<const real>(c.x), 1), c.norm) << c.norm;
}

}  // namespace
}  // namespace vetrix
