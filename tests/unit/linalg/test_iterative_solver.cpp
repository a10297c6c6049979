// Tests of the iterative front end: scaling, block incomplete LU, every solver type against a
// dense solution, attempt bounds, stops and printed lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "common/stops.hpp"
#include "io/timing.hpp"
#include "linalg/block_ilut.hpp"
#include "linalg/ilut.hpp"
#include "linalg/iterative_solver.hpp"
#include "linalg/scaling.hpp"
#include "linalg/storage_conversion.hpp"
#include "linalg_test_support.hpp"

using namespace vetrix;
using test::Dense;
using test::Ints;
using test::Vec;

namespace {

// Dense matrix and its strictly-upper row storage (AN: upper, then lower values).
struct System {
    integer n = 0;
    Dense dense;
    Vec AD, AN, b;
    Ints IA, JA;
};
System from_dense(const Dense& a) {
    auto u = test::upper_rows(a);
    System s{a.n, a, u.AD, u.AN, {}, u.IA, u.JA};
    s.AN.insert(s.AN.end(), u.lower.begin(), u.lower.end());
    for (integer i = 0; i < a.n; ++i) s.b.push_back(1.0 + 0.5 * std::sin(1.0 + i));
    return s;
}
System grid(integer g, real d, real cx, real cy) {
    return from_dense(test::grid(g, d, cx, cy));
}
real error_of(const System& s, const Vec& x) {
    return test::max_relative_error(x, test::dense_solve(s.dense, s.b));
}

// One call of the front end with the storage the driver set-up gives a substep of this type.
struct Call {
    integer type = 107;
    logical sym = 0;
    real eps = 1e-10;
    integer itmax = 500, krylov = 10, lfil = 10;
    real tolpre = 1e-4;
    integer NDof = 1;
    Ints iDofEq;    // default: equation i is node i
    Vec x, AN, UN;  // results
    integer ierr = 0;
    std::string out;
};

void solve(const System& s, Call& r) {
    const integer n = s.n, nnz = s.IA[n] - 1, p = std::max(r.krylov, 20);
    const integer lju = std::max(n + 2 + 2 * r.lfil * n, nnz);
    Vec AN = s.AN, AD = s.AD, B = s.b, UN(2 * lju), UD(2 * n), AC(2 * nnz + n),
        ws((p + 6) * n + 5 * p + p * p + 5 + 2 * n * r.krylov), X(3 * n);
    Ints IU(n + 1, 1), JU(lju), IAC(n + 1), JAC(2 * nnz + n), none(n + 1, 1);
    if (r.type == 3 || r.type == 4 || r.type == 6) {  // in-house factor pattern
        trans_ultoc(s.IA, s.JA, AN, AN, AD, IAC, JAC, AC, n);
        integer count = 0;
        symcmr(IAC, JAC, IU, JU, n, count);
    }
    if (r.iDofEq.empty())
        for (integer i = 1; i <= n; ++i) r.iDofEq.push_back(i);
    const F1<real> up(AN.data(), nnz), low = r.sym ? up : F1<real>(AN).section(nnz + 1, nnz);
    const F1<real> UNu(UN.data(), lju), UNl = r.sym ? UNu : F1<real>(UN).section(lju + 1);
    r.x.assign(n, 0.0);
    test::ScreenCapture cap(&r.out);
    iterative_solver(s.IA, s.JA, low, AD, up, B, r.x, IU, JU, UNl, UD, UNu, IAC, JAC, AC, r.eps,
                     r.itmax, r.ierr, n, r.krylov, r.lfil, r.tolpre, ws, r.type, r.sym, none, none,
                     none, none, X, none, none, r.iDofEq, none,
                     static_cast<integer>(r.iDofEq.size()) / r.NDof, 0, r.NDof, 3);
    r.AN = AN;
    r.UN = UN;
}

// The screen text with the solvers' own lines folded into "<solver>" and the elapsed times hidden.
std::vector<std::string> front_end_lines(const std::string& out) {
    std::vector<std::string> kept;
    for (const std::string& l : test::lines_of(out)) {
        const std::string t = l.substr(std::min(l.size(), l.find_first_not_of(' ')));
        const bool solver = !t.empty() && (std::isdigit(static_cast<unsigned char>(t[0])) ||
                                           t[0] == '#' || t.rfind("Iterative s", 0) == 0 ||
                                           t.rfind("GMRES it", 0) == 0 || t.rfind("-> <", 0) == 0);
        if (l.rfind(" Elapsed Time in Secs =", 0) == 0) {
            kept.push_back("<elapsed>");
        } else if (!solver) {
            kept.push_back(l);
        } else if (kept.empty() || kept.back() != "<solver>") {
            kept.push_back("<solver>");
        }
    }
    return kept;
}

// Timing lines print once the clock runs; they also go to ElapsedTime.txt of the current folder.
class FrontEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto dir = std::filesystem::temp_directory_path() / "vetrix_front_end_test";
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        reset_timers();
        timerout("start");
    }
    void TearDown() override { std::filesystem::current_path(home_); }
    std::filesystem::path home_ = std::filesystem::current_path();
};

}  // namespace

