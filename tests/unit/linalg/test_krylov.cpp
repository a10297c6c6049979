// Tests of the reverse-communication Krylov solvers against dense solves, their statuses and the
// request driver runrc.
#include <gtest/gtest.h>

#include <set>

#include "linalg/krylov.hpp"
#include "linalg/sparse_products.hpp"
#include "linalg_test_support.hpp"

using namespace vetrix;
using test::Csr;
using test::Dense;
using test::Ints;
using test::Vec;

namespace {

using Factor = test::IlutFactor;
using test::ilut_factor;  // lfil 0: Jacobi

integer arnoldi_length(integer n, integer m) {
    return n * (m + 2) + m * (m + 1) / 2 + 3 * m + 2;
}
struct Solver {
    const char* name;
    KrylovSolver fn;
    integer (*length)(integer n, integer m);
    bool symmetric_only;  // plain CG
};
const std::vector<Solver> solvers = {
    {"cg", cg, [](integer n, integer) { return 5 * n; }, true},
    {"cgnr", cgnr, [](integer n, integer) { return 5 * n; }, false},
    {"bcg", bcg, [](integer n, integer) { return 7 * n; }, false},
    {"dbcg", dbcg, [](integer n, integer) { return 11 * n; }, false},
    {"bcgstab", bcgstab, [](integer n, integer) { return 8 * n; }, false},
    {"tfqmr", tfqmr, [](integer n, integer) { return 11 * n; }, false},
    {"fom", fom, arnoldi_length, false},
    {"gmres", gmres, arnoldi_length, false},
    {"fgmres", fgmres, [](integer n, integer m) { return arnoldi_length(n, m) + n * m; }, false},
    {"dqgmres", dqgmres, [](integer n, integer m) { return n + (m + 1) * (2 * n + 4); }, false},
};

// One solve served by a reverse-communication loop of the test's own: every request is answered
// with the matrix and the factor; request 10 is answered "met" from the met10-th one on.
struct Outcome {
    Ints ipar = Ints(16, 0);
    Vec fpar = Vec(16, 0.0), sol;
    std::set<integer> requests;
};
Outcome drive(const Solver& s, const Csr& A, const Factor& M, const Vec& rhs, integer prec,
              integer kind, real eps, integer itmax, integer m = 8, integer wklen = -1) {
    Outcome r;
    r.sol.assign(A.n, 0.0);
    const integer len = wklen >= 0 ? wklen : s.length(A.n, m);
    Vec wk(std::max(len, A.n));
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
            r.ipar[10] = ++tests >= 3 ? 1 : 0;
            continue;
        }
        const F1<real> in = F1<real>(wk).section(r.ipar[7], A.n);
        const F1<real> out = F1<real>(wk).section(r.ipar[8], A.n);
        EXPECT_NE(r.ipar[7], r.ipar[8]);
        if (code == 1 || code == 2) {
            (code == 1 ? amux : atmux)(A.n, in, out, A.a, A.ja, A.ia);
        } else if (code >= 3 && code <= 6) {  // left 3/4, right 5/6; odd: M, even: M^T
            (code % 2 ? lusol : lutsol)(A.n, in, out, M.alu, M.jlu, M.ju);
        } else {
            ADD_FAILURE() << "unknown request " << code;
            return r;
        }
    }
    ADD_FAILURE() << s.name << " did not stop";
    return r;
}

Vec rhs_for(integer n) {
    Vec b(n);
    for (integer i = 0; i < n; ++i) b[i] = 1.0 + 0.1 * (i % 7) - 0.05 * (i % 3);
    return b;
}

}  // namespace

