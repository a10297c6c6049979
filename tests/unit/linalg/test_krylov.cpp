// Tests of the reverse-communication Krylov solvers, their helpers and the request driver runrc.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "common/screen.hpp"
#include "io/format.hpp"
#include "linalg/ilut.hpp"
#include "linalg/krylov.hpp"
#include "linalg/sparse_products.hpp"

using namespace vetrix;

namespace {

struct Csr {
    integer n = 0;
    std::vector<real> a;
    std::vector<integer> ja, ia;
    std::vector<real> dense;  // row-major copy for the reference solve
};

Csr from_dense(integer n, const std::vector<real>& d) {
    Csr m;
    m.n = n;
    m.dense = d;
    m.ia.push_back(1);
    for (integer i = 0; i < n; ++i) {
        for (integer j = 0; j < n; ++j) {
            if (d[i * n + j] != 0.0) {
                m.a.push_back(d[i * n + j]);
                m.ja.push_back(j + 1);
            }
        }
        m.ia.push_back(static_cast<integer>(m.a.size()) + 1);
    }
    return m;
}

// Five-point operator on a g x g grid: 4 on the diagonal, -1 -/+ the convection c in x and y.
Csr grid(integer g, real cx, real cy) {
    const integer n = g * g;
    std::vector<real> d(n * n, 0.0);
    for (integer i = 0; i < g; ++i)
        for (integer j = 0; j < g; ++j) {
            const integer k = i * g + j;
            d[k * n + k] = 4.0;
            if (j > 0) d[k * n + k - 1] = -1.0 - cx;
            if (j < g - 1) d[k * n + k + 1] = -1.0 + cx;
            if (i > 0) d[k * n + k - g] = -1.0 - cy;
            if (i < g - 1) d[k * n + k + g] = -1.0 + cy;
        }
    return from_dense(n, d);
}

// Symmetric indefinite tridiagonal: diagonal +4 on the first half, -4 on the second, 1 beside.
Csr indefinite(integer n) {
    std::vector<real> d(n * n, 0.0);
    for (integer i = 0; i < n; ++i) {
        d[i * n + i] = i < n / 2 ? 4.0 : -4.0;
        if (i > 0) d[i * n + i - 1] = 1.0;
        if (i < n - 1) d[i * n + i + 1] = 1.0;
    }
    return from_dense(n, d);
}

std::vector<real> dense_solve(integer n, std::vector<real> A, std::vector<real> b) {
    for (integer k = 0; k < n; ++k) {
        integer p = k;
        for (integer i = k + 1; i < n; ++i)
            if (std::abs(A[i * n + k]) > std::abs(A[p * n + k])) p = i;
        for (integer j = 0; j < n; ++j) std::swap(A[k * n + j], A[p * n + j]);
        std::swap(b[k], b[p]);
        for (integer i = k + 1; i < n; ++i) {
            const real f = A[i * n + k] / A[k * n + k];
            for (integer j = k; j < n; ++j) A[i * n + j] -= f * A[k * n + j];
            b[i] -= f * b[k];
        }
    }
    for (integer k = n - 1; k >= 0; --k) {
        for (integer j = k + 1; j < n; ++j) b[k] -= A[k * n + j] * b[j];
        b[k] /= A[k * n + k];
    }
    return b;
}

struct Factor {
    std::vector<real> alu;
    std::vector<integer> jlu, ju;
};
Factor precond(const Csr& m, integer lfil, real droptol) {
    const integer iwk = m.n + 2 + 2 * m.n * (lfil + 1);
    Factor f;
    f.alu.resize(iwk);
    f.jlu.resize(iwk);
    f.ju.resize(m.n);
    std::vector<real> w(m.n + 1);
    std::vector<integer> jw(2 * m.n);
    integer ierr = 1;
    ilut(m.n, m.a, m.ja, m.ia, lfil, droptol, f.alu, f.jlu, f.ju, iwk, w, jw, ierr);
    EXPECT_EQ(ierr, 0);
    return f;
}

struct Solver {
    const char* name;
    KrylovSolver fn;
    integer (*length)(integer n, integer m);
    bool symmetric_only;  // plain CG
};
const std::vector<Solver>& solvers() {
    static const std::vector<Solver> list = {
        {"cg", cg, [](integer n, integer) { return 5 * n; }, true},
        {"cgnr", cgnr, [](integer n, integer) { return 5 * n; }, false},
        {"bcg", bcg, [](integer n, integer) { return 7 * n; }, false},
        {"dbcg", dbcg, [](integer n, integer) { return 11 * n; }, false},
        {"bcgstab", bcgstab, [](integer n, integer) { return 8 * n; }, false},
        {"tfqmr", tfqmr, [](integer n, integer) { return 11 * n; }, false},
        {"fom", fom,
         [](integer n, integer m) { return n * (m + 2) + m * (m + 1) / 2 + 3 * m + 2; }, false},
        {"gmres", gmres,
         [](integer n, integer m) { return n * (m + 2) + m * (m + 1) / 2 + 3 * m + 2; }, false},
        {"fgmres", fgmres,
         [](integer n, integer m) { return n * (2 * m + 2) + m * (m + 1) / 2 + 3 * m + 2; },
         false},
        {"dqgmres", dqgmres, [](integer n, integer m) { return n + (m + 1) * (2 * n + 4); },
         false},
    };
    return list;
}

// One solve served by a reverse-communication loop of the test's own: every request of the
// solver is answered with the matrix and the factor; request 10 is answered "met" from the
// met10-th one on. Returns the request codes seen.
struct Outcome {
    std::vector<integer> ipar = std::vector<integer>(16, 0);
    std::vector<real> fpar = std::vector<real>(16, 0.0);
    std::vector<real> sol;
    std::set<integer> requests;
};
Outcome drive(const Solver& s, const Csr& A, const Factor& M, const std::vector<real>& rhs,
          integer prec, integer kind, real eps, integer itmax, integer m = 8, integer met10 = 3,
          integer wklen = -1) {
    Outcome r;
    r.sol.assign(A.n, 0.0);
    const integer len = wklen >= 0 ? wklen : s.length(A.n, m);
    std::vector<real> wk(std::max(len, A.n));
    r.ipar[1] = prec;
    r.ipar[2] = kind;
    r.ipar[3] = len;
    r.ipar[4] = m;
    r.ipar[5] = itmax;
    r.fpar[0] = eps;
    r.fpar[1] = 1e-3 * eps;
    KrylovState st;
    integer tests = 0;
    for (integer guard = 0; guard < 100000; ++guard) {
        s.fn(A.n, rhs, r.sol, r.ipar, r.fpar, wk, st);
        const integer code = r.ipar[0];
        if (code <= 0) return r;
        r.requests.insert(code);
        if (code == 10) {
            r.ipar[10] = ++tests >= met10 ? 1 : 0;
            continue;
        }
        const F1<real> in = F1<real>(wk).section(r.ipar[7], A.n);
        const F1<real> out = F1<real>(wk).section(r.ipar[8], A.n);
        EXPECT_NE(r.ipar[7], r.ipar[8]);
        switch (code) {
            case 1: amux(A.n, in, out, A.a, A.ja, A.ia); break;
            case 2: atmux(A.n, in, out, A.a, A.ja, A.ia); break;
            case 3:
            case 5: lusol(A.n, in, out, M.alu, M.jlu, M.ju); break;
            case 4:
            case 6: lutsol(A.n, in, out, M.alu, M.jlu, M.ju); break;
            default: ADD_FAILURE() << "unknown request " << code; return r;
        }
    }
    ADD_FAILURE() << s.name << " did not stop";
    return r;
}

std::vector<real> rhs_for(const Csr& A) {
    std::vector<real> b(A.n);
    for (integer i = 0; i < A.n; ++i) b[i] = 1.0 + 0.1 * (i % 7) - 0.05 * (i % 3);
    return b;
}

}  // namespace