TEST(Scaling, RowAndColumnNormsOfEveryKindAndZeroLines) {
    // A = [2 0 -1; 0 -4 0; 3 0 4] in compressed rows; norms max (0), sum (1), Euclidean (2)
    const Ints ia{1, 3, 4, 6}, ja{1, 3, 2, 1, 3};
    const Vec a{2, -1, -4, 3, 4};
    const real s5 = std::sqrt(5.), s13 = std::sqrt(13.), s17 = std::sqrt(17.);
    const std::tuple<bool, integer, Vec> cases[] = {
        {true, 0, {1 / 2., 1 / 4., 1 / 4.}},  {true, 1, {1 / 3., 1 / 4., 1 / 7.}},
        {true, 2, {1 / s5, 1 / 4., 1 / 5.}},  {false, 0, {1 / 3., 1 / 4., 1 / 4.}},
        {false, 1, {1 / 5., 1 / 4., 1 / 5.}}, {false, 2, {1 / s13, 1 / 4., 1 / s17}}};
    for (const auto& [rows, kind, factors] : cases) {
        Vec v = a, d(3);
        integer ierr = -9;
        (rows ? roscal : coscal)(3, kind, v, ja, ia, d, ierr);
        EXPECT_EQ(ierr, 0);
        EXPECT_EQ(d, factors);
        for (integer i = 0; i < 3; ++i)
            for (integer k = ia[i]; k < ia[i + 1]; ++k)
                EXPECT_DOUBLE_EQ(v[k - 1], a[k - 1] * factors[rows ? i : ja[k - 1] - 1]);
    }
    // a zero in row 2 / column 2: reported, nothing scaled
    const Vec z{2, -1, 0, 3, 4};
    for (const bool rows : {true, false}) {
        Vec v = z, d(3);
        integer ierr = 0;
        (rows ? roscal : coscal)(3, 1, v, ja, ia, d, ierr);
        EXPECT_EQ(ierr, 2);
        EXPECT_EQ(v, z);
    }
}

// ---- block incomplete LU ---------------------------------------------------------------------

// Rows coupling to near neighbours and to two far columns anywhere in the matrix: every block has
// entries in earlier and later blocks (also in columns 1..b of a second block).
test::FullRows coupled(integer n) {
    test::FullRows m;
    for (integer i = 1; i <= n; ++i) {
        Ints cols{i, i - 1, i + 1, i - 60, i + 60, (i * 37) % n + 1, (i * 101 + 13) % n + 1};
        std::sort(cols.begin(), cols.end());
        cols.erase(std::unique(cols.begin(), cols.end()), cols.end());
        for (const integer c : cols) {
            if (c < 1 || c > n) continue;
            m.JAC.push_back(c);
            m.AC.push_back(c == i ? 8.0 + std::cos(i) : 0.5 * std::sin(0.7 * i + 1.3 * c));
        }
        m.IAC.push_back(static_cast<integer>(m.JAC.size()) + 1);
    }
    return m;
}