// Every solver, without, left, right and both-sides preconditioning (Jacobi, or a true
// incomplete factor on the right), on SPD, non-symmetric and indefinite systems.
TEST(Krylov, EverySolverMatchesTheDenseSolve) {
    Dense indefinite(16);  // diagonal +4 on the first half, -4 on the second, 1 beside
    for (integer i = 1; i <= 16; ++i) {
        indefinite(i, i) = i <= 8 ? 4.0 : -4.0;
        if (i > 1) indefinite(i, i - 1) = indefinite(i - 1, i) = 1.0;
    }
    const struct {
        const char* name;
        Dense a;
        bool spd;
    } problems[] = {{"spd", test::grid(5, 4, 0, 0), true},
                    {"nonsymmetric", test::grid(5, 4, 0.4, -0.3), false},
                    {"indefinite", indefinite, false}};
    const std::pair<integer, integer> prec_kind[] = {{0, 1}, {1, 2}, {2, -1}, {3, -2}, {2, 2}};
    for (const auto& p : problems) {
        const Csr A = test::csr(p.a);
        const Vec b = rhs_for(A.n), ref = test::dense_solve(p.a, b);
        const Factor jacobi = ilut_factor(A, 0, 0.0), ilu = ilut_factor(A, 2, 0.01);
        for (const Solver& s : solvers) {
            if (s.symmetric_only && !p.spd) continue;
            for (const auto& [prec, kind] : prec_kind) {
                const bool incomplete = !s.symmetric_only && prec == 2;
                const Outcome r =
                    drive(s, A, incomplete ? ilu : jacobi, b, prec, kind, 1e-10, 2000);
                SCOPED_TRACE(std::string(s.name) + " on " + p.name + " prec " +
                             std::to_string(prec) + " kind " + std::to_string(kind));
                ASSERT_EQ(r.ipar[0], 0);
                EXPECT_LT(test::max_relative_error(r.sol, ref), 1e-6);
                EXPECT_LE(r.fpar[5], r.fpar[3]);
                // preconditioner requests exactly when asked for: left 3/4, right 5/6
                const auto asked = [&](integer c1, integer c2) {
                    return r.requests.count(c1) + r.requests.count(c2) > 0;
                };
                EXPECT_EQ(asked(3, 4), prec == 1 || prec == 3);
                EXPECT_EQ(asked(5, 6), prec >= 2);
            }
        }
    }
}

TEST(Krylov, StatusesForLimitWorkSpaceAndTolerances) {
    const Csr A = test::csr(test::grid(6, 4, 0.2, 0.1));
    const Vec b = rhs_for(A.n);
    const Factor M = ilut_factor(A, 0, 0.0);
    for (const Solver& s : solvers) {
        SCOPED_TRACE(s.name);
        // product limit
        Outcome r = drive(s, A, M, b, 0, 2, 1e-14, 4);
        EXPECT_EQ(r.ipar[0], -1);
        EXPECT_TRUE(r.ipar[6] >= 4 && r.ipar[6] <= 6) << r.ipar[6];
        // work space one short: -2 and the length needed
        const integer need = s.length(A.n, 8);
        r = drive(s, A, M, b, 2, 2, 1e-8, 100, 8, need - 1);
        EXPECT_EQ(r.ipar[0], -2);
        EXPECT_EQ(r.ipar[3], need);
        // invalid tolerances: -4 on a fresh start, the defaults on a restart
        for (auto [start, rel, abs] : std::vector<std::tuple<integer, real, real>>{
                 {0, 1.0, 0.0}, {0, -0.1, 0.0}, {0, 0.0, 0.0}, {0, 1e-6, -1.0}, {-1, 2.0, 0.0}}) {
            Ints ipar(16, 0);
            Vec fpar(16, 0.0), wk(need), x(A.n, 0.0);
            ipar[0] = start;
            ipar[3] = need;
            ipar[4] = 8;
            fpar[0] = rel;
            fpar[1] = abs;
            KrylovState st;
            s.fn(A.n, b, x, ipar, fpar, wk, st);
            if (start == 0) {
                EXPECT_EQ(ipar[0], -4) << rel << " " << abs;
            } else {
                EXPECT_TRUE(ipar[0] == 1 && fpar[0] == 1e-6 && fpar[1] == 1e-16);
            }
        }
    }
}

