// Tests of the iterative front end: scaling, block incomplete LU, every solver branch against a
// dense solution, attempt bounds, stops and the printed lines.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "common/screen.hpp"
#include "common/stops.hpp"
#include "io/timing.hpp"
#include "linalg/block_ilut.hpp"
#include "linalg/ilut.hpp"
#include "linalg/iterative_solver.hpp"
#include "linalg/scaling.hpp"
#include "linalg/storage_conversion.hpp"

using namespace vetrix;

namespace {

// Runs f with the screen captured into out, also when f throws.
template <class F>
void captured(std::string& out, F&& f) {
    screen().capture(&out);
    try {
        f();
    } catch (...) {
        screen().capture(nullptr);
        throw;
    }
    screen().capture(nullptr);
}

std::vector<std::string> lines_of(const std::string& s) {
    std::vector<std::string> v;
    std::istringstream in(s);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

// ---- systems ---------------------------------------------------------------------------------

// Dense matrix (row-major) and its strictly-upper row storage (AN: upper, then lower values).
struct System {
    integer n = 0;
    std::vector<real> dense, AD, AN, b;
    std::vector<integer> IA, JA;
};

// Strictly-upper storage of a dense matrix with a structurally symmetric pattern.
System from_dense(integer n, std::vector<real> dense) {
    System s;
    s.n = n;
    s.dense = std::move(dense);
    std::vector<real> lower;
    s.IA.push_back(1);
    for (integer i = 0; i < n; ++i) {
        s.AD.push_back(s.dense[i * n + i]);
        for (integer j = i + 1; j < n; ++j)
            if (s.dense[i * n + j] != 0.0 || s.dense[j * n + i] != 0.0) {
                s.JA.push_back(j + 1);
                s.AN.push_back(s.dense[i * n + j]);
                lower.push_back(s.dense[j * n + i]);
            }
        s.IA.push_back(static_cast<integer>(s.JA.size()) + 1);
    }
    s.AN.insert(s.AN.end(), lower.begin(), lower.end());
    for (integer i = 0; i < n; ++i) s.b.push_back(1.0 + 0.5 * std::sin(1.0 + i));
    return s;
}

// Five-point operator on a g x g grid: diagonal d, neighbours -1 -/+ convection (cx, cy).
System grid(integer g, real d, real cx, real cy) {
    const integer n = g * g;
    std::vector<real> a(n * n, 0.0);
    for (integer i = 0; i < g; ++i)
        for (integer j = 0; j < g; ++j) {
            const integer k = i * g + j;
            a[k * n + k] = d;
            if (j > 0) a[k * n + k - 1] = -1.0 - cx;
            if (j < g - 1) a[k * n + k + 1] = -1.0 + cx;
            if (i > 0) a[k * n + k - g] = -1.0 - cy;
            if (i < g - 1) a[k * n + k + g] = -1.0 + cy;
        }
    return from_dense(n, a);
}

std::vector<real> dense_solve(const System& s) {
    const integer n = s.n;
    std::vector<real> A = s.dense, x = s.b;
    for (integer k = 0; k < n; ++k) {
        integer p = k;
        for (integer i = k + 1; i < n; ++i)
            if (std::abs(A[i * n + k]) > std::abs(A[p * n + k])) p = i;
        for (integer j = 0; j < n; ++j) std::swap(A[k * n + j], A[p * n + j]);
        std::swap(x[k], x[p]);
        for (integer i = k + 1; i < n; ++i) {
            const real f = A[i * n + k] / A[k * n + k];
            for (integer j = k; j < n; ++j) A[i * n + j] -= f * A[k * n + j];
            x[i] -= f * x[k];
        }
    }
    for (integer i = n - 1; i >= 0; --i) {
        for (integer j = i + 1; j < n; ++j) x[i] -= A[i * n + j] * x[j];
        x[i] /= A[i * n + i];
    }
    return x;
}

// One call of the front end with the storage the driver gives a substep of this type.
struct Call {
    integer type = 107;
    logical sym = 0;
    real eps = 1e-10;
    integer itmax = 500, krylov = 10, lfil = 10;
    real tolpre = 1e-4;
    integer NDof = 1;
    std::vector<integer> iDofEq;  // default: equation i at node i
    // results
    std::vector<real> x;
    std::vector<integer> JAC;
    std::vector<real> AN, UN;
    integer ierr = 0;
    std::string out;
};

void solve(const System& s, Call& r) {
    const integer n = s.n, nnz = s.IA[n] - 1;
    std::vector<real> AN = s.AN, AD = s.AD, B = s.b;
    if (r.sym) AN.resize(nnz);
    const integer lju = n + 2 + 2 * r.lfil * n, p = std::max(r.krylov, 20);
    std::vector<integer> IU(n + 1, 1), JU(std::max(lju, nnz) + 1, 0), IAC(n + 1), JAC(2 * nnz + n);
    std::vector<real> UN(2 * (std::max(lju, nnz) + 1)), UD(2 * n), AC(2 * nnz + n);
    std::vector<real> ws(std::max<integer>({(p + 6) * n + 5 * p + p * p + 5, 12 * n,
                                            2 * n * (r.krylov + 1) + 3 * r.krylov + 1000 + n}));
    if (r.type == 3 || r.type == 4 || r.type == 6) {  // in-house factor pattern, as the set-up
        trans_ultoc(s.IA, s.JA, AN, AN, AD, IAC, JAC, AC, n);
        integer count = 0;
        symcmr(IAC, JAC, IU, JU, n, count);
    }
    if (r.iDofEq.empty())
        for (integer i = 1; i <= n; ++i) r.iDofEq.push_back(i);
    const integer NodT = static_cast<integer>(r.iDofEq.size()) / r.NDof;
    std::vector<integer> none(NodT + 1, 1), types(1, 0), IE(1, 1);
    std::vector<real> X(3 * NodT, 0.0);
    r.x.assign(n, 0.0);
    const F1<real> upper(AN.data(), nnz);
    const F1<real> lower = r.sym ? upper : F1<real>(AN).section(nnz + 1, nnz);
    const F1<real> UNu(UN.data(), static_cast<std::ptrdiff_t>(UN.size()) / 2);
    const F1<real> UNl = r.sym ? UNu : F1<real>(UN).section(UN.size() / 2 + 1);
    captured(r.out, [&] {
        iterative_solver(s.IA, s.JA, lower, AD, upper, B, r.x, IU, JU, UNl, UD, UNu, IAC, JAC, AC,
                         r.eps, r.itmax, r.ierr, n, r.krylov, r.lfil, r.tolpre, ws, r.type, r.sym,
                         IE, none, none, none, X, none, none, r.iDofEq, types, NodT, 0, r.NDof, 3);
    });
    r.JAC = JAC;
    r.AN = AN;
    r.UN = UN;
}

real max_error(const std::vector<real>& x, const std::vector<real>& ref) {
    real e = 0.0, m = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        e = std::max(e, std::abs(x[i] - ref[i]));
        m = std::max(m, std::abs(ref[i]));
    }
    return e / m;
}

// Screen text of the solvers' own progress lines hidden: what remains is the front end's.
std::vector<std::string> front_end_lines(const std::string& out) {
    std::vector<std::string> kept;
    for (const std::string& l : lines_of(out)) {
        const std::string t = l.substr(l.find_first_not_of(' ') == std::string::npos
                                           ? l.size()
                                           : l.find_first_not_of(' '));
        if (l.rfind(" Elapsed Time in Secs =", 0) == 0) {
            kept.push_back("<elapsed>");
        } else if (!t.empty() && (std::isdigit(static_cast<unsigned char>(t[0])) || t[0] == '#' ||
                                  t.rfind("Iterative s", 0) == 0 || t.rfind("GMRES it", 0) == 0 ||
                                  t.rfind("-> <GMRES>", 0) == 0)) {
            if (kept.empty() || kept.back() != "<solver>") kept.push_back("<solver>");
        } else {
            kept.push_back(l);
        }
    }
    return kept;
}

// Timing lines print only once the clock runs, and go to ElapsedTime.txt of the current folder.
class FrontEnd : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = std::filesystem::current_path();
        const auto dir = std::filesystem::temp_directory_path() / "vetrix_front_end_test";
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        reset_timers();
        timerout("start");
    }
    void TearDown() override { std::filesystem::current_path(home_); }
    std::filesystem::path home_;
};

}  // namespace