using Entries = std::vector<std::pair<integer, real>>;

TEST(BlockIlut, BlocksFactorSeparatelyAndMergeIntoOneFactor) {
    const std::vector<std::pair<integer, Ints>> cases{{4999, {4999}},
                                                      {5000, {5000}},
                                                      {10000, {5000, 5000}},
                                                      {12000, {5000, 7000}},
                                                      {17500, {5000, 5000, 7500}}};
    const integer lfil = 4;
    const real tol = 1e-3;
    for (const auto& [n, sizes] : cases) {
        SCOPED_TRACE(n);
        EXPECT_EQ(ilut_block_sizes(n), sizes);
        test::FullRows m = coupled(n);
        const test::FullRows m0 = m;
        const integer cap = n + 2 + 2 * n * lfil;
        Vec alu(cap), w(n + 1);
        Ints jlu(cap), ju(n + 1), jw(2 * n);
        std::string out, expect;
        {
            test::ScreenCapture screen_text(&out);
            block_ilut(n, m.IAC, m.JAC, m.AC, lfil, tol, alu, jlu, ju, w, jw);
        }
        EXPECT_EQ(m.JAC, m0.JAC);  // restored exactly
        EXPECT_EQ(m.AC, m0.AC);
        for (std::size_t k = 2; k <= sizes.size(); ++k)
            expect += " Preconditioned block n\xEF\xBF\xBD:           " + std::to_string(k) +
                      " of           " + std::to_string(sizes.size()) + "\n";
        EXPECT_EQ(out, expect);

        // reference: each block alone, its own columns as 1..b and every other column c as b + c;
        // the merged rows must hold the same pivots and, left and right of the diagonal, the same
        // entries in the same order
        integer o = 0, mismatches = 0;
        for (const integer b : sizes) {
            Ints ia{1}, ja;
            Vec a;
            for (integer k = m.IAC[o]; k < m.IAC[o + b]; ++k) {
                const integer col = m.JAC[k - 1];
                ja.push_back(col > o && col <= o + b ? col - o : b + col);
                a.push_back(m.AC[k - 1]);
            }
            for (integer i = 1; i <= b; ++i) ia.push_back(m.IAC[o + i] - m.IAC[o] + 1);
            const integer ncol = b + n, rcap = b + 2 + 2 * b * lfil;
            Vec ralu(rcap), rw(ncol + 1);
            Ints rjlu(rcap), rju(b + 1), rjw(2 * ncol);
            integer ierr = 0;
            ilut(b, a, ja, ia, lfil, tol, ralu, rjlu, rju, rcap, rw, rjw, ierr, ncol);
            ASSERT_EQ(ierr, 0);
            for (integer i = 1; i <= b; ++i) {
                const integer g = o + i;
                Entries low, up, mlow, mup;
                for (integer k = rjlu[i - 1]; k < rjlu[i]; ++k) {
                    const integer col = rjlu[k - 1] <= b ? rjlu[k - 1] + o : rjlu[k - 1] - b;
                    (col < g ? low : up).push_back({col, ralu[k - 1]});
                }
                for (integer k = jlu[g - 1]; k < jlu[g]; ++k)
                    (k < ju[g - 1] ? mlow : mup).push_back({jlu[k - 1], alu[k - 1]});
                mismatches += alu[g - 1] != ralu[i - 1] || low != mlow || up != mup;
            }
            o += b;
        }
        EXPECT_EQ(mismatches, 0);
    }
}

// ---- solves ----------------------------------------------------------------------------------