TEST(Krylov, EverySolverMatchesTheDenseSolve) {
    struct Problem {
        const char* name;
        Csr A;
        bool symmetric_positive;
    };
    const std::vector<Problem> problems = {
        {"spd", grid(5, 0.0, 0.0), true},
        {"nonsymmetric", grid(5, 0.4, -0.3), false},
        {"indefinite", indefinite(16), false},
    };
    for (const Problem& p : problems) {
        const std::vector<real> b = rhs_for(p.A);
        const std::vector<real> ref = dense_solve(p.A.n, p.A.dense, b);
        // Jacobi (lfil 0) for every solver, and a true incomplete factor for the others
        const Factor jacobi = precond(p.A, 0, 0.0);
        const Factor ilu = precond(p.A, 2, 0.01);
        for (const Solver& s : solvers()) {
            if (s.symmetric_only && !p.symmetric_positive) continue;
            for (integer prec : {0, 1, 2, 3}) {
                for (integer kind : {1, 2, -1, -2}) {
                    const bool incomplete = !s.symmetric_only && prec == 2;
                    const Outcome r = drive(s, p.A, incomplete ? ilu : jacobi, b, prec, kind, 1e-10,
                                        2000, 8);
                    SCOPED_TRACE(std::string(s.name) + " on " + p.name + " prec " +
                                 std::to_string(prec) + " kind " + std::to_string(kind));
                    ASSERT_EQ(r.ipar[0], 0);
                    real err = 0.0;
                    for (integer i = 0; i < p.A.n; ++i)
                        err = std::max(err, std::abs(r.sol[i] - ref[i]));
                    EXPECT_LT(err, 1e-6);
                    EXPECT_LE(r.fpar[5], r.fpar[3]);
                    // preconditioner requests only when asked for
                    const bool pre = r.requests.count(3) + r.requests.count(4) +
                                     r.requests.count(5) + r.requests.count(6);
                    EXPECT_EQ(pre, prec != 0);
                    EXPECT_EQ(r.requests.count(3) + r.requests.count(4) > 0, prec == 1 || prec == 3);
                }
            }
        }
    }
}