// ---- scaling ---------------------------------------------------------------------------------

TEST(Scaling, RowAndColumnNormsOfEveryKindAndZeroLines) {
    // A = [2 0 -1; 0 -4 0; 3 0 4] in compressed rows; a zero value stands in a stored position
    const std::vector<integer> ia{1, 3, 4, 6}, ja{1, 3, 2, 1, 3};
    const std::vector<real> a{2, -1, -4, 3, 4};
    struct Case {
        bool rows;
        integer kind;
        std::vector<real> factors;
    };
    const std::vector<Case> cases{
        {true, 0, {1 / 2., 1 / 4., 1 / 4.}},          {true, 1, {1 / 3., 1 / 4., 1 / 7.}},
        {true, 2, {1 / std::sqrt(5.), 1 / 4., 1 / 5.}}, {false, 0, {1 / 3., 1 / 4., 1 / 4.}},
        {false, 1, {1 / 5., 1 / 4., 1 / 5.}}, {false, 2, {1 / std::sqrt(13.), 1 / 4., 1 / std::sqrt(17.)}}};
    for (const Case& c : cases) {
        std::vector<real> v = a, d(3);
        integer ierr = -9;
        (c.rows ? roscal : coscal)(3, c.kind, v, ja, ia, d, ierr);
        EXPECT_EQ(ierr, 0);
        for (integer i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(d[i], c.factors[i]) << c.rows << c.kind;
        for (integer i = 0; i < 3; ++i)
            for (integer k = ia[i]; k < ia[i + 1]; ++k)
                EXPECT_DOUBLE_EQ(v[k - 1], a[k - 1] * c.factors[c.rows ? i : ja[k - 1] - 1]);
    }
    // row 2 / column 2 of zeros: reported, nothing scaled
    const std::vector<real> z{2, -1, 0, 3, 4};
    for (const bool rows : {true, false}) {
        std::vector<real> v = z, d(3);
        integer ierr = 0;
        (rows ? roscal : coscal)(3, 1, v, ja, ia, d, ierr);
        EXPECT_EQ(ierr, 2);
        EXPECT_EQ(v, z);
    }
    std::vector<real> v = a, d(3);
    integer ierr = 0;
    EXPECT_THROW(roscal(3, 3, v, ja, ia, d, ierr), std::logic_error);
}

TEST_F(FrontEnd, ZeroRowOrColumnStopsNamingNodeAndDof) {
    // equation 3 (node 2, dof 1 of two dofs per node) has a zero row and, the matrix being
    // symmetric, a zero column
    std::vector<real> a{4, -1, 0, 0, -1, 4, 0, -1, 0, 0, 0, 0, 0, -1, 0, 4};
    const System s = from_dense(4, a);
    for (const integer type : {100, 107}) {
        Call r;
        r.type = type;
        r.NDof = 2;
        r.iDofEq = {2, 4, 3, 1};
        EXPECT_THROW(solve(s, r), OrderlyStop);
        EXPECT_EQ(r.out,
                  " ->ZERO ROW IN EQUATION           3 NODE           2 DOF           1\n"
                  " ->The system matrix is singular: it cannot be scaled nor solved.\n");
    }
}

// ---- block incomplete LU ------------------------------------------------------------------------

struct FullRows {
    integer n = 0;
    std::vector<integer> IAC, JAC;
    std::vector<real> AC;
};

// Rows coupling to near neighbours and to two far columns anywhere in the matrix, so that every
// block has entries in earlier and later blocks (also in columns 1..b of a second block).
FullRows coupled(integer n) {
    FullRows m;
    m.n = n;
    m.IAC.push_back(1);
    for (integer i = 1; i <= n; ++i) {
        std::vector<integer> cols{i, i - 1, i + 1, i - 60, i + 60, (i * 37) % n + 1,
                                  (i * 101 + 13) % n + 1};
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

TEST(BlockIlut, BlocksFactorSeparatelyAndMergeIntoOneFactor) {
    struct Case {
        integer n;
        std::vector<integer> sizes;
    };
    const std::vector<Case> cases{{4999, {4999}},
                                  {5000, {5000}},
                                  {10000, {5000, 5000}},
                                  {12000, {5000, 7000}},
                                  {17500, {5000, 5000, 7500}}};
    const integer lfil = 4;
    const real tol = 1e-3;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        const integer n = c.n;
        EXPECT_EQ(ilut_block_sizes(n), c.sizes);
        FullRows m = coupled(n);
        const std::vector<integer> jac0 = m.JAC;
        const std::vector<real> ac0 = m.AC;
        const integer cap = n + 2 + 2 * n * lfil;
        std::vector<real> alu(cap), w(n + 1);
        std::vector<integer> jlu(cap), ju(n + 1), jw(2 * n);
        std::string out;
        captured(out, [&] { block_ilut(n, m.IAC, m.JAC, m.AC, lfil, tol, alu, jlu, ju, w, jw); });
        EXPECT_EQ(m.JAC, jac0);  // restored exactly
        EXPECT_EQ(m.AC, ac0);
        std::string expect;
        for (std::size_t k = 2; k <= c.sizes.size(); ++k)
            expect += " Preconditioned block n\xEF\xBF\xBD:           " + std::to_string(k) +
                      " of           " + std::to_string(c.sizes.size()) + "\n";
        EXPECT_EQ(out, expect);

        // reference: each block alone, its own columns 1..b and every other column c as b + c
        integer o = 0, mismatches = 0;
        for (const integer b : c.sizes) {
            std::vector<integer> ia(b + 1), ja;
            std::vector<real> a;
            ia[0] = 1;
            for (integer i = 1; i <= b; ++i) {
                for (integer k = m.IAC[o + i - 1]; k < m.IAC[o + i]; ++k) {
                    const integer col = m.JAC[k - 1];
                    ja.push_back(col > o && col <= o + b ? col - o : b + col);
                    a.push_back(m.AC[k - 1]);
                }
                ia[i] = static_cast<integer>(ja.size()) + 1;
            }
            const integer ncol = b + n, rcap = b + 2 + 2 * b * lfil;
            std::vector<real> ralu(rcap), rw(ncol + 1);
            std::vector<integer> rjlu(rcap), rju(b + 1), rjw(2 * ncol);
            integer ierr = 0;
            ilut(b, a, ja, ia, lfil, tol, ralu, rjlu, rju, rcap, rw, rjw, ierr, ncol);
            ASSERT_EQ(ierr, 0);
            for (integer i = 1; i <= b; ++i) {
                const integer g = o + i;
                std::vector<std::pair<integer, real>> low, up, mlow, mup;
                for (integer k = rjlu[i - 1]; k < rjlu[i]; ++k) {
                    const integer p = rjlu[k - 1], col = p <= b ? p + o : p - b;
                    (col < g ? low : up).push_back({col, ralu[k - 1]});
                }
                for (integer k = jlu[g - 1]; k < ju[g - 1]; ++k) mlow.push_back({jlu[k - 1], alu[k - 1]});
                for (integer k = ju[g - 1]; k < jlu[g]; ++k) mup.push_back({jlu[k - 1], alu[k - 1]});
                if (alu[g - 1] != ralu[i - 1] || low != mlow || up != mup) ++mismatches;
            }
            o += b;
        }
        EXPECT_EQ(mismatches, 0);
        if (c.sizes.size() == 1) {  // one block: the factor of the whole matrix, position by position
            std::vector<real> walu(cap), ww(n + 1);
            std::vector<integer> wjlu(cap), wju(n + 1), wjw(2 * n);
            integer ierr = 0;
            ilut(n, m.AC, m.JAC, m.IAC, lfil, tol, walu, wjlu, wju, cap, ww, wjw, ierr);
            EXPECT_EQ(wjlu, jlu);
            EXPECT_EQ(wju, ju);
            EXPECT_EQ(walu, alu);
        }
    }
}

TEST(BlockIlut, FailedFactorisationStopsWithItsReason) {
    struct Case {
        integer lfil;
        real zero_row_value;
        std::string text;
    };
    const std::vector<Case> cases{{-1, 1.0, " illegal lfil entered.\n"},
                                  {3, 0.0, " zero row encountered.\n"}};
    for (const Case& c : cases) {
        FullRows m = coupled(300);
        for (integer k = m.IAC[199]; k < m.IAC[200]; ++k) m.AC[k - 1] *= c.zero_row_value;
        std::vector<real> alu(300 + 2 + 600 * 3), w(301);
        std::vector<integer> jlu(alu.size()), ju(301), jw(600);
        std::string out;
        EXPECT_THROW(captured(out, [&] {
                         block_ilut(300, m.IAC, m.JAC, m.AC, c.lfil, 1e-3, alu, jlu, ju, w, jw);
                     }),
                     OrderlyStop);
        EXPECT_EQ(out, c.text);
    }
}

// ---- solves ------------------------------------------------------------------------------------

// A heat-like symmetric positive definite system (stored once or twice) and a diagonally dominant
// convection-diffusion system; every branch must reproduce the dense solution.
TEST_F(FrontEnd, EveryTypeSolvesHeatAndConvectionSystems) {
    const System heat = grid(8, 4.1, 0.0, 0.0), conv = grid(8, 4.1, 0.4, -0.3);
    struct Case {
        integer type;
        integer itmax;
        real accuracy;
    };
    const std::vector<Case> cases{
        {1, 5000, 1e-5}, {2, 500, 1e-7},  {3, 500, 1e-7},  {4, 50, 1e-7},  {5, 50, 1e-7},
        {6, 50, 1e-7},   {100, 500, 1e-7}, {101, 500, 1e-7}, {102, 500, 1e-7}, {103, 500, 1e-7},
        {104, 500, 1e-7}, {105, 500, 1e-7}, {106, 500, 1e-7}, {107, 500, 1e-7}, {108, 500, 1e-7},
        {109, 500, 1e-7}, {110, 500, 1e-7}};
    struct Sys {
        const System* s;
        logical sym;
    };
    const std::vector<Sys> systems{{&heat, 1}, {&heat, 0}, {&conv, 0}};
    for (const Sys& sys : systems) {
        const std::vector<real> ref = dense_solve(*sys.s);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.type) + (sys.s == &heat ? " heat" : " conv") +
                         (sys.sym ? " sym" : ""));
            Call r;
            r.type = c.type;
            r.sym = sys.sym;
            r.itmax = c.itmax;
            r.lfil = 3;
            r.tolpre = 1e-2;
            ASSERT_NO_THROW(solve(*sys.s, r)) << r.out;
            EXPECT_GE(r.ierr, 0);
            EXPECT_LT(max_error(r.x, ref), c.accuracy) << r.out;
        }
    }
}