// A heat-like symmetric positive definite system (stored once or twice) and a diagonally dominant
// convection-diffusion system: every type must reproduce the dense solution.
TEST_F(FrontEnd, EveryTypeSolvesHeatAndConvectionSystems) {
    const System heat = grid(8, 4.1, 0.0, 0.0), conv = grid(8, 4.1, 0.4, -0.3);
    const std::vector<std::pair<const System*, logical>> systems{
        {&heat, 1}, {&heat, 0}, {&conv, 0}};
    for (const auto& [s, sym] : systems) {
        for (const integer type :
             {1, 2, 3, 4, 5, 6, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110}) {
            SCOPED_TRACE(std::to_string(type) + (s == &heat ? " heat" : " conv") +
                         (sym ? " sym" : ""));
            Call r;
            r.type = type;
            r.sym = sym;
            r.itmax = type == 1 ? 5000 : (type >= 4 && type <= 6) ? 50 : 500;
            r.lfil = 3;
            r.tolpre = 1e-2;
            ASSERT_NO_THROW(solve(*s, r)) << r.out;
            EXPECT_GE(r.ierr, 0);
            EXPECT_LT(error_of(*s, r.x), type == 1 ? 1e-5 : 1e-7) << r.out;
        }
    }
}

TEST_F(FrontEnd, PrintedLinesOfASolve) {
    const System s = grid(4, 4.1, 0.2, 0.0);
    const std::vector<std::pair<integer, std::vector<std::string>>> cases{
        {107,
         {" System is Preconditioned, begining solver loops", "<elapsed>", "  ", " \t*** GMRES ***",
          "<solver>", " ", "<elapsed>",
          " --->TARN Iterative Solver has CONVERGED in Loop           1"}},
        {6, {"<solver>", " --->GMRES_IMSL Converged           1"}},
    };
    for (const auto& [type, lines] : cases) {
        Call r;
        r.type = type;
        solve(s, r);
        EXPECT_EQ(front_end_lines(r.out), lines) << r.out;
    }
}