TEST(Krylov, BreakDowns) {
    // A = 2 I, b = e1: the first Arnoldi vector spans the solution and the next one vanishes
    const Csr twice = test::csr(Dense(3, {2, 0, 0, 0, 2, 0, 0, 0, 2}));
    for (const Solver& s : solvers)
        if (s.length == arnoldi_length || s.fn == fgmres) {
            const Outcome r =
                drive(s, twice, ilut_factor(twice, 0, 0.0), {1, 0, 0}, 0, -2, 1e-12, 100, 4);
            EXPECT_EQ(r.ipar[0], 0) << s.name;
            EXPECT_EQ(r.sol, (Vec{0.5, 0, 0})) << s.name;
        }
    // the first Lanczos pivot (A v1).v1 is zero: plain BiCG breaks down, dbcg pivots past it
    const Dense a(4, {0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 2, 1, 0, 0, 1, 3});
    const Csr A = test::csr(a);
    const Vec b = {1, 0, 0, 0};
    EXPECT_EQ(drive(solvers[2], A, ilut_factor(A, 0, 0.0), b, 0, 1, 1e-12, 100).ipar[0], -3);
    const Outcome r = drive(solvers[3], A, ilut_factor(A, 0, 0.0), b, 0, 1, 1e-12, 100);
    EXPECT_EQ(r.ipar[0], 0);
    EXPECT_LT(test::distance(r.sol, test::dense_solve(a, b)), 1e-10);
}

TEST(Runrc, MessagesAndHistory) {
    const Csr A = test::csr(test::grid(4, 4, 0.2, 0.0));
    const Vec b = rhs_for(A.n);
    const Factor M = ilut_factor(A, 2, 0.0);
    const std::string short_space = " Iterative solver was not given enough work space.",
                      converged = " Iterative sovler has satisfied convergence test.",
                      length_needed =
                          free_line({"The work space should at least have ", 8 * 16, " elements."});
    const struct {
        KrylovSolver fn;
        integer prec;
        real eps;
        integer itmax, wklen;
        std::vector<std::string> expect;  // lines that must appear, in order
        integer status;
    } cases[] = {
        {gmres, 2, 1e-8, 200, 1000, {free_line({0, 0.0f}), converged}, 0},
        {cg, 0, 1e-14, 3, 200, {" Iterative solver has iterated too many times."}, -1},
        {bcgstab, 2, 1e-8, 100, 20, {short_space, length_needed}, -2},
        {tfqmr, 0, 1.5, 100, 200, {free_line({"Iterative solver terminated. code =", -4})}, -4},
        {gmres, 3, 1e-8, 100, 1000, {" I can not do both left and right preconditioning."}, -10},
    };
    for (const auto& c : cases) {
        Ints ipar(16, 0);
        Vec fpar(16, 0.0), wk(c.wklen), x(A.n, 0.0);
        ipar[1] = c.prec;
        ipar[2] = 2;
        ipar[3] = c.wklen;
        ipar[4] = 10;
        ipar[5] = c.itmax;
        fpar[0] = c.eps;
        fpar[1] = 1e-3 * c.eps;
        std::string out;
        {
            test::ScreenCapture cap(&out);
            runrc(A.n, b, x, ipar, fpar, wk, A.a, A.ja, A.ia, M.alu, M.jlu, M.ju, c.fn);
        }
        EXPECT_EQ(ipar[0], c.status);
        std::size_t pos = 0;
        for (const std::string& line : c.expect) {
            const std::size_t at = out.find(line + "\n", pos);
            EXPECT_NE(at, std::string::npos) << "missing: " << line << "\nin:\n" << out;
            if (at != std::string::npos) pos = at + line.size();
        }
        if (c.status == -10) {
            EXPECT_EQ(out, c.expect[0] + "\n");
            continue;
        }
        // the report ends with the return code line and the true residual
        const std::string code_line =
            free_line({"# retrun code =", c.status, " convergence rate =", fpar[6]});
        EXPECT_NE(out.find(code_line), std::string::npos);
        Vec r(A.n);
        amux(A.n, x, r, A.a, A.ja, A.ia);
        const std::string tail = out.substr(out.rfind('\n', out.size() - 2) + 1);
        EXPECT_EQ(tail.rfind(" # the actual residual norm is", 0), 0u) << tail;
        if (c.status == 0) {
            EXPECT_LT(test::distance(r, b), 1e-7);
        }
    }
}