TEST_F(FrontEnd, LinesOfOneKrylovSolveAndOfEachInHouseSolve) {
    const System s = grid(4, 4.1, 0.2, 0.0);
    struct Case {
        integer type;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases{
        {107,
         {" System is Preconditioned, begining solver loops", "<elapsed>", "  ",
          " \t*** GMRES ***", "<solver>", " ", "<elapsed>",
          " --->TARN Iterative Solver has CONVERGED in Loop           1"}},
        {6, {"<solver>", " --->GMRES_IMSL Converged           1"}},
    };
    for (const Case& c : cases) {
        Call r;
        r.type = c.type;
        solve(s, r);
        EXPECT_EQ(front_end_lines(r.out), c.lines) << r.out;
    }
}

TEST_F(FrontEnd, FailedAttemptsAreBounded) {
    const System s = grid(8, 4.1, 0.0, 0.0);
    struct Case {
        integer type, krylov, itmax;
        real eps;
        integer not_converged, new_loops;
        std::string last;
    };
    const std::string gave_up = " did not converge in          50 attempts: the linear system is not solved";
    const std::vector<Case> cases{
        // one product per attempt: never enough
        {107, 5, 1, 1e-14, 50, 49, " ->TARN Iterative Solver" + gave_up},
        // too little work space for the default dimension: no new attempt
        {107, 1, 100, 1e-14, 1, 0,
         " ->TARN Iterative Solver has NOT CONVERGED in Itmax =         100"},
        {4, 10, 1, 1e-14, 0, 0, " ->GMRESD1" + gave_up},
        {3, 10, 1, 0.0, 0, 0, " ->CGSAP1D" + gave_up},
        {1, 10, 2, 1e-14, 0, 0, " ->GAUSSEIDEL" + gave_up},
        // 50 attempts as they stand, 50 more diagonally scaled
        {2, 10, 1, 0.0, 0, 0,
         " ->CGSAP1D did not converge in         100 attempts: the linear system is not solved"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        Call r;
        r.type = c.type;
        r.krylov = c.krylov;
        r.itmax = c.itmax;
        r.lfil = 0;
        r.eps = c.eps;
        EXPECT_THROW(solve(s, r), OrderlyStop);
        const std::vector<std::string> l = lines_of(r.out);
        integer nc = 0, nl = 0;
        for (const std::string& x : l) {
            nc += x.rfind(" ->TARN Iterative Solver has NOT CONVERGED", 0) == 0;
            nl += x.rfind(" ->A new Loop is Attempted", 4) == 4;
        }
        EXPECT_EQ(nc, c.not_converged);
        EXPECT_EQ(nl, c.new_loops);
        ASSERT_FALSE(l.empty());
        EXPECT_EQ(l.back(), c.last);
    }
}

TEST_F(FrontEnd, NodalVolumeBranchStopsOnAZeroDiagonal) {
    // equation 2 has a zero diagonal but couples to its neighbours
    const System s = from_dense(3, {2, 1, 0, 1, 0, 1, 0, 1, 2});
    Call r;
    r.type = 2;
    EXPECT_THROW(solve(s, r), OrderlyStop);
    EXPECT_EQ(r.out,
              " ->ZERO DIAGONAL IN EQUATION           2 NODE           2 DOF           1\n"
              " ->The nodal-volume preconditioner needs a nonzero diagonal: the system is not "
              "solved.\n");
}

TEST_F(FrontEnd, SymmetricGmresFactorKeepsItsLowerPartApart) {
    // tridiagonal: the factor without fill is exact; U must hold a(i-1, i), L a(i, i-1) / u
    const integer n = 6;
    std::vector<real> a(n * n, 0.0);
    for (integer i = 0; i < n; ++i) {
        a[i * n + i] = 3.0 + i;
        if (i > 0) a[i * n + i - 1] = a[(i - 1) * n + i] = -1.0 - 0.1 * i;
    }
    const System s = from_dense(n, a);
    Call r;
    r.type = 4;
    r.sym = 1;
    solve(s, r);
    const std::vector<real> ref = dense_solve(s);
    EXPECT_LT(max_error(r.x, ref), 1e-10);
    for (integer i = 2; i <= n; ++i) {
        const real up = a[(i - 2) * n + i - 1];
        EXPECT_DOUBLE_EQ(r.AN[i - 2], up);  // U(i-1, i), stored in row i's pattern
        EXPECT_NE(r.UN[i - 2], up);         // L(i, i-1) = a(i, i-1) / u(i-1, i-1)
    }
}

TEST(FrontEndNodalVolumes, QuarterVolumesOfAdjacentTetrahedra) {
    // two tetrahedra sharing the face 2-3-4: volumes 1/6 and 5/6; a triangle of type 1 and a
    // tetrahedron of type 2 add nothing
    const std::vector<real> X{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 2, 2, 2, 5, 5, 5};
    const std::vector<integer> IE{1, 5, 9, 12, 16}, JE{1, 2, 3, 4, 5, 2, 3, 4, 6, 2, 3, 1, 2, 3, 6};
    const std::vector<integer> types{1, 1, 1, 2};
    std::vector<integer> ptr(7), lst;
    {  // elements around each node
        std::vector<std::vector<integer>> around(6);
        for (integer e = 1; e <= 4; ++e)
            for (integer k = IE[e - 1]; k < IE[e]; ++k) around[JE[k - 1] - 1].push_back(e);
        ptr[0] = 1;
        for (integer i = 0; i < 6; ++i) {
            lst.insert(lst.end(), around[i].begin(), around[i].end());
            ptr[i + 1] = static_cast<integer>(lst.size()) + 1;
        }
    }
    // five dofs per node; node 6 has no equations; dof 5 of node 1 is equation 6
    std::vector<integer> iDofEq(30, 0);
    iDofEq[0] = 1;
    iDofEq[4] = 6;
    iDofEq[5] = 2;
    iDofEq[10] = 3;
    iDofEq[16] = 4;
    iDofEq[20] = 5;
    std::vector<real> UD(7, -7.0);
    precond(IE, JE, ptr, lst, X, iDofEq, types, 6, 5, 3, UD);
    const real v1 = 1.0 / 24, v2 = 5.0 / 24;
    EXPECT_EQ(UD, (std::vector<real>{v1, v1 + v2, v1 + v2, v1 + v2, v2, 1.0, -7.0}));
    // the same mesh read as two-dimensional has no volumes
    std::vector<real> ud2(7, -7.0);
    precond(IE, JE, ptr, lst, X, iDofEq, types, 6, 5, 2, ud2);
    EXPECT_EQ(ud2, (std::vector<real>{1, 1, 1, 1, 1, 1, -7}));
}

TEST(FrontEndTypes, OtherSolverTypesAreProgrammingErrors) {
    const System s = grid(2, 4.0, 0.0, 0.0);
    for (const integer type : {-1, 0, 7, 99, 111, 200}) {
        Call r;
        r.type = type;
        EXPECT_THROW(solve(s, r), std::logic_error) << type;
    }
}
