// iterative_solver, precond, equation_place: one substep system solved iteratively (conversion,
// scaling, preconditioning, repeated solver attempts, unscaling) and the nodal-volume
// preconditioner.
#include "linalg/iterative_solver.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/stops.hpp"
#include "io/screen_text.hpp"
#include "io/timing.hpp"
#include "linalg/block_ilut.hpp"
#include "linalg/inhouse_solvers.hpp"
#include "linalg/krylov.hpp"
#include "linalg/scaling.hpp"
#include "linalg/storage_conversion.hpp"

namespace vetrix {

namespace {

// A failed attempt is repeated from the current solution at most this many times in all.
constexpr integer max_attempts = 50;

// Absolute tolerance factor of the Krylov solvers: 0.001 as a single-precision value.
constexpr real abs_tol_factor = 0.0010000000474974513;

// Everything the branches share, so that each branch reads like its algorithm.
struct System {
    F1<const integer> IA, JA;
    F1<real> AL, AD, AN, B, x;
    F1<integer> IU, JU;
    F1<real> UNl, UD, UNu;
    F1<integer> IAC, JAC;
    F1<real> AC;
    F1<real> ws;  // WorkSpace
    real eps;
    integer itmax, n, krylov, lfil;
    real tolpre;
    bool sym;
    F1<const integer> iDofEq;
    integer NodT, NDof;
    integer nnz() const { return IA(n + 1) - 1; }
    // n reals of WorkSpace from position p
    F1<real> vec(bigint p) const { return ws.section(p, n); }
};

// Stops the run after a solver that kept failing.
[[noreturn]] void give_up(std::string_view solver, integer attempts) {
    say({solver, " did not converge in", attempts, "attempts: the linear system is not solved"});
    stop_run();
}

// Stops the run on an equation that makes the system unsolvable by this branch.
[[noreturn]] void singular_equation(const System& s, std::string_view what, integer eq,
                                    std::string_view why) {
    integer node = 0;
    integer dof = 0;
    equation_place(s.iDofEq, s.NodT, s.NDof, eq, node, dof);
    say({what, eq, "NODE", node, "DOF", dof});
    say({why});
    stop_run();
}

// Break-down codes of the CGS iterations: -3000 - k (rho) and -4000 - k (sigma).
bool cgs_breakdown(integer ierr) {
    const integer c = -(ierr / 1000);
    return c == 3 || c == 4;
}

void copy_rhs(const System& s) {
    for (integer i = 1; i <= s.n; ++i) s.ws(i) = s.B(i);
}

// ---- Krylov branch -------------------------------------------------------------------------

struct KrylovChoice {
    KrylovSolver solver;
    const char* banner;
};

KrylovChoice krylov_choice(integer type) {
    switch (type) {
        case 100:
            return {cg, "*** CG ***"};
        case 101:
            return {bcg, "*** BCG ***"};
        case 102:
            return {dbcg, "*** DBCG ***"};
        case 103:
            return {cgnr, "*** CGNR ***"};
        case 104:
            return {bcgstab, "*** BCGSTAB ***"};
        case 105:
            return {tfqmr, "*** TFQMR ***"};
        case 106:
            return {fom, "*** FOM ***"};
        case 107:
            return {gmres, "*** GMRES ***"};
        case 108:
            return {fgmres, "*** FGMRES ***"};
        case 109:
            return {dqgmres, "*** DQGMRES ***"};
        default:
            return {nullptr, ""};
    }
}

// Work-space length announced to the Krylov solver (ipar(4)), m = krylov.
bigint krylov_work(integer type, bigint n, bigint m) {
    switch (type) {
        case 100:
        case 103:
            return 6 * n;
        case 101:
            return 8 * n;
        case 102:
        case 105:
            return 12 * n;
        case 104:
            return 9 * n;
        case 106:
        case 107:
            return (n + 3) * (m + 2) + m * (m + 1) / 2 + n;
        case 108:
            return 2 * n * (m + 1) + 3 * m + m * (m + 1) / 2 + 2 + n;
        case 109:
            return 2 * n + 2 * (n + 2) * (m + 1);
        default:
            return 0;
    }
}

void krylov_branch(const System& s, integer type, F1<integer> iscratch, integer& ierr) {
    const integer n = s.n;
    if (s.ws.size() < 2 * static_cast<bigint>(n) + 1) {
        throw std::logic_error("iterative_solver: WorkSpace shorter than 2 n + 1");
    }
    // 1 - full row storage
    trans_ultoc(s.IA, s.JA, s.AL, s.AN, s.AD, s.IAC, s.JAC, s.AC, n);

    // 2 - row scaling, b <- R b
    integer zero = 0;
    roscal(n, 1, s.AC, s.JAC, s.IAC, s.UD, zero);
    if (zero != 0) {
        singular_equation(s, "->ZERO ROW IN EQUATION", zero,
                          "->The system matrix is singular: it cannot be scaled nor solved.");
    }
    for (integer i = 1; i <= n; ++i) s.B(i) *= s.UD(i);

    // 3 - column scaling, x <- C^-1 x
    coscal(n, 1, s.AC, s.JAC, s.IAC, s.UD, zero);
    if (zero != 0) {
        singular_equation(s, "->ZERO COLUMN IN EQUATION", zero,
                          "->The system matrix is singular: it cannot be scaled nor solved.");
    }
    for (integer i = 1; i <= n; ++i) s.x(i) /= s.UD(i);

    // 4 - work-space length and solver
    const KrylovChoice choice = krylov_choice(type);
    const bigint work = krylov_work(type, n, s.krylov);

    // 5 - block incomplete LU of the scaled matrix into (UNu, JU, IU)
    block_ilut(n, s.IAC, s.JAC, s.AC, s.lfil, s.tolpre, s.UNu, s.JU, s.IU,
               s.ws.section(n + 1, n + 1), iscratch);
    timerout("System is Preconditioned, begining solver loops");

    // 6 - attempts, each from the current solution with a fresh solver state
    // No limit given (itmaxsol <= 0): the solvers would restart for ever on a tolerance they
    // never meet, so an attempt ends after max(n, 1000) matrix-vector products.
    const integer limit = s.itmax > 0 ? s.itmax : std::max<integer>(n, 1000);
    std::array<integer, 16> ipar_store{};
    std::array<real, 16> fpar_store{};
    const F1<integer> ipar(ipar_store.data(), 16);
    const F1<real> fpar(fpar_store.data(), 16);
    for (integer loop = 1;; ++loop) {
        copy_rhs(s);
        ipar_store.fill(0);
        fpar_store.fill(0.0);
        ipar(1) = 0;
        ipar(2) = 2;
        ipar(3) = 2;
        ipar(4) = static_cast<integer>(work);
        ipar(5) = s.krylov;
        ipar(6) = limit;
        fpar(1) = s.eps;
        fpar(2) = abs_tol_factor * s.eps;
        if (choice.solver != nullptr) {
            say({" "});
            say({std::string("\t") + choice.banner});
            runrc(n, s.vec(1), s.x, ipar, fpar, s.ws.section(n + 1), s.AC, s.JAC, s.IAC, s.UNu,
                  s.JU, s.IU, choice.solver);
            ierr = ipar(1);
        } else {
            cgs_tarnd(s.IAC, s.JAC, s.AC, s.IU, s.JU, s.UNu, s.x, s.vec(1), s.vec(n + 1),
                      s.vec(2 * n + 1), s.vec(3 * n + 1), s.vec(4 * n + 1), s.vec(5 * n + 1),
                      s.vec(6 * n + 1), n, s.eps, s.itmax, ierr);
            if (cgs_breakdown(ierr)) {
                say({"->CGS.ERROR #", ierr});
                say();
            }
            if (ierr < 0) {
                say({"->CGS.ERROR #", ierr});
            } else if (loop == 1 && ierr == 1) {
                continue;  // a first solve done in one step is checked by a second one
            } else {
                say({"--->CGS Converged", ierr});
            }
        }
        timerout("");
        if (ierr >= 0) {
            say({"--->TARN Iterative Solver has CONVERGED in Loop", loop});
            break;
        }
        say({"->TARN Iterative Solver has NOT CONVERGED in Itmax =",
             choice.solver != nullptr ? limit : s.itmax});
        if (ierr != -1) stop_run();
        if (loop >= max_attempts) give_up("->TARN Iterative Solver", loop);
        say({"    ->A new Loop is Attempted", loop});
    }

    // 7 - x <- C x
    for (integer i = 1; i <= n; ++i) s.x(i) *= s.UD(i);
}

// ---- in-house branches ---------------------------------------------------------------------

// Type 1: relaxed Gauss-Seidel on the strictly-upper rows.
void gauss_seidel_branch(const System& s, integer& ierr) {
    for (integer fails = 0;;) {
        gauseilu(s.IA, s.JA, s.AL, s.AN, s.AD, s.B, s.x, s.vec(1), s.vec(s.n + 1), s.n, s.itmax,
                 ierr);
        if (ierr >= 0) {
            say({"--->GAUSSEIDEL Converged", ierr});
            return;
        }
        say({"->GAUSSEIDEL.ERROR #", ierr});
        if (ierr == -3) {
            integer eq = 1;
            while (eq < s.n && s.AD(eq) != 0.0) ++eq;
            singular_equation(s, "->ZERO DIAGONAL IN EQUATION", eq,
                              "->Gauss-Seidel needs a nonzero diagonal: the system is not solved.");
        }
        if (++fails >= max_attempts) give_up("->GAUSSEIDEL", fails);
    }
}

// Type 2: CGS on the strictly-upper rows, preconditioned by nodal volume over the diagonal; after
// max_attempts failures it falls back on the diagonally scaled system with a tolerance eps / 11.
void nodal_volume_branch(const System& s, integer& ierr, F1<const integer> IE, F1<const integer> JE,
                         F1<const integer> nelem_ptr, F1<const integer> nelem, F1<const real> X,
                         F1<const integer> iElementType, integer NDim) {
    const integer n = s.n;
    precond(IE, JE, nelem_ptr, nelem, X, s.iDofEq, iElementType, s.NodT, s.NDof, NDim, s.UD);
    sigchangelu(s.IA, s.JA, s.AD, s.AL, s.AN, s.B, n, s.sym ? 1 : 0);
    for (integer i = 1; i <= n; ++i) {
        if (s.AD(i) == 0.0) {
            singular_equation(s, "->ZERO DIAGONAL IN EQUATION", i,
                              "->The nodal-volume preconditioner needs a nonzero diagonal: the "
                              "system is not solved.");
        }
    }
    const F1<real> S = s.vec(n + 1);  // factors of the diagonal scaling
    integer scaled = 0;
    integer a = 0;
    integer fails = 0;
    for (integer i = 1; i <= n; ++i) s.UD(i) /= s.AD(i);
    for (;;) {
        ++a;
        if (fails >= max_attempts) {
            if (scaled > 0) give_up("->CGSAP1D", 2 * max_attempts);
            // fall back on the diagonally scaled system: y = S^-1 x
            scaled = 1;
            fails = 0;
            diagscalelu(s.AD, s.IA, s.JA, s.AN, s.AL, s.B, S, n, s.sym ? 1 : 0);
            for (integer i = 1; i <= n; ++i) s.x(i) /= S(i);
        }
        copy_rhs(s);
        const real t = s.eps / static_cast<real>(static_cast<float>(10 * scaled + 1));
        cgsap1dlu2(s.IA, s.JA, s.AN, s.AL, s.AD, s.IU, s.JU, s.UNl, s.UD, s.UNu, s.x, s.vec(1),
                   s.vec(2 * n + 1), s.vec(3 * n + 1), s.vec(4 * n + 1), s.vec(5 * n + 1),
                   s.vec(6 * n + 1), s.vec(7 * n + 1), n, t, s.itmax, ierr);
        if (ierr < 0) {
            say({"->CGSAP1D.ERROR #", ierr});
            if (ierr == -2) {
                // right-hand side of zero: the solution is zero
                for (integer i = 1; i <= n; ++i) s.x(i) = 0.0;
                break;
            }
            say({"->CGSAP1D New Loop Attempted", a});
            if (cgs_breakdown(ierr)) --a;  // a break-down does not count as an attempt
            ++fails;
            continue;
        }
        say({"--->CGSAP1D Converged", ierr});
        if (a != 1) break;
        // a first success is always checked by a second solve from the new solution
        say({"->CGSAP1D New Loop Attempted", a});
    }
    if (scaled > 0) {
        for (integer i = 1; i <= n; ++i) s.x(i) *= S(i);
    }
}

// Type 3: CGS on the diagonally scaled full rows with a unit factor.
void scaled_cgs_branch(const System& s, integer& ierr) {
    const integer n = s.n;
    const integer nnz = s.nnz();
    trans_ultoc(s.IA, s.JA, s.AL, s.AN, s.AD, s.IAC, s.JAC, s.AC, n);
    sigchange(s.AD, s.IAC, s.AC, s.B, n);
    const F1<real> S = s.vec(n + 1);
    diagscale(s.AD, s.IAC, s.JAC, s.AC, s.B, S, n);
    for (integer i = 1; i <= n; ++i) s.x(i) /= S(i);
    // unit factor on the pattern IU/JU: D = 1, L = U = 0
    for (integer i = 1; i <= n; ++i) s.AD(i) = 1.0;
    for (integer k = 1; k <= nnz; ++k) s.AN(k) = 0.0;
    if (!s.sym) {
        for (integer k = 1; k <= nnz; ++k) s.AL(k) = 0.0;
    }
    for (integer attempt = 1, fails = 0;; ++attempt) {
        copy_rhs(s);
        cgsap1d(s.IAC, s.JAC, s.AC, s.IU, s.JU, s.AL, s.AD, s.AN, s.x, s.vec(1), s.vec(2 * n + 1),
                s.vec(3 * n + 1), s.vec(4 * n + 1), s.vec(5 * n + 1), s.vec(6 * n + 1),
                s.vec(7 * n + 1), n, s.eps, s.itmax, ierr);
        if (ierr < 0) {
            say({"->CGSAP1D.ERROR #", ierr});
            if (cgs_breakdown(ierr)) say();
            if (ierr == -2) {
                for (integer i = 1; i <= n; ++i) s.x(i) = 0.0;
                break;
            }
            if (++fails >= max_attempts) give_up("->CGSAP1D", fails);
            continue;
        }
        if (attempt == 1 && ierr == 1) continue;
        say({"--->CGSAP1D Converged", ierr});
        break;
    }
    for (integer i = 1; i <= n; ++i) s.x(i) *= S(i);
}

// Types 4, 5 and 6: GMRES(m) with the in-house factor (4, 6: incomplete LU without fill; 5: none,
// on the diagonally scaled system).
void gmres_branch(const System& s, integer type, F1<integer> iscratch, integer& ierr) {
    const integer n = s.n;
    const integer nnz = s.nnz();
    const bool factor = type != 5;
    const char* error_text = type == 6 ? "->GMRES_IMSL.ERROR #" : "->GMRESD1.ERROR #";
    const char* done_text = type == 6 ? "--->GMRES_IMSL Converged" : "--->GMRESD1 Converged";

    trans_ultoc(s.IA, s.JA, s.AL, s.AN, s.AD, s.IAC, s.JAC, s.AC, n);
    sigchange(s.AD, s.IAC, s.AC, s.B, n);

    // the lower factor needs storage of its own when the lower values are the upper ones
    F1<real> L = s.AL;
    if (factor && s.sym) {
        if (s.UNu.size() < nnz) throw std::logic_error("iterative_solver: UN shorter than nnz");
        L = s.UNu.section(1, nnz);
    }
    if (factor) {
        for (integer k = 1; k <= nnz; ++k) s.AN(k) = 0.0;
        for (integer k = 1; k <= nnz; ++k) L(k) = 0.0;
        for (integer i = 1; i <= n; ++i) s.AD(i) = 0.0;
        const integer status = ilufk1d(s.IAC, s.JAC, s.AC, s.IU, s.JU, L, s.AD, s.AN, iscratch, n);
        if (status < 0) {
            say({"->ILUFK1D.ERROR: the factor pattern lacks the mirror of an entry of equation",
                 -status});
            stop_run();
        }
    } else {
        diagscale(s.AD, s.IAC, s.JAC, s.AC, s.B, s.vec(n + 1), n);
    }

    // WorkSpace layout; a Krylov dimension above n adds nothing and would not fit
    const bigint m = std::max<integer>(1, std::min(s.krylov, n));
    const bigint h = factor ? 0 : n;
    const bigint q = h + n + 1;
    const bigint p1 = h + 2 * static_cast<bigint>(n) + 1;
    const bigint p2 = p1 + m;
    const bigint p3 = p2 + (m + 1) * (m + 1);
    const bigint p4 = p3 + m + 1;
    const bigint p5 = p4 + m;
    const bigint p6 = p5 + m;
    const bigint p7 = p6 + m;
    if (s.ws.size() < p7 - 1 + static_cast<bigint>(n) * (m + 1)) {
        throw std::logic_error("iterative_solver: WorkSpace too short for GMRES");
    }

    for (integer attempt = 1, fails = 0;; ++attempt) {
        copy_rhs(s);
        gmresd1(s.IAC, s.JAC, s.AC, s.IU, s.JU, L, s.AD, s.AN, s.x, s.vec(1),
                s.ws.section(p7, n * (m + 1)), s.ws.section(q, n), s.eps, s.itmax, ierr, n,
                static_cast<integer>(m), s.ws.section(p1, m), s.ws.section(p2, (m + 1) * (m + 1)),
                s.ws.section(p3, m + 1), s.ws.section(p4, m), s.ws.section(p5, m),
                s.ws.section(p6, m));
        if (ierr < 0) {
            say({error_text, ierr});
            say({error_text, ierr});
            if (++fails >= max_attempts) give_up(type == 6 ? "->GMRES_IMSL" : "->GMRESD1", fails);
            continue;
        }
        if (attempt == 1 && ierr == 1) continue;
        say({done_text, ierr});
        break;
    }
    if (!factor) {
        for (integer i = 1; i <= n; ++i) s.x(i) *= s.ws(n + i);
    }
}

}  // namespace

void equation_place(F1<const integer> iDofEq, integer NodT, integer NDof, integer eq, integer& node,
                    integer& dof) {
    node = 0;
    dof = 0;
    for (integer i = 1; i <= NodT; ++i) {
        for (integer k = 1; k <= NDof; ++k) {
            if (iDofEq(NDof * (i - 1) + k) == eq) {
                node = i;
                dof = k;
                return;
            }
        }
    }
}

void precond(F1<const integer> IE, F1<const integer> JE, F1<const integer> nelem_ptr,
             F1<const integer> nelem, F1<const real> X, F1<const integer> iDofEq,
             F1<const integer> iElementType, integer NodT, integer NDof, integer NDim,
             F1<real> UD) {
    // coordinate k of node a
    auto coord = [&](integer a, integer k) { return X(NDim * (a - 1) + k); };
    for (integer i = 1; i <= NodT; ++i) {
        // 1 - a quarter of the volume of every adjacent tetrahedron of type 1
        real V = 0.0;
        for (integer p = nelem_ptr(i); p < nelem_ptr(i + 1); ++p) {
            const integer e = nelem(p);
            if (iElementType(e) != 1 || NDim < 3 || IE(e + 1) - IE(e) < 4) continue;
            const integer first = IE(e);
            std::array<std::array<real, 3>, 3> d{};  // P2 - P1, P3 - P1, P4 - P1
            for (integer r = 1; r <= 3; ++r) {
                for (integer k = 1; k <= 3; ++k) {
                    d[r - 1][k - 1] = coord(JE(first + r), k) - coord(JE(first), k);
                }
            }
            // (P4 - P1) . ((P2 - P1) x (P3 - P1))
            const real det = d[2][0] * (d[0][1] * d[1][2] - d[0][2] * d[1][1]) +
                             d[2][1] * (d[0][2] * d[1][0] - d[0][0] * d[1][2]) +
                             d[2][2] * (d[0][0] * d[1][1] - d[0][1] * d[1][0]);
            V += std::abs(det) / 24.0;
        }
        // 2 - the node's equations
        for (integer k = 1; k <= NDof; ++k) {
            const integer q = iDofEq(NDof * (i - 1) + k);
            if (q != 0) UD(q) = (V != 0.0 && k <= 4) ? V : 1.0;
        }
    }
}

void iterative_solver(F1<const integer> IA, F1<const integer> JA, F1<real> AL, F1<real> AD,
                      F1<real> AN, F1<real> B_Load, F1<real> Unk1, F1<integer> IU, F1<integer> JU,
                      F1<real> UNl, F1<real> UD, F1<real> UNu, F1<integer> IAC, F1<integer> JAC,
                      F1<real> AC, real eps, integer itmaxsol, integer& ierr, integer n,
                      integer krylov, integer lfil, real tolpre, F1<real> WorkSpace,
                      integer isolvertype, logical sym, F1<const integer> IE, F1<const integer> JE,
                      F1<const integer> nelem_ptr, F1<const integer> nelem, F1<const real> X,
                      F1<const integer> iEQNode, F1<const integer> iEqDof, F1<const integer> iDofEq,
                      F1<const integer> iElementType, integer NodT, integer NelT, integer NDof,
                      integer NDim) {
    (void)iEQNode;
    (void)iEqDof;
    (void)NelT;
    const bool known =
        (isolvertype >= 1 && isolvertype <= 6) || (isolvertype >= 100 && isolvertype <= 110);
    if (!known) throw std::logic_error("iterative_solver: unknown solver type");
    // storage the branches address directly (the Krylov solvers check their own work space)
    const bigint need = isolvertype == 1                         ? 2 * static_cast<bigint>(n)
                        : isolvertype <= 3 || isolvertype == 110 ? 8 * static_cast<bigint>(n)
                                                                 : 0;
    const bool needs_ud = isolvertype == 2 || isolvertype >= 100;
    if (WorkSpace.size() < need || (needs_ud && UD.size() < n)) {
        throw std::logic_error("iterative_solver: WorkSpace or UD shorter than the solver needs");
    }

    // integer scratch of the factorisations: 2 n entries
    std::vector<integer> scratch;
    try {
        scratch.assign(2 * static_cast<std::size_t>(std::max(n, 0)), 0);
    } catch (const std::bad_alloc&) {
        say({"Memory allocation failed"});
        stop_run();
    }
    const F1<integer> iscratch(scratch);

    const System s{IA,  JA,     AL,   AD,     AN,       B_Load, Unk1,      IU,  JU,
                   UNl, UD,     UNu,  IAC,    JAC,      AC,     WorkSpace, eps, itmaxsol,
                   n,   krylov, lfil, tolpre, sym != 0, iDofEq, NodT,      NDof};
    switch (isolvertype) {
        case 1:
            gauss_seidel_branch(s, ierr);
            break;
        case 2:
            nodal_volume_branch(s, ierr, IE, JE, nelem_ptr, nelem, X, iElementType, NDim);
            break;
        case 3:
            scaled_cgs_branch(s, ierr);
            break;
        case 4:
        case 5:
        case 6:
            gmres_branch(s, isolvertype, iscratch, ierr);
            break;
        default:
            krylov_branch(s, isolvertype, iscratch, ierr);
            break;
    }
}

}  // namespace vetrix