TEST(Krylov, StatusesForLimitWorkSpaceAndTolerances) {
    const Csr A = grid(6, 0.2, 0.1);
    const std::vector<real> b = rhs_for(A);
    const Factor M = precond(A, 0, 0.0);
    for (const Solver& s : solvers()) {
        SCOPED_TRACE(s.name);
        // product limit
        Outcome r = drive(s, A, M, b, 0, 2, 1e-14, 4);
        EXPECT_EQ(r.ipar[0], -1);
        EXPECT_GE(r.ipar[6], 4);
        EXPECT_LE(r.ipar[6], 6);
        // work space one short: -2 and the length needed
        const integer need = s.length(A.n, 8);
        r = drive(s, A, M, b, 2, 2, 1e-8, 100, 8, 3, need - 1);
        EXPECT_EQ(r.ipar[0], -2);
        EXPECT_EQ(r.ipar[3], need);
        // Krylov dimension <= 1 takes 15 (window 16)
        if (std::string(s.name).find("gmres") != std::string::npos || s.fn == fom) {
            r = drive(s, A, M, b, 2, 2, 1e-8, 100, 1, 3, need);
            EXPECT_EQ(r.ipar[0], -2);
            EXPECT_EQ(r.ipar[3], s.length(A.n, 15));
        }
        // invalid tolerances on a fresh start
        for (auto [rel, abs] : std::vector<std::pair<real, real>>{
                 {1.0, 0.0}, {-0.1, 0.0}, {0.0, 0.0}, {1e-6, -1.0}}) {
            std::vector<integer> ipar(16, 0);
            std::vector<real> fpar(16, 0.0), wk(need), x(A.n, 0.0);
            ipar[3] = need;
            ipar[4] = 8;
            fpar[0] = rel;
            fpar[1] = abs;
            KrylovState st;
            s.fn(A.n, b, x, ipar, fpar, wk, st);
            EXPECT_EQ(ipar[0], -4) << rel << " " << abs;
        }
        // the caller's own test: request 10, met at the third one
        r = drive(s, A, M, b, 0, 999, 1e-8, 1000, 8, 3);
        EXPECT_EQ(r.ipar[0], 0);
        EXPECT_TRUE(r.requests.count(10));
    }
}

TEST(Krylov, RestartWithBadTolerancesTakesDefaults) {
    const Csr A = grid(4, 0.0, 0.0);
    const std::vector<real> b = rhs_for(A);
    std::vector<integer> ipar(16, 0);
    std::vector<real> fpar(16, 0.0), wk(5 * A.n), x(A.n, 0.0);
    ipar[0] = -1;
    ipar[3] = 5 * A.n;
    fpar[0] = 2.0;
    KrylovState st;
    cg(A.n, b, x, ipar, fpar, wk, st);
    EXPECT_EQ(ipar[0], 1);
    EXPECT_EQ(fpar[0], 1e-6);
    EXPECT_EQ(fpar[1], 1e-16);
}

TEST(Krylov, GmresStopsAtOnceWhenTheGuessSolves) {
    const Csr A = grid(4, 0.3, 0.0);
    std::vector<real> x(A.n, 1.0), b(A.n);
    amux(A.n, x, b, A.a, A.ja, A.ia);
    std::vector<integer> ipar(16, 0);
    std::vector<real> fpar(16, 0.0), wk(2000);
    ipar[3] = 2000;
    fpar[0] = 1e-8;
    std::vector<real> sol = x;
    KrylovState st;
    for (;;) {
        gmres(A.n, b, sol, ipar, fpar, wk, st);
        if (ipar[0] != 1) break;
        amux(A.n, F1<real>(wk).section(ipar[7], A.n), F1<real>(wk).section(ipar[8], A.n), A.a,
             A.ja, A.ia);
    }
    EXPECT_EQ(ipar[0], 0);
    EXPECT_EQ(ipar[6], 1);
    EXPECT_EQ(sol, x);
}

