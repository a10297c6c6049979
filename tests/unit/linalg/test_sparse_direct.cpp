// Sparse direct solver: solutions against dense elimination, the refill of changed values with
// one analysis, and the breakdowns named by their equation.
#include <gtest/gtest.h>

#include <limits>

#include "linalg/sparse_direct.hpp"
#include "linalg_test_support.hpp"

namespace vetrix {
namespace {

using test::Dense;
using test::Vec;

struct Case {
    const char* name;
    Dense a;
    bool sym;
    SparseStatus status;
    integer equation;  // where the breakdown is named (0: none)
};

// A five-point grid (symmetric positive definite, then with convection), and the two breakdowns:
// a negative pivot under symmetric storage, an exactly zero row and column under LU, and a value
// that is not a number (which the LU library lets through).
constexpr real kNaN = std::numeric_limits<real>::quiet_NaN();
const Case kCases[] = {
    {"spd", test::grid(4, 4.5, 0.0, 0.0), true, SparseStatus::ok, 0},
    {"convection", test::grid(4, 4.5, 0.4, -0.3), false, SparseStatus::ok, 0},
    {"indefinite", Dense(3, {4, 1, 0, 1, 4, 1, 0, 1, -4}), true,
     SparseStatus::not_positive_definite, 3},
    {"singular", Dense(3, {4, 0, 1, 0, 0, 0, 1, 0, 4}), false, SparseStatus::singular, 2},
    {"not a number", Dense(3, {4, 1, 0, 1, kNaN, 1, 0, 1, 4}), false, SparseStatus::singular, 2},
};

TEST(SparseDirect, SolvesRefillsAndNamesBreakdowns) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        test::UpperRows u = test::upper_rows(c.a);
        const integer n = c.a.n;
        SparseDirect f;
        ASSERT_GT(f.set_pattern(F1<const integer>(u.IA), F1<const integer>(u.JA), n, c.sym), 0);
        f.refill(F1<const real>(u.AN), F1<const real>(u.lower), F1<const real>(u.AD));
        const SparseOutcome r = f.factor();
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.equation, c.equation);
        if (r.status != SparseStatus::ok) continue;
        EXPECT_GT(f.factor_entries(), 0);
        EXPECT_GT(f.factor_bytes(), 8 * f.factor_entries() - 1);

        Vec b(n), x(n, 0.0);
        for (integer i = 1; i <= n; ++i) b[i - 1] = 1.0 + 0.25 * i;
        const Vec b0 = b;
        f.solve(F1<const real>(b), F1<real>(x));
        EXPECT_LT(test::max_relative_error(x, test::dense_solve(c.a, b)), 1e-13);
        EXPECT_EQ(b, b0);

        // doubled values: the refactorisation re-uses the analysis and halves the solution
        for (Vec* v : {&u.AN, &u.lower, &u.AD})
            for (real& e : *v) e *= 2.0;
        f.refill(F1<const real>(u.AN), F1<const real>(u.lower), F1<const real>(u.AD));
        ASSERT_EQ(f.factor().status, SparseStatus::ok);
        Vec y(n, 0.0);
        f.solve(F1<const real>(b), F1<real>(y));
        for (integer i = 0; i < n; ++i)
            EXPECT_NEAR(y[i], 0.5 * x[i], 1e-14 * std::abs(x[i]) + 1e-15);
        EXPECT_EQ(f.analyses(), 1);
        EXPECT_EQ(f.factorisations(), 2);
    }
}

}  // namespace
}  // namespace vetrix
