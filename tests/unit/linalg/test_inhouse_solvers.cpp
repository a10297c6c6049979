// In-house CGS, GMRES and Gauss-Seidel: solutions against a dense solve, stopping rules, limits and
// break-downs.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "inhouse_test_systems.hpp"
#include "linalg/ilut.hpp"
#include "linalg/inhouse_solvers.hpp"

namespace vetrix {
namespace {

using test::Dense;
using Vec = std::vector<real>;

const Dense spd(6, {4,    -1, 0,  0,  -0.5, 0,   //
                    -1,   4,  -1, 0,  0,    0,   //
                    0,    -1, 4,  -1, 0,    0,   //
                    0,    0,  -1, 4,  -1,   0,   //
                    -0.5, 0,  0,  -1, 4,    -1,  //
                    0,    0,  0,  0,  -1,   4});
const Dense nonsym(6, {5,    -1.5, 0,    0,    0,   0.5,  //
                       -0.5, 6,    -2,   0,    1,   0,    //
                       0,    1,    4,    -1.5, 0,   0,    //
                       0,    0,    -0.5, 5,    2,   0,    //
                       0,    -1,   0,    1,    7,   -3,   //
                       -2,   0,    0,    0,    0.5, 4});
// Integer matrix and solution: b = A x is exact, so the residual of x is exactly zero.
const Vec exact_x = {1, -2, 3, 1, -1, 2};
Vec rhs(const Dense& a) {
    return test::multiply(a, exact_x);
}

enum class Pc { Ilu0, Unit, Jacobi };

test::Factor make_factor(const Dense& a, Pc pc) {
    auto fac = test::lower_pattern(a, pc == Pc::Jacobi);
    if (pc == Pc::Jacobi)
        for (integer i = 1; i <= a.n; ++i) fac.D[i - 1] = 1.0 / a(i, i);
    if (pc == Pc::Ilu0) {
        const auto f = test::full_rows(a);
        std::vector<integer> iw(static_cast<std::size_t>(a.n));
        EXPECT_EQ(ilufk1d(f.IAC, f.JAC, f.AC, fac.IU, fac.JU, fac.L, fac.D, fac.U, iw, a.n), 0);
    }
    return fac;
}

// Modified-sparse-row factors for the CGS with the threshold ILU: Jacobi by hand, or ilut.
struct Msr {
    std::vector<integer> jlu, ju;
    Vec alu;
};
Msr jacobi_msr(const Dense& a) {
    const integer n = a.n;
    Msr m{std::vector<integer>(n + 1, n + 2), std::vector<integer>(n, n + 2), Vec(n + 1, 0.0)};
    for (integer i = 1; i <= n; ++i) m.alu[i - 1] = 1.0 / a(i, i);
    return m;
}
Msr ilut_msr(const Dense& a) {
    const integer n = a.n, cap = n * n + n + 2;
    Msr m{std::vector<integer>(cap), std::vector<integer>(n), Vec(cap)};
    const auto f = test::full_rows(a);
    Vec w(n + 1);
    std::vector<integer> jw(2 * n);
    integer ierr = 0;
    ilut(n, f.AC, f.JAC, f.IAC, 2, 1e-3, m.alu, m.jlu, m.ju, cap, w, jw, ierr);
    EXPECT_EQ(ierr, 0);
    return m;
}

struct Outcome {
    integer ierr = 0;
    Vec x;
    std::vector<std::string> lines;
};

struct Cgs {
    integer n;
    Vec rt, p, u, q, xn, t;
    explicit Cgs(integer order) : n(order), rt(n), p(n), u(n), q(n), xn(n), t(n) {}
};

Outcome run_cgsap1d(const Dense& a, Pc pc, Vec b, Vec x, real eps, integer itmax) {
    const auto f = test::full_rows(a);
    const auto fac = make_factor(a, pc);
    Cgs w(a.n);
    Outcome o;
    test::ScreenCapture cap;
    cgsap1d(f.IAC, f.JAC, f.AC, fac.IU, fac.JU, fac.L, fac.D, fac.U, x, b, w.rt, w.p, w.u, w.q,
            w.xn, w.t, a.n, eps, itmax, o.ierr);
    o.x = x;
    o.lines = cap.lines();
    return o;
}

Outcome run_cgsap1dlu2(const Dense& a, Pc pc, Vec b, Vec x, real eps, integer itmax) {
    const auto s = test::upper_rows(a);
    const auto fac = make_factor(a, pc);
    Cgs w(a.n);
    Outcome o;
    test::ScreenCapture cap;
    cgsap1dlu2(s.IA, s.JA, s.AN, s.lower, s.AD, fac.IU, fac.JU, fac.L, fac.D, fac.U, x, b, w.rt,
               w.p, w.u, w.q, w.xn, w.t, a.n, eps, itmax, o.ierr);
    o.x = x;
    o.lines = cap.lines();
    return o;
}

Outcome run_cgs_tarnd(const Dense& a, const Msr& m, Vec b, Vec x, real eps, integer itmax) {
    const auto f = test::full_rows(a);
    Cgs w(a.n);
    Outcome o;
    test::ScreenCapture cap;
    cgs_tarnd(f.IAC, f.JAC, f.AC, m.ju, m.jlu, m.alu, x, b, w.rt, w.p, w.u, w.q, w.xn, w.t, a.n,
              eps, itmax, o.ierr);
    o.x = x;
    o.lines = cap.lines();
    return o;
}

Outcome run_gmresd1(const Dense& a, Pc pc, Vec b, Vec x, real eps, integer itmax, integer m) {
    const auto f = test::full_rows(a);
    const auto fac = make_factor(a, pc);
    const integer n = a.n, mm = std::max(m, 1);
    Vec V(n * (mm + 1)), w(n), h(mm), H(mm * (mm + 3) / 2), g(mm + 1), c(mm), s(mm), y(mm);
    Outcome o;
    test::ScreenCapture cap;
    gmresd1(f.IAC, f.JAC, f.AC, fac.IU, fac.JU, fac.L, fac.D, fac.U, x, b, V, w, eps, itmax, o.ierr,
            n, m, h, H, g, c, s, y);
    o.x = x;
    o.lines = cap.lines();
    return o;
}

Outcome run_gauseilu(const Dense& a, const Vec& b, Vec x, integer itmax) {
    const auto s = test::upper_rows(a);
    Vec xold(a.n), w(a.n);
    Outcome o;
    test::ScreenCapture cap;
    gauseilu(s.IA, s.JA, s.lower, s.AN, s.AD, b, x, xold, w, a.n, itmax, o.ierr);
    o.x = x;
    o.lines = cap.lines();
    return o;
}

real relative_error(const Dense& a, const Vec& x) {
    const Vec ref = test::dense_solve(a, rhs(a));
    return test::distance(x, ref) / test::norm(ref);
}

TEST(InhouseSolvers, EverySolverMatchesTheDenseSolve) {
    const Vec zero(6, 0.0);
    const Vec guess = {0.5, 0.5, 0.5, 0.5, 0.5, 0.5};
    struct Case {
        std::string name;
        Outcome (*run)(const Dense&, const Vec&);
    };
    const Case runs[] = {
        {"cgsap1d ILU(0)",
         [](const Dense& a, const Vec& x0) {
             return run_cgsap1d(a, Pc::Ilu0, rhs(a), x0, 1e-12, 100);
         }},
        {"cgsap1d unit",
         [](const Dense& a, const Vec& x0) {
             return run_cgsap1d(a, Pc::Unit, rhs(a), x0, 1e-12, 100);
         }},
        {"cgsap1dlu2 Jacobi",
         [](const Dense& a, const Vec& x0) {
             return run_cgsap1dlu2(a, Pc::Jacobi, rhs(a), x0, 1e-12, 100);
         }},
        {"cgsap1dlu2 ILU(0)",
         [](const Dense& a, const Vec& x0) {
             return run_cgsap1dlu2(a, Pc::Ilu0, rhs(a), x0, 1e-12, 100);
         }},
        {"cgs_tarnd Jacobi",
         [](const Dense& a, const Vec& x0) {
             return run_cgs_tarnd(a, jacobi_msr(a), rhs(a), x0, 1e-7, 100);
         }},
        {"cgs_tarnd ILUT",
         [](const Dense& a, const Vec& x0) {
             return run_cgs_tarnd(a, ilut_msr(a), rhs(a), x0, 1e-7, 100);
         }},
        {"gmresd1 ILU(0) m=3",
         [](const Dense& a, const Vec& x0) {
             return run_gmresd1(a, Pc::Ilu0, rhs(a), x0, 1e-12, 50, 3);
         }},
        {"gmresd1 unit m=6",
         [](const Dense& a, const Vec& x0) {
             return run_gmresd1(a, Pc::Unit, rhs(a), x0, 1e-12, 50, 6);
         }},
        {"gmresd1 Jacobi m=2",
         [](const Dense& a, const Vec& x0) {
             return run_gmresd1(a, Pc::Jacobi, rhs(a), x0, 1e-12, 50, 2);
         }},
        {"gauseilu",
         [](const Dense& a, const Vec& x0) { return run_gauseilu(a, rhs(a), x0, 5000); }},
    };
    const struct {
        const char* name;
        const Dense* a;
    } systems[] = {{"SPD", &spd}, {"non-symmetric", &nonsym}};
    for (const auto& sys : systems)
        for (const auto& run : runs)
            for (const Vec* x0 : {&zero, &guess}) {
                const Outcome o = run.run(*sys.a, *x0);
                EXPECT_GE(o.ierr, 0) << run.name << " on " << sys.name;
                EXPECT_LT(relative_error(*sys.a, o.x), 1e-6) << run.name << " on " << sys.name;
            }
}

TEST(Cgs, ZeroRightHandSideHasNothingToDo) {
    const Vec b(6, 0.0), x0 = {1, 2, 3, 4, 5, 6};
    for (const Outcome& o : {run_cgsap1d(spd, Pc::Unit, b, x0, 1e-8, 10),
                             run_cgsap1dlu2(spd, Pc::Unit, b, x0, 1e-8, 10)}) {
        EXPECT_EQ(o.ierr, -2);
        EXPECT_EQ(o.x, x0);
        EXPECT_TRUE(o.lines.empty());
    }
}

TEST(Cgs, ExactInitialGuessConvergesAtOnce) {
    // the residual is exactly zero: no break-down of rho or sigma, success at iteration 0
    const struct {
        const char* name;
        Outcome o;
        std::size_t lines;
    } cases[] = {
        {"cgsap1d", run_cgsap1d(nonsym, Pc::Ilu0, rhs(nonsym), exact_x, 1e-8, 10), 1},
        {"cgsap1dlu2", run_cgsap1dlu2(nonsym, Pc::Jacobi, rhs(nonsym), exact_x, 1e-8, 10), 4},
        {"cgs_tarnd", run_cgs_tarnd(nonsym, jacobi_msr(nonsym), rhs(nonsym), exact_x, 1e-8, 10), 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.o.ierr, 1) << c.name;
        EXPECT_EQ(c.o.x, exact_x) << c.name;
        EXPECT_EQ(c.o.lines.size(), c.lines) << c.name;
    }
}

TEST(Cgs, IterationLimits) {
    const Vec zero(6, 0.0);
    const struct {
        const char* name;
        Outcome o;
        std::size_t lines;
    } cases[] = {
        // one iteration: the final line only
        {"cgsap1d itmax 1", run_cgsap1d(spd, Pc::Unit, rhs(spd), zero, 1e-14, 1), 1},
        {"cgsap1d itmax 0", run_cgsap1d(spd, Pc::Unit, rhs(spd), zero, 1e-14, 0), 1},
        {"cgsap1d itmax -5", run_cgsap1d(spd, Pc::Unit, rhs(spd), zero, 1e-14, -5), 1},
        // two iterations: first residual, report of iteration 0 (two lines), final line
        {"cgsap1dlu2 itmax 1", run_cgsap1dlu2(spd, Pc::Unit, rhs(spd), zero, 1e-14, 1), 4},
        // five iterations with an unreachable tolerance: one report
        {"cgsap1dlu2 itmax 4, eps 0", run_cgsap1dlu2(spd, Pc::Unit, rhs(spd), zero, 0.0, 4), 4},
        {"cgs_tarnd itmax 1", run_cgs_tarnd(spd, jacobi_msr(spd), rhs(spd), zero, 1e-14, 1), 2},
        {"cgs_tarnd itmax 3", run_cgs_tarnd(spd, jacobi_msr(spd), rhs(spd), zero, 1e-14, 3), 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.o.ierr, -1) << c.name;
        EXPECT_EQ(c.o.lines.size(), c.lines) << c.name;
    }
}

TEST(Cgs, ReportEveryTenIterations) {
    // 200 x 200 Laplacian: far from converged after 21 iterations
    const integer n = 200;
    Dense lap(n);
    Vec b(n);
    for (integer i = 1; i <= n; ++i) {
        lap(i, i) = 2.0;
        if (i > 1) lap(i, i - 1) = lap(i - 1, i) = -1.0;
        b[i - 1] = i % 7;
    }
    const Outcome o = run_cgsap1dlu2(lap, Pc::Unit, b, Vec(n, 0.0), 1e-14, 20);
    EXPECT_EQ(o.ierr, -1);
    // first residual, reports at 0, 10 and 20, final line
    EXPECT_EQ(o.lines.size(), 1u + 3 * 2 + 1);
}

TEST(Cgs, SigmaBreakDownKeepsTheIterate) {
    const Dense skew(2, {0, 1, -1, 0});  // p . A p = 0 for every p
    const Vec b = {1, 0}, x0 = {0, 0};
    const Outcome full = run_cgsap1d(skew, Pc::Unit, b, x0, 1e-8, 10);
    const Outcome upper = run_cgsap1dlu2(skew, Pc::Unit, b, x0, 1e-8, 10);
    const Outcome tarnd = run_cgs_tarnd(skew, Msr{{4, 4, 4}, {4, 4}, {1, 1, 0}}, b, x0, 1e-8, 10);
    for (const Outcome* o : {&full, &upper, &tarnd}) {
        EXPECT_EQ(o->ierr, -4000);
        EXPECT_EQ(o->x, x0);
    }
    EXPECT_TRUE(full.lines.empty());
    EXPECT_EQ(upper.lines.size(), 1u);  // the first residual only
    ASSERT_EQ(tarnd.lines.size(), 1u);
    EXPECT_EQ(tarnd.lines[0], free_line({"Warning SIGMA Too Small", 0.0, 0}));
}

TEST(CgsTarnd, StopsOnTheAbsoluteResidual) {
    // a right-hand side of size 1e-8: after one step |r| < 0.001 eps while |r|/|b| is still large
    Vec b = rhs(spd);
    for (real& v : b) v *= 1e-8;
    const real eps = 1e-3;
    const Outcome o = run_cgs_tarnd(spd, jacobi_msr(spd), b, Vec(6, 0.0), eps, 100);
    EXPECT_EQ(o.ierr, 1);
    EXPECT_EQ(o.lines.size(), 2u);
    const Vec r = test::multiply(spd, o.x);
    EXPECT_GT(test::distance(r, b) / test::norm(b), eps);
    EXPECT_LT(test::distance(r, b), 0.001 * eps);
    // the same system at unit scale needs several iterations
    EXPECT_GT(run_cgs_tarnd(spd, jacobi_msr(spd), rhs(spd), Vec(6, 0.0), eps, 100).ierr, 1);
}

TEST(Gmresd1, KrylovDimensionOneConvergesInTheLastCycle) {
    const Vec zero(6, 0.0);
    const Outcome free_run = run_gmresd1(nonsym, Pc::Unit, rhs(nonsym), zero, 1e-10, 500, 1);
    const integer cycles = free_run.ierr;
    ASSERT_GT(cycles, 2);
    // every cycle prints its number and its residual, after the first line
    EXPECT_EQ(free_run.lines.size(), 1u + 2 * static_cast<std::size_t>(cycles));
    const Outcome last = run_gmresd1(nonsym, Pc::Unit, rhs(nonsym), zero, 1e-10, cycles, 1);
    EXPECT_EQ(last.ierr, cycles);
    EXPECT_EQ(last.x, free_run.x);
    EXPECT_LT(relative_error(nonsym, last.x), 1e-8);
    EXPECT_EQ(run_gmresd1(nonsym, Pc::Unit, rhs(nonsym), zero, 1e-10, cycles - 1, 1).ierr, -1);
}

TEST(Gmresd1, BreakDownsAndDegenerateInput) {
    const Vec zero(6, 0.0);
    // exact start: beta = 0 ends cycle 1 at once
    const Outcome exact = run_gmresd1(nonsym, Pc::Unit, rhs(nonsym), exact_x, 1e-10, 5, 3);
    EXPECT_EQ(exact.ierr, 1);
    EXPECT_EQ(exact.x, exact_x);
    // zero right-hand side: the solution is zero
    const Outcome homogeneous = run_gmresd1(spd, Pc::Ilu0, zero, exact_x, 1e-10, 5, 3);
    EXPECT_EQ(homogeneous.ierr, 0);
    EXPECT_EQ(homogeneous.x, zero);
    // no Krylov direction
    EXPECT_EQ(run_gmresd1(spd, Pc::Unit, rhs(spd), zero, 1e-10, 5, 0).ierr, -2);
    // A e1 = 0: the first column rotates to zero; nothing can be gained
    const Outcome singular =
        run_gmresd1(Dense(2, {0, 1, 0, 0}), Pc::Unit, {1, 0}, {0, 0}, 1e-10, 5, 2);
    EXPECT_EQ(singular.ierr, -3);
    EXPECT_EQ(singular.x, (Vec{0, 0}));
    // an invariant Krylov space (eta = 0) with the exact factor of a diagonal matrix
    const Outcome lucky = run_gmresd1(Dense(3, {2, 0, 0, 0, 4, 0, 0, 0, 8}), Pc::Jacobi, {2, 4, 8},
                                      {0, 0, 0}, 1e-10, 5, 3);
    EXPECT_EQ(lucky.ierr, 1);
    for (real v : lucky.x) EXPECT_NEAR(v, 1.0, 1e-15);
}

TEST(Gauseilu, SweepCountsAndStatuses) {
    const Vec zero(6, 0.0);
    const struct {
        const char* name;
        Outcome o;
        integer ierr;
        std::size_t sweeps;
    } cases[] = {
        // the exact solution stays put, yet six sweeps run
        {"exact start", run_gauseilu(spd, rhs(spd), exact_x, 100), 0, 6},
        {"exact start, itmax 3", run_gauseilu(spd, rhs(spd), exact_x, 3), 0, 3},
        {"too few sweeps", run_gauseilu(spd, rhs(spd), zero, 4), -1, 4},
        {"zero system stays zero", run_gauseilu(spd, zero, zero, 100), 0, 6},
        {"no sweep", run_gauseilu(spd, rhs(spd), zero, 0), -1, 0},
        {"zero diagonal", run_gauseilu(Dense(2, {0, 1, 1, 2}), {1, 1}, {0, 0}, 100), -3, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.o.ierr, c.ierr) << c.name;
        EXPECT_EQ(c.o.lines.size(), c.sweeps) << c.name;
        for (real v : c.o.x) EXPECT_TRUE(std::isfinite(v)) << c.name;
    }
    EXPECT_EQ(cases[0].o.lines.back(), free_line({100, 6, 0.0}));
}

}  // namespace
}  // namespace vetrix