TEST(Krylov, GmresExactInvariantSubspaceConverges) {
    // A = 2 I, b = e1: the first Arnoldi vector spans the solution and the next one vanishes
    for (KrylovSolver s : {fom, gmres, fgmres}) {
        const Csr A = from_dense(3, {2, 0, 0, 0, 2, 0, 0, 0, 2});
        const Factor M = precond(A, 0, 0.0);
        Solver sv{"arnoldi", s, [](integer n, integer m) { return n * (2 * m + 2) + m * m + 4 * m + 2; }, false};
        const Outcome r = drive(sv, A, M, {1, 0, 0}, 0, -2, 1e-12, 100, 4);
        EXPECT_EQ(r.ipar[0], 0);
        EXPECT_EQ(r.sol, (std::vector<real>{0.5, 0, 0}));
    }
}

TEST(KrylovHelpers, BreakDownTest) {
    struct Case {
        real alpha;
        bool breaks;
        integer status;
    };
    const real inf = std::numeric_limits<real>::infinity();
    const std::vector<Case> cases = {
        {2.0, false, 7}, {-3.5, false, 7}, {0.0, true, -3}, {inf, true, -9},
        {std::nan(""), true, -9}, {1e-320, true, -9},
    };
    for (const Case& c : cases) {
        std::vector<integer> ipar(16, 7);
        EXPECT_EQ(brkdn(c.alpha, ipar), c.breaks) << c.alpha;
        EXPECT_EQ(ipar[0], c.status) << c.alpha;
    }
}

TEST(KrylovHelpers, GivensRotations) {
    struct Case {
        real x, y, c, s, r;
    };
    const std::vector<Case> cases = {
        {3, 4, 0.6, 0.8, 5}, {4, 3, 0.8, 0.6, 5},     {-3, 4, -0.6, 0.8, 5},
        {3, -4, 0.6, -0.8, 5}, {0, 0, 1, 0, 0},       {0, 2, 0, 1, 2},
        {std::nan(""), 1, 1, 0, 0},
    };
    for (const Case& k : cases) {
        real x = k.x, y = k.y, c = 9, s = 9;
        givens(x, y, c, s);
        EXPECT_NEAR(c, k.c, 1e-15) << k.x << " " << k.y;
        EXPECT_NEAR(s, k.s, 1e-15);
        EXPECT_NEAR(x, k.r, 1e-14);
        if (!std::isnan(k.x)) {
            EXPECT_NEAR(-s * k.x + c * k.y, 0.0, 1e-14);
        }
    }
}

TEST(KrylovHelpers, MgsroOrthonormalisesAndCounts) {
    const integer n = 4;
    // columns: e1, (1,1,0,0)/sqrt2, then (4, 0.5, 0, 0) to be orthogonalised as column 3
    const real r2 = 1.0 / std::sqrt(2.0);
    std::vector<real> v = {1, 0, 0, 0, r2, r2, 0, 0, 4, 0.5, 0, 0};
    std::vector<real> hh(3, 0.0);
    real ops = 0.0;
    integer ierr = 5;
    mgsro(false, n, n, 3, 3, ops, v, hh, ierr);
    EXPECT_EQ(ierr, 0);
    // the first coefficient is large (16 > 0.98 x 16.25) and is projected once more (adding 0);
    // the second (0.125 < 0.98 x 0.25) is not
    EXPECT_NEAR(hh[0], 4.0, 1e-14);
    EXPECT_NEAR(hh[1], 0.5 * r2, 1e-14);
    EXPECT_NEAR(hh[2], 0.5 * r2, 1e-14);
    EXPECT_NEAR(v[8], -r2, 1e-14);
    EXPECT_NEAR(v[9], r2, 1e-14);
    EXPECT_EQ(ops, 2 * n + (4 * n + 2) + (4 * n + 1) + (4 * n + 2) + (n + 1));
    // a column already in the span: -3; a zero column: -1
    std::vector<real> dep = {1, 0, 0, 0, 2, 0, 0, 0};
    mgsro(false, n, n, 2, 2, ops, dep, hh, ierr);
    EXPECT_EQ(ierr, -3);
    std::vector<real> zero = {1, 0, 0, 0, 0, 0, 0, 0};
    mgsro(false, n, n, 2, 2, ops, zero, hh, ierr);
    EXPECT_EQ(ierr, -1);
}

