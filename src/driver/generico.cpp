// generico: the solution driver: set-up, then time steps of outer iterations over the substeps,
// each substep assembling, solving, relaxing and testing until it converges; output and restart.
#include "driver/generico.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "assembly/element_dispatch.hpp"
#include "common/array_helpers.hpp"
#include "common/process_state.hpp"
#include "common/stops.hpp"
#include "driver/convergence.hpp"
#include "driver/driver_state.hpp"
#include "driver/result_files.hpp"
#include "driver/setup.hpp"
#include "input/param_file.hpp"
#include "io/screen_text.hpp"
#include "io/memory_ledger.hpp"
#include "io/timing.hpp"
#include "linalg/iterative_solver.hpp"
#include "linalg/skyline_factor.hpp"
#include "linalg/sparse_direct.hpp"
#if VETRIX_PETSC
#include "parallel/distributed_solver.hpp"
#endif

namespace vetrix {

namespace {

const std::string kUnderline(59, '_');

// The equation's place in the mesh, for the messages: "EQUATION i NODE n DOF d".
void say_equation(const DriverState& w, std::string_view what, integer s, integer i) {
    if (i < 1) {
        say({what, s});
        return;
    }
    const integer e = w.eq_start[s - 1] + i - 1;
    say({what, s, "EQUATION", i, "NODE", w.NOlds[w.iEQNode[e - 1] - 1], "DOF", w.iEqDof[e - 1]});
}

// Turns a failed sparse factorisation of substep s into its stop.
void sparse_outcome(DriverState& w, integer s, const SparseOutcome& r) {
    switch (r.status) {
        case SparseStatus::ok:
            return;
        case SparseStatus::not_positive_definite:
            say_equation(w, "MATRIX NOT POSITIVE DEFINITE IN THE SPARSE FACTORISATION OF SUBSTEP",
                         s, r.equation);
            say({"With sym = T types -2 and -3 need a positive definite matrix: give sym = F to "
                 "factor it with pivoting"});
            break;
        case SparseStatus::singular:
            say_equation(w, "ZERO PIVOT IN THE SPARSE FACTORISATION OF SUBSTEP", s, r.equation);
            say({"The system is singular: check the prescribed values of this dof"});
            break;
        case SparseStatus::out_of_memory:
            mem_alloc("SparseFactor", r.entries, 8, w.total, 1);
            break;
        case SparseStatus::failed:
            say({"THE SPARSE FACTORISATION FAILED IN SUBSTEP", s});
            break;
    }
    stop_run();
}

// One linear solve of substep s with the system assembled in w: the sparse direct factor (types -2
// and -3), the skyline direct factor (type -1 keeps the factor of the first time step, type 0
// refactors every time) or the iterative front end.
void solve_substep(RunInput& in, DriverState& w, integer s, integer istep) {
    const integer n = w.iRowT[s - 1], z = w.NnzU[s - 1], t = in.isolvertype[s - 1];
    const bool sym = in.sym[s - 1] != 0;
    F1<const integer> IA = F1<const integer>(w.IA).section(w.ia_start[s - 1], n + 1);
    F1<const integer> JA = F1<const integer>(w.JA).section(w.ja_start[s - 1], z);
    F1<real> AN(w.AN);
    F1<real> upper = AN.section(1, z);
    F1<real> lower = sym ? upper : AN.section(z + 1, z);
    F1<real> AD = F1<real>(w.AD).section(1, n);
    F1<real> B = F1<real>(w.B_Load).section(1, n);
    F1<real> X = F1<real>(w.Unk1).section(1, n);
    F1<real> UN(w.UN), UD(w.UD);
    if (t == -2 || t == -3) {
        // type -2 keeps the factor of the first time step as -1 does; -3 refactors every solve
        SparseDirect& f = *w.sparse[s - 1];
        if (t == -3 || istep == 0) {
            const bool first = !f.factored();
            f.refill(upper, lower, AD);
            sparse_outcome(w, s, f.factor());
            if (first) mem_factor(s, f.factor_entries(), f.factor_bytes(), w.total);
        }
        f.solve(B, X);
        return;
    }
#if VETRIX_PETSC
    if (t == kDistributedSolverType) {
        distributed_solve(s, AD, upper, lower, B, X);
        return;
    }
#endif
    if (t == -1 || t == 0) {
        F1<const integer> IU = F1<const integer>(w.IU).section(w.iu_start[s - 1], n + 1);
        F1<const integer> JU = F1<const integer>(w.JU).section(w.ju_start[s - 1], w.LJU[s - 1]);
        F1<real> Uu = UN.section(w.un_upper[s - 1]), Ul = UN.section(w.un_lower[s - 1]);
        F1<real> DI = UD.section(w.ud_first[s - 1]), XL = UD.section(w.ud_second[s - 1]);
        if (t == 0 || istep == 0) {
            trianns(IA, JA, upper, lower, AD, IU, JU, Uu, Ul, DI, XL, F1<integer>(w.IP),
                    F1<integer>(w.IUP), n, sym);
            // the factorisation does not pivot: a zero pivot means a singular system, whose
            // solution would be infinities and not-a-numbers
            for (integer i = 1; i <= n; ++i)
                if (DI(i) == 0.0 || !std::isfinite(DI(i))) {
                    const integer e = w.eq_start[s - 1] + i - 1;
                    say({"ZERO PIVOT IN THE DIRECT FACTORISATION OF SUBSTEP", s, "EQUATION", i,
                         "NODE", w.NOlds[w.iEQNode[e - 1] - 1], "DOF", w.iEqDof[e - 1]});
                    say({"The system is singular: check the prescribed values of this dof"});
                    stop_run();
                }
        }
        forwback(IU, JU, DI, Uu, Ul, B, X, n);
        return;
    }
    integer ierr = 0;
    const integer NTotDof = in.NTotDof();
    iterative_solver(IA, JA, lower, AD, upper, B, X,
                     F1<integer>(w.IU).section(w.iu_start[s - 1]),
                     F1<integer>(w.JU).section(w.ju_start[s - 1]), UN.section(w.un_lower[s - 1]),
                     UD.section(w.ud_first[s - 1]), UN.section(w.un_upper[s - 1]),
                     F1<integer>(w.IAC), F1<integer>(w.JAC), F1<real>(w.AC), in.eps[s - 1],
                     in.itmaxsol[s - 1], ierr, n, in.krylov[s - 1], in.lfil[s - 1],
                     in.tolpre[s - 1], F1<real>(w.WorkSpace), t, in.sym[s - 1],
                     F1<const integer>(in.IE), F1<const integer>(in.JE),
                     F1<const integer>(w.nelem_ptr), F1<const integer>(w.nelem),
                     F1<const real>(in.X),
                     F1<const integer>(w.iEQNode).section(w.eq_start[s - 1], n),
                     F1<const integer>(w.iEqDof).section(w.eq_start[s - 1], n),
                     F1<const integer>(w.iDofEq).section((s - 1) * NTotDof + 1, NTotDof),
                     F1<const integer>(in.iElementType), in.NodT, in.NelT, in.NDof, in.NDim);
}

// A value that is not finite (overflow in the element data, a nearly singular system, a
// break-down the solver did not see) would spread into every later value, and the solvers'
// tests may even take it for convergence: the run stops at the first, naming its equation.
[[noreturn]] void stop_not_finite(const DriverState& w, std::string_view where, integer s,
                                  integer i) {
    say_equation(w, "NOT A FINITE VALUE IN THE " + std::string(where) + " OF SUBSTEP", s, i);
    stop_run();
}

// The assembled system of substep s: right-hand side, diagonal and the off-diagonal entries of
// each row (upper part; the lower one, when stored, by the same positions).
void check_finite_system(const DriverState& w, integer s, integer n, integer z, bool sym) {
    F1<const integer> IA = F1<const integer>(w.IA).section(w.ia_start[s - 1], n + 1);
    for (integer i = 1; i <= n; ++i) {
        bool ok = std::isfinite(w.B_Load[i - 1]) && std::isfinite(w.AD[i - 1]);
        for (integer k = IA(i); ok && k < IA(i + 1); ++k)
            ok = std::isfinite(w.AN[k - 1]) && (sym || std::isfinite(w.AN[z + k - 1]));
        if (!ok) stop_not_finite(w, "SYSTEM", s, i);
    }
}

void check_finite_solution(const DriverState& w, integer s, integer n) {
    for (integer i = 1; i <= n; ++i)
        if (!std::isfinite(w.Unk1[i - 1])) stop_not_finite(w, "SOLUTION", s, i);
}

}  // namespace

void generico(RunInput& in) {
    DriverState w;
    generico(in, w);
}

void generico(RunInput& in, DriverState& w) {
    driver_setup(in, w);

    const integer NodT = in.NodT, NDof = in.NDof, NDim = in.NDim, NS = in.NSubSteps;
    const integer NTotDof = in.NTotDof(), NTypes = in.NTypes, NCommon = in.NCommon;
    const integer NTimeLevels = in.NTimeLevels;
    F1<real> sol0(in.sol0), Sol(w.Sol), SolSub(w.SolSub), SolIter(w.SolIter);
    F1<real> level1 = sol0.section(1, NTotDof);
    EscribirState out_state;
    auto write_output = [&](real T, real DT, integer istep) {
        escribir(F1<const integer>(in.IE), F1<const integer>(in.JE), F1<const real>(in.X),
                 F1<const real>(in.sol0), T, DT, istep, in.NOut, F1<const integer>(w.Nodos),
                 F1<const integer>(w.NOlds), in.NNodesOut, F1<const integer>(in.nodesout), NodT,
                 NDof, in.NelT, NDim, F1<const integer>(in.iElementType), NTimeLevels, out_state);
    };

    // initial output
    real T = in.Tini;
    real DT = in.DT;
    integer istep = 0;
    say({"Output Initial Values"});
    write_output(T, DT, istep);
    timeroutstep(padded("", 60));

    while (in.tfinal > T) {
        const bool report = istep % in.NPrint == 0;
        // 1 - step banner
        if (report) {
            say({kUnderline + " "});
            say({"[][][][][][][][][]--> NEW TIME STEP <--[][][][][][][][][][] "});
            timerout(padded("", 60));
            sayf("(' Step= ',I8,', Time=',G12.4E2,', DT=',G12.4E2)", {istep + 1, T, DT});
            say();
        }
        // 2 - outer iteration over the substeps
        logical outer_converged = 0;
        integer outer_count = 0;
        asigreal(Sol, level1, NTotDof);
        while (!outer_converged) {
            ++outer_count;
            asigreal(SolIter, Sol, NTotDof);
            for (integer s = 1; s <= NS; ++s) {
                const integer n = w.iRowT[s - 1], z = w.NnzU[s - 1];
                const bool sym = in.sym[s - 1] != 0;
                F1<const integer> kinds =
                    F1<const integer>(in.idoftype).section((s - 1) * NTotDof + 1, NTotDof);
                F1<const integer> eqs =
                    F1<const integer>(w.iDofEq).section((s - 1) * NTotDof + 1, NTotDof);
                F1<const integer> eq_node = F1<const integer>(w.iEQNode).section(w.eq_start[s - 1], n);
                F1<const integer> eq_dof = F1<const integer>(w.iEqDof).section(w.eq_start[s - 1], n);
                asigreal(SolSub, Sol, NTotDof);
                logical converged = 0;
                integer count = 0;
                while (!converged) {
                    ++count;
                    // clear the system, then the prescribed rows, then the elements
                    std::fill(w.IP.begin(), w.IP.end(), 0);
                    std::fill(w.B_Load.begin(), w.B_Load.end(), 0.0);
                    std::fill_n(w.AD.begin(), n, 0.0);
                    std::fill_n(w.AN.begin(), sym ? z : 2 * z, 0.0);
                    dirasig(F1<real>(w.AD), F1<real>(w.B_Load),
                            F1<const real>(in.dirich).section((s - 1) * NTotDof + 1, NTotDof),
                            kinds, eqs, NTotDof);
                    matrixcoef(F1<const integer>(in.IE), F1<const integer>(in.JE),
                               F1<const real>(in.X),
                               F1<const integer>(w.IA).section(w.ia_start[s - 1], n + 1),
                               F1<const integer>(w.JA).section(w.ja_start[s - 1], z),
                               F1<real>(w.AN), F1<real>(w.AD), F1<real>(w.B_Load),
                               F1<const real>(in.sol0), F1<const real>(w.Sol), kinds,
                               F1<const integer>(w.IAdd).section(w.eq_start[s - 1], n),
                               F1<integer>(w.IP), F1<const real>(in.param),
                               F1<const integer>(in.jparam), F1<const integer>(in.ie__param),
                               F1<const integer>(in.ie_jparam), in.NParamGroups,
                               F1<const integer>(in.iElementType),
                               F1<const integer>(in.iElementMat),
                               F1<const integer>(in.ielementlib).section((s - 1) * 5 * NTypes + 1, 5 * NTypes),
                               F1<const real>(in.commonpar).section((s - 1) * NCommon * NTypes + 1, NCommon * NTypes),
                               F1<const integer>(in.icoupling), eq_node, eq_dof, eqs, NodT,
                               in.NelT, NDof, NDim, in.MaxNodEl, NTypes, NCommon, in.NDofEl(),
                               in.sym[s - 1], in.DT, DT, T, NTimeLevels, &w.assembly);
                    if (report) {
                        timerout(padded("System Matrix is assembled, NOW SOLVING", 60));
                        say();
                    }
                    // initial guess of the iterative solvers, solve, scatter
                    if (in.isolvertype[s - 1] >= 1)
                        compressvect(eq_node, eq_dof, F1<real>(w.Unk1), Sol, n, NDof);
                    check_finite_system(w, s, n, z, sym);
                    solve_substep(in, w, s, istep);
                    check_finite_solution(w, s, n);
                    spanvect(eq_node, eq_dof, F1<const real>(w.Unk1), SolSub, n, NDof);
                    // relax, test, accept
                    subrelajar(SolSub, Sol, in.srp[s - 1], kinds, NTotDof);
                    convers(SolSub, Sol, NDof, NodT,
                            F1<const real>(in.rnorm).section((s - 1) * NDof + 1, NDof),
                            F1<const real>(in.tol).section((s - 1) * NDof + 1, NDof),
                            in.iterative[s - 1], in.maxiter[s - 1],
                            F1<const std::string>(w.dofnames).section((s - 1) * NDof + 1, NDof),
                            converged, in.NPrint, istep, s, count);
                    asigreal(Sol, SolSub, NTotDof);
                }
                xupdate(F1<real>(in.X), Sol, NodT, NDof, NDim,
                        F1<const integer>(in.ixupdate).section((s - 1) * NDim + 1, NDim));
            }
            subrelajar(Sol, SolIter, in.srpg,
                       F1<const integer>(in.idoftype).section((NS - 1) * NTotDof + 1, NTotDof),
                       NTotDof);
            conver(Sol, SolIter, NDof, NodT, F1<const real>(in.rnormg), F1<const real>(in.tolg),
                   in.iterativeg, in.maxiterg, F1<const std::string>(w.dofnamesg),
                   outer_converged, in.NPrint, istep, outer_count);
        }
        // 3 - end of step: history, parameters, time, coordinates, output
        for (integer L = NTimeLevels; L >= 2; --L)
            for (integer k = NTotDof; k >= 1; --k)
                sol0((L - 1) * NTotDof + k) = sol0((L - 2) * NTotDof + k);
        lengthparam = in.ie__param[in.ie__param.size() - 1] - 1;
        lengthjparam = in.ie_jparam[in.ie_jparam.size() - 1] - 1;
        std::copy_n(in.param.begin() + lengthparam, lengthparam, in.param.begin());
        std::copy_n(in.jparam.begin() + lengthjparam, lengthjparam, in.jparam.begin());
        asigreal(level1, Sol, NTotDof);
        ++istep;
        T = T + DT;
        xupdate(F1<real>(in.X), level1, NodT, NDof, NDim, F1<const integer>(in.ixupdateg));
        write_output(T, DT, istep);
        if (istep % in.NOut == 0)
            writepar(in.NParamGroups, F1<const integer>(in.ie__param),
                     F1<const integer>(in.ie_jparam), F1<const real>(in.param),
                     F1<const integer>(in.jparam), in.ParamWriteSwitch);
        if (istep % in.NPrint == 0) {
            timeroutstep(padded("Time Step Finished", 60));
            sayf("(1x,1A59,///)", {kUnderline});
        }
    }

    // final restart
    write_restart_file(F1<const real>(in.sol0), T, DT, F1<const integer>(w.Nodos), NodT, NDof,
                       NTimeLevels);
}

void check_setup(RunInput& in) {
    DriverState w;
    driver_setup(in, w);
    say({"Check finished: the decks are sound and no file was written"});
}

}  // namespace vetrix
