// In-house ILU(0), CGS, GMRES and Gauss-Seidel: exact factors, dense solves, stopping rules,
// limits, break-downs and the screen lines of one solve.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "linalg/inhouse_solvers.hpp"
#include "linalg_test_support.hpp"

namespace vetrix {
namespace {

using test::Dense;
using test::Vec;

const Dense spd(6, {4, -1, 0,  0, -0.5, 0, -1,   4, -1, 0,  0, 0,  0, -1, 4, -1, 0,  0,  //
                    0, 0,  -1, 4, -1,   0, -0.5, 0, 0,  -1, 4, -1, 0, 0,  0, 0,  -1, 4});
const Dense nonsym(6, {5, -1.5, 0,    0, 0, 0.5, -0.5, 6,  -2, 0, 1, 0,  0,  1, 4, -1.5, 0,   0,  //
                       0, 0,    -0.5, 5, 2, 0,   0,    -1, 0,  1, 7, -3, -2, 0, 0, 0,    0.5, 4});
const Dense diag4(4, {2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8, 0, 0, 0, 0, 16});
// b = A x is exact in binary, so the residual of x is exactly zero
const Vec exact_x = {1, -2, 3, 1, -1, 2};
Vec rhs(const Dense& a) {
    return test::multiply(a, exact_x);
}
real relative_error(const Dense& a, const Vec& x) {
    return test::max_relative_error(x, test::dense_solve(a, rhs(a)));
}

enum Pc { Ilu0, Unit, Jacobi };
test::Factor make_factor(const Dense& a, Pc pc, integer* status = nullptr) {
    auto fac = test::lower_pattern(a, pc == Jacobi);
    if (pc == Jacobi)
        for (integer i = 1; i <= a.n; ++i) fac.D[i - 1] = 1.0 / a(i, i);
    if (pc == Ilu0) {
        const auto f = test::full_rows(a);
        std::vector<integer> iw(a.n, -7);  // scratch arrives dirty
        const integer st =
            ilufk1d(f.IAC, f.JAC, f.AC, fac.IU, fac.JU, fac.L, fac.D, fac.U, iw, a.n);
        if (status) *status = st;
    }
    return fac;
}

struct Outcome {
    integer ierr = 0;
    Vec x;
    std::vector<std::string> lines;
};
enum Solver { Cgsap1d, Cgsap1dlu2, CgsTarnd, Gmresd1, Gauseilu };

// One solve; pc is the in-house factor (CgsTarnd: Jacobi or ILUT), m the Krylov dimension.
Outcome solve(Solver which, const Dense& a, Pc pc, Vec b, Vec x, real eps, integer itmax,
              integer m = 3) {
    const integer n = a.n, mm = std::max(m, 1);
    const auto f = test::full_rows(a);
    const auto u = test::upper_rows(a);
    const auto fac = make_factor(a, pc);
    const auto t = test::ilut_factor(test::csr(a), pc == Jacobi ? 0 : 2, pc == Jacobi ? 0.0 : 1e-3);
    Vec w1(n), w2(n), w3(n), w4(n), w5(n), w6(n);
    Vec V(n * (mm + 1)), h(mm), H(mm * (mm + 3) / 2), g(mm + 1), c(mm), s(mm), y(mm);
    Outcome o;
    test::ScreenCapture cap;
    switch (which) {
        case Cgsap1d:
            cgsap1d(f.IAC, f.JAC, f.AC, fac.IU, fac.JU, fac.L, fac.D, fac.U, x, b, w1, w2, w3, w4,
                    w5, w6, n, eps, itmax, o.ierr);
            break;
        case Cgsap1dlu2:
            cgsap1dlu2(u.IA, u.JA, u.AN, u.lower, u.AD, fac.IU, fac.JU, fac.L, fac.D, fac.U, x, b,
                       w1, w2, w3, w4, w5, w6, n, eps, itmax, o.ierr);
            break;
        case CgsTarnd:
            cgs_tarnd(f.IAC, f.JAC, f.AC, t.ju, t.jlu, t.alu, x, b, w1, w2, w3, w4, w5, w6, n, eps,
                      itmax, o.ierr);
            break;
        case Gmresd1:
            gmresd1(f.IAC, f.JAC, f.AC, fac.IU, fac.JU, fac.L, fac.D, fac.U, x, b, V, w1, eps,
                    itmax, o.ierr, n, m, h, H, g, c, s, y);
            break;
        case Gauseilu:
            gauseilu(u.IA, u.JA, u.lower, u.AN, u.AD, b, x, w1, w2, n, itmax, o.ierr);
            break;
    }
    o.x = x;
    o.lines = cap.lines();
    return o;
}

TEST(Ilufk1d, ExactLuWithoutFillAndPivotSafeguards) {
    // tridiagonal and arrow-to-the-last-row patterns create no fill: L U = A
    for (const Dense& a : {Dense(4, {4, -1, 0, 0, 2, 5, -2, 0, 0, 1, 6, 3, 0, 0, -1, 7}),
                           Dense(4, {5, 0, 0, 1, 0, 4, 0, -2, 0, 0, 3, 1, 2, 1, -1, 9})}) {
        integer status = -99;
        const auto fac = make_factor(a, Ilu0, &status);
        EXPECT_EQ(status, 0);
        Dense l(4), u(4), lu(4);
        for (integer i = 1; i <= 4; ++i) {
            l(i, i) = 1.0;
            u(i, i) = 1.0 / fac.D[i - 1];
            for (integer k = fac.IU[i - 1]; k < fac.IU[i]; ++k) {
                l(i, fac.JU[k - 1]) = fac.L[k - 1];
                u(fac.JU[k - 1], i) = fac.U[k - 1];
            }
        }
        for (integer i = 1; i <= 4; ++i)
            for (integer j = 1; j <= 4; ++j)
                for (integer k = 1; k <= 4; ++k) lu(i, j) += l(i, k) * u(k, j);
        EXPECT_LT(test::distance(lu.v, a.v), 1e-14);
    }
    // zero pivots: sqrt of 2^-53 |l21| |u12| with neighbours; without, the scale of row 2 of A
    const real t = 1.1102230246251565e-16 * 6.0;
    integer st = -99;
    EXPECT_EQ(make_factor(Dense(2, {0, 2, 3, 1}), Ilu0, &st).D[0], 1 / std::sqrt(t));
    EXPECT_EQ(st, 0);
    EXPECT_EQ(make_factor(Dense(2, {2, 1, 1, 0.5}), Ilu0, &st).D, (Vec{0.5, 1.0}));
    EXPECT_EQ(st, 2);
}

TEST(InhouseSolvers, EverySolverMatchesTheDenseSolve) {
    const struct {
        const char* name;
        Solver s;
        Pc pc;
        real eps;
        integer itmax, m;
    } runs[] = {
        {"cgsap1d ILU(0)", Cgsap1d, Ilu0, 1e-12, 100, 0},
        {"cgsap1d unit", Cgsap1d, Unit, 1e-12, 100, 0},
        {"cgsap1dlu2 Jacobi", Cgsap1dlu2, Jacobi, 1e-12, 100, 0},
        {"cgs_tarnd Jacobi", CgsTarnd, Jacobi, 1e-7, 100, 0},
        {"cgs_tarnd ILUT", CgsTarnd, Ilu0, 1e-7, 100, 0},
        {"gmresd1 ILU(0) m=3", Gmresd1, Ilu0, 1e-12, 50, 3},
        {"gmresd1 Jacobi m=2", Gmresd1, Jacobi, 1e-12, 50, 2},
        {"gauseilu", Gauseilu, Unit, 0, 5000, 0},
    };
    for (const Dense* a : {&spd, &nonsym})
        for (const auto& r : runs)
            for (const real x0 : {0.0, 0.5}) {
                const Outcome o = solve(r.s, *a, r.pc, rhs(*a), Vec(6, x0), r.eps, r.itmax, r.m);
                EXPECT_GE(o.ierr, 0) << r.name;
                EXPECT_LT(relative_error(*a, o.x), 1e-6)
                    << r.name << (a == &spd ? " SPD" : " non-sym");
            }
}

TEST(Cgs, StartsLimitsAndBreakDowns) {
    const Vec zero(6, 0.0);
    const Dense skew(2, {0, 1, -1, 0});  // p . A p = 0: sigma breaks down at once
    Vec near_x = exact_x;
    near_x[3] = std::nextafter(1.0, 2.0);
    const struct {
        const char* name;
        Outcome o;
        integer ierr;
        std::size_t lines;
    } cases[] = {
        {"cgsap1d zero b", solve(Cgsap1d, spd, Unit, zero, exact_x, 1e-8, 9), -2, 0},
        // exact start: success at iteration 0, no break-down
        {"cgsap1d exact", solve(Cgsap1d, nonsym, Ilu0, rhs(nonsym), exact_x, 1e-8, 9), 1, 1},
        {"cgsap1dlu2 exact", solve(Cgsap1dlu2, nonsym, Jacobi, rhs(nonsym), exact_x, 1e-8, 9), 1,
         4},
        {"cgs_tarnd exact", solve(CgsTarnd, nonsym, Jacobi, rhs(nonsym), exact_x, 1e-8, 9), 1, 2},
        // a start off by one unit in the last place: rho and sigma ~ 1e-31 are no break-down
        {"cgsap1d near", solve(Cgsap1d, spd, Jacobi, rhs(spd), near_x, 1e-8, 9), 1, 1},
        {"cgsap1dlu2 near", solve(Cgsap1dlu2, spd, Jacobi, rhs(spd), near_x, 1e-8, 9), 1, 4},
        {"cgs_tarnd near", solve(CgsTarnd, spd, Jacobi, rhs(spd), near_x, 1e-8, 9), 1, 2},
        // limits: one iteration (also for a limit below one), two for the upper-row variant
        {"cgsap1d itmax 1", solve(Cgsap1d, spd, Unit, rhs(spd), zero, 1e-14, 1), -1, 1},
        {"cgs_tarnd itmax 3", solve(CgsTarnd, spd, Jacobi, rhs(spd), zero, 1e-14, 3), -1, 4},
        {"cgsap1d skew", solve(Cgsap1d, skew, Unit, {1, 0}, {0, 0}, 1e-8, 9), -4000, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.o.ierr, c.ierr) << c.name;
        EXPECT_EQ(c.o.lines.size(), c.lines) << c.name;
        if (c.ierr == -2 || c.ierr == 1) {
            EXPECT_EQ(c.o.x, std::string(c.name).ends_with("near") ? near_x : exact_x) << c.name;
        }
    }
}

TEST(Cgs, ThresholdVariantStopsOnTheAbsoluteResidual) {
    // |b| ~ 1e-7: after one step |r| < 0.001 eps although the relative change is still huge
    Vec b = rhs(spd);
    for (real& v : b) v *= 1e-8;
    const Outcome o = solve(CgsTarnd, spd, Jacobi, b, Vec(6, 0.0), 1e-3, 100);
    EXPECT_EQ(o.ierr, 1);
    EXPECT_LT(test::distance(test::multiply(spd, o.x), b), 1e-6);
    EXPECT_GT(solve(CgsTarnd, spd, Jacobi, rhs(spd), Vec(6, 0.0), 1e-3, 100).ierr, 1);
}

TEST(Gmresd1, KrylovDimensionOneConvergesInTheLastCycleAndBreakDownsEndAtOnce) {
    const Vec zero(6, 0.0), b = rhs(nonsym);
    const Outcome free_run = solve(Gmresd1, nonsym, Unit, b, zero, 1e-10, 500, 1);
    const integer cycles = free_run.ierr;
    ASSERT_GT(cycles, 2);
    EXPECT_EQ(free_run.lines.size(), 1u + 2 * cycles);  // bn line, then two lines per cycle
    const Outcome last = solve(Gmresd1, nonsym, Unit, b, zero, 1e-10, cycles, 1);
    EXPECT_EQ(last.ierr, cycles);
    EXPECT_LT(relative_error(nonsym, last.x), 1e-8);
    EXPECT_EQ(solve(Gmresd1, nonsym, Unit, b, zero, 1e-10, cycles - 1, 1).ierr, -1);

    const Dense nilpotent(2, {0, 1, 0, 0});  // A e1 = 0: the first column rotates to zero
    const struct {
        const char* name;
        Outcome o;
        integer ierr;
        Vec x;
    } cases[] = {
        {"exact start", solve(Gmresd1, nonsym, Unit, b, exact_x, 1e-10, 5), 1, exact_x},
        {"singular", solve(Gmresd1, nilpotent, Unit, {1, 0}, {0, 0}, 1e-10, 5, 2), -3, {0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.o.ierr, c.ierr) << c.name;
        EXPECT_EQ(c.o.x, c.x) << c.name;
    }
}

TEST(Gauseilu, SixSweepsAtLeastAndStatuses) {
    const Vec zero(6, 0.0);
    const struct {
        const char* name;
        Outcome o;
        integer ierr;
        std::size_t sweeps;
    } cases[] = {
        {"exact start", solve(Gauseilu, spd, Unit, rhs(spd), exact_x, 0, 100), 0, 6},
        {"too few sweeps", solve(Gauseilu, spd, Unit, rhs(spd), zero, 0, 4), -1, 4},
        {"zero diagonal", solve(Gauseilu, Dense(2, {0, 1, 1, 2}), Unit, {1, 1}, {0, 0}, 0, 9), -3,
         0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.o.ierr, c.ierr) << c.name;
        EXPECT_EQ(c.o.lines.size(), c.sweeps) << c.name;
        for (real v : c.o.x) EXPECT_TRUE(std::isfinite(v)) << c.name;
    }
    EXPECT_EQ(cases[0].o.lines.back(), free_line({100, 6, 0.0f}));
}

// A = diag(2, 4, 8, 16), b = 1, preconditioned by its inverse: one step gives x = (1/2, ..., 1/16)
// with a zero residual; from x = 0 the relative change is 0.5762215285808054 / 1e-25.
TEST(InhouseOutput, LinesOfOneSolveOfEachIteration) {
    const std::string upper = " ->CGS_iter=    0 |R|/|B|= 0.00E+00; |DX|/|X|= 0.58E+25";
    const std::string tarnd =
        " -> CGS_iter =    0   |R|/|B| =0.00E+00   |DX|/|X| =0.58E+25   |R| =0.00E+00";
    const struct {
        Solver s;
        std::vector<std::pair<std::string, bool>> lines;  // text, written with a layout
    } cases[] = {
        {Cgsap1d, {{" -> CGS_iter=    0 |R|/|B|=  0.00000E+00 |DX|/|X|=  0.57622E+25", true}}},
        {Cgsap1dlu2,
         {{free_line({"First Residual", 2.0, 2.0}), false},
          {upper, true},
          {free_line({0.0, 0.0}), false},
          {upper, true}}},
        {CgsTarnd, {{tarnd, true}, {tarnd, true}}},
        {Gmresd1,
         {{free_line({2.0, 2e-6}), false},
          {" GMRES iteration:    1", true},
          {free_line({"-> <GMRES> Error/BNorm =", 0.0}), false}}},
    };
    for (const auto& c : cases) {
        const Outcome o = solve(c.s, diag4, Jacobi, Vec(4, 1.0), Vec(4, 0.0), 1e-6, 10);
        EXPECT_EQ(o.ierr, 1);
        EXPECT_EQ(o.x, (Vec{0.5, 0.25, 0.125, 0.0625}));
        ASSERT_EQ(o.lines.size(), c.lines.size());
        for (std::size_t i = 0; i < c.lines.size(); ++i) EXPECT_EQ(o.lines[i], c.lines[i].first);
    }
}

}  // namespace
}  // namespace vetrix