TEST(Runrc, MessagesAndHistory) {
    const Csr A = grid(4, 0.2, 0.0);
    const std::vector<real> b = rhs_for(A);
    const Factor M = precond(A, 2, 0.0);
    struct Case {
        KrylovSolver fn;
        integer prec;
        real eps;
        integer itmax;
        integer wklen;
        std::vector<std::string> expect;  // lines that must appear, in order
        integer status;
    };
    const std::string limit = "Iterative solver has iterated too many times.";
    const std::vector<Case> cases = {
        {gmres, 2, 1e-8, 200, 1000,
         {free_line({0, 0.0f}), " Iterative sovler has satisfied convergence test."}, 0},
        {cg, 0, 1e-14, 3, 200, {" " + limit}, -1},
        {bcgstab, 2, 1e-8, 100, 20,
         {" Iterative solver was not given enough work space.",
          free_line({"The work space should at least have ", 8 * 16, " elements."})},
         -2},
        {bcg, 0, 1e-8, 100, 5, {" Iterative solver was not given enough work space."}, -2},
        {tfqmr, 0, 1.5, 100, 200, {free_line({"Iterative solver terminated. code =", -4})}, -4},
        {gmres, 3, 1e-8, 100, 1000, {" I can not do both left and right preconditioning."}, -10},
    };
    for (const Case& c : cases) {
        std::vector<integer> ipar(16, 0);
        std::vector<real> fpar(16, 0.0), wk(c.wklen), x(A.n, 0.0);
        ipar[1] = c.prec;
        ipar[2] = 2;
        ipar[3] = c.wklen;
        ipar[4] = 10;
        ipar[5] = c.itmax;
        fpar[0] = c.eps;
        fpar[1] = 1e-3 * c.eps;
        std::string out;
        screen().capture(&out);
        runrc(A.n, b, x, ipar, fpar, wk, A.a, A.ja, A.ia, M.alu, M.jlu, M.ju, c.fn);
        screen().capture(nullptr);
        EXPECT_EQ(ipar[0], c.status);
        std::size_t pos = 0;
        for (const std::string& line : c.expect) {
            const std::size_t at = out.find(line + "\n", pos);
            EXPECT_NE(at, std::string::npos) << "missing: " << line << "\nin:\n" << out;
            if (at != std::string::npos) pos = at + line.size();
        }
        if (c.status == -10) {
            EXPECT_EQ(out, " I can not do both left and right preconditioning.\n");
            continue;
        }
        // the report ends with the return code line and the true residual
        EXPECT_NE(out.find(free_line({"# retrun code =", c.status, " convergence rate =", fpar[6]})),
                  std::string::npos);
        std::vector<real> r(A.n);
        amux(A.n, x, r, A.a, A.ja, A.ia);
        real rn = 0.0;
        for (integer i = 0; i < A.n; ++i) rn += (r[i] - b[i]) * (r[i] - b[i]);
        const std::string tail = out.substr(out.rfind('\n', out.size() - 2) + 1);
        EXPECT_EQ(tail.rfind(" # the actual residual norm is", 0), 0u) << tail;
        if (c.status == 0) {
            EXPECT_LT(std::sqrt(rn), 1e-7);
        }
    }
}

TEST(Krylov, PivotingCarriesBiCgPastAZeroPivot) {
    // the first Lanczos pivot (A v1).v1 is zero: plain BiCG breaks down, dbcg pivots past it
    const Csr A = from_dense(4, {0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 2, 1, 0, 0, 1, 3});
    const std::vector<real> b = {1, 0, 0, 0};
    const std::vector<real> ref = dense_solve(4, A.dense, b);
    const Factor M = precond(A, 0, 0.0);
    struct Case {
        integer solver;  // index in solvers()
        integer status;
    };
    for (const Case& c : std::vector<Case>{{2, -3}, {3, 0}}) {
        const Solver& s = solvers()[c.solver];
        const Outcome r = drive(s, A, M, b, 0, 1, 1e-12, 100);
        EXPECT_EQ(r.ipar[0], c.status) << s.name;
        if (c.status == 0) {
            for (integer i = 0; i < 4; ++i) EXPECT_NEAR(r.sol[i], ref[i], 1e-10);
        }
    }
}