TEST_F(FrontEnd, FailedAttemptsAreBounded) {
    const System s = grid(8, 4.1, 0.0, 0.0);
    const std::string gave_up =
        " did not converge in          50 attempts: the linear system is not solved";
    struct Case {
        integer type, krylov, itmax;
        real eps;
        integer not_converged;
        std::string last;
    };
    const std::vector<Case> cases{
        // one product per attempt is never enough
        {107, 5, 1, 1e-14, 50, " ->TARN Iterative Solver" + gave_up},
        // too little work space for the default dimension: no new attempt
        {107, 1, 100, 1e-14, 1,
         " ->TARN Iterative Solver has NOT CONVERGED in Itmax =         100"},
        {4, 10, 1, 1e-14, 0, " ->GMRESD1" + gave_up},
        {3, 10, 1, 0.0, 0, " ->CGSAP1D" + gave_up},
        {1, 10, 2, 1e-14, 0, " ->GAUSSEIDEL" + gave_up},
        // 50 attempts as they stand, 50 more diagonally scaled
        {2, 10, 1, 0.0, 0,
         " ->CGSAP1D did not converge in         100 attempts: the linear system is not solved"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        Call r;
        r.type = c.type;
        r.krylov = c.krylov;
        r.itmax = c.itmax;
        r.lfil = 0;
        r.eps = c.eps;
        EXPECT_THROW(solve(s, r), OrderlyStop);
        const std::vector<std::string> l = test::lines_of(r.out);
        const auto count = [&](const std::string& head) {
            return std::count_if(l.begin(), l.end(),
                                 [&](const std::string& x) { return x.rfind(head, 0) == 0; });
        };
        EXPECT_EQ(count(" ->TARN Iterative Solver has NOT CONVERGED"), c.not_converged);
        EXPECT_EQ(count("     ->A new Loop is Attempted"), std::max(c.not_converged - 1, 0));
        EXPECT_EQ(l.back(), c.last);
    }
}

TEST_F(FrontEnd, UnsolvableEquationsStopNamingNodeAndDof) {
    // equation 3 is node 2, dof 1 (two dofs per node): first a zero row and column, then a zero
    // diagonal beside nonzero couplings
    const System zero_row =
        from_dense(Dense(4, {4, -1, 0, 0, -1, 4, 0, -1, 0, 0, 0, 0, 0, -1, 0, 4}));
    const System zero_diag =
        from_dense(Dense(4, {4, -1, 0, 0, -1, 4, 1, 0, 0, 1, 0, 1, 0, 0, 1, 4}));
    const std::string row =
        " ->ZERO ROW IN EQUATION           3 NODE           2 DOF           1\n"
        " ->The system matrix is singular: it cannot be scaled nor solved.\n";
    const std::vector<std::tuple<const System*, integer, std::string>> cases{
        {&zero_row, 110, row},
        {&zero_diag, 2,
         " ->ZERO DIAGONAL IN EQUATION           3 NODE           2 DOF           1\n"
         " ->The nodal-volume preconditioner needs a nonzero diagonal: the system is not "
         "solved.\n"}};
    for (const auto& [s, type, text] : cases) {
        Call r;
        r.type = type;
        r.NDof = 2;
        r.iDofEq = {2, 4, 3, 1};
        EXPECT_THROW(solve(*s, r), OrderlyStop);
        EXPECT_EQ(r.out, text);
    }
}

TEST_F(FrontEnd, SymmetricGmresFactorKeepsItsLowerPartApart) {
    // tridiagonal: the factor without fill is exact; U holds a(i-1, i), L a(i, i-1) / u(i-1, i-1)
    const integer n = 6;
    Dense a(n);
    for (integer i = 1; i <= n; ++i) {
        a(i, i) = 2.0 + i;
        if (i > 1) a(i, i - 1) = a(i - 1, i) = -0.9 - 0.1 * i;
    }
    const System s = from_dense(a);
    Call r;
    r.type = 4;
    r.sym = 1;
    solve(s, r);
    EXPECT_LT(error_of(s, r.x), 1e-12);
    for (integer i = 1; i < n; ++i) {
        EXPECT_DOUBLE_EQ(r.AN[i - 1], a(i, i + 1));
        EXPECT_NE(r.UN[i - 1], a(i, i + 1));
    }
}

TEST(FrontEndNodalVolumes, QuarterVolumesOfAdjacentTetrahedra) {
    // tetrahedra 1-2-3-4 (volume 1/6) and 5-2-3-4 (5/6), a triangle of type 1 and a tetrahedron
    // of type 2, which add nothing; five dofs per node, node 6 without equations
    const Vec X{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 2, 2, 2, 5, 5, 5};
    const Ints IE{1, 5, 9, 12, 16}, JE{1, 2, 3, 4, 5, 2, 3, 4, 6, 2, 3, 1, 2, 3, 6};
    const Ints types{1, 1, 1, 2}, ptr{1, 3, 7, 11, 13, 14, 15},
        around{1, 3, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 2, 4};
    Ints iDofEq(30, 0);
    iDofEq[0] = 1;
    iDofEq[4] = 6;  // fifth dof of node 1
    iDofEq[5] = 2;
    iDofEq[10] = 3;
    iDofEq[16] = 4;
    iDofEq[20] = 5;
    const real v1 = 1.0 / 24, v2 = 5.0 / 24;
    for (const integer NDim : {3, 2}) {  // read as two-dimensional there are no volumes
        Vec UD(7, -7.0);
        precond(IE, JE, ptr, around, X, iDofEq, types, 6, 5, NDim, UD);
        const Vec expect =
            NDim == 3 ? Vec{v1, v1 + v2, v1 + v2, v1 + v2, v2, 1, -7} : Vec{1, 1, 1, 1, 1, 1, -7};
        EXPECT_EQ(UD, expect);
    }
}
