// driver_setup, solver_storage: the driver's set-up and its memory report.
#include "driver/setup.hpp"

#include <algorithm>
#include <limits>
#include <new>
#include <string>

#include "assembly/coupling_library.hpp"
#include "assembly/equation_numbering.hpp"
#include "common/array_helpers.hpp"
#include "common/process_state.hpp"
#include "common/views.hpp"
#include "driver/renumbering.hpp"
#include "io/timing.hpp"
#include "io/memory_ledger.hpp"
#include "io/screen_text.hpp"
#include "linalg/skyline_factor.hpp"
#include "linalg/sparse_direct.hpp"
#include "linalg/storage_conversion.hpp"
#if VETRIX_PETSC
#include "parallel/distributed_solver.hpp"
#endif

namespace vetrix {

namespace {

std::string name_from_codes(F1<const integer> codes, integer first) {
    std::string s(kDofNameLength, ' ');
    for (integer j = 1; j <= kDofNameLength; ++j)
        s[j - 1] = static_cast<char>(static_cast<unsigned char>(codes(first + j - 1)));
    return s;
}

// Creates one reported work array: the allocation is attempted, then reported.
template <class T>
void allocate(std::vector<T>& v, bigint count, std::string_view label, bigint& total) {
    integer status = 0;
    if (count < 0 || count > std::numeric_limits<integer>::max()) {
        status = 1;
    } else {
        try {
            v.assign(static_cast<std::size_t>(count), T{});
        } catch (const std::bad_alloc&) {
            status = 1;
        }
    }
    mem_alloc(label, count, static_cast<integer>(sizeof(T)), total, status);
}

bool is_direct(integer t) { return t == 0 || t == -1; }

// Sorts the columns of every row of an n-row pattern by two transposes.
void sort_rows(F1<integer> IA, F1<integer> JA, integer n, F1<integer> IAT, std::vector<integer>& JAT) {
    const integer nnz = IA(n + 1) - 1;
    JAT.resize(std::max<std::size_t>(JAT.size(), static_cast<std::size_t>(nnz)));
    F1<integer> jat(JAT.data(), nnz);
    trascomp(IA, JA, IAT, jat, n, n);
    trascomp(IAT, jat, IA, JA, n, n);
}

integer to_integer(bigint v) {
    if (v > std::numeric_limits<integer>::max()) error_alloc();
    return static_cast<integer>(v);
}

}  // namespace

SolverStorage solver_storage(integer t, integer n, integer z, integer m, integer f, bool sym) {
    SolverStorage s;
    const bigint N = n, Z = z, M = m, s2 = sym ? 1 : 2;
    const bigint p = std::max<bigint>(M, 20);
    const bigint W = (p + 6) * N + 5 * p + p * p + 5;
    switch (t) {
        case -2:
        case -3:
            break;  // the sparse factor sizes itself after its analysis
        case -1:
        case 0:
            s.has_iu = true;
            s.direct = true;
            s.own_region = (t == -1);
            s.ud = t == -1 ? s2 * (N + 1) : 2 * N;
            s.un_per_lju = s2;
            break;
        case 1: s.workspace = 2 * N; break;
        case 2:
            s.has_iu = true;
            s.ud = 2 * N;
            s.workspace = 8 * N;
            break;
        case 3:
        case 4:
        case 6:
            s.has_iu = true;
            s.ju = Z;
            s.ud = 2 * N;
            s.un = s2 * Z;
            s.workspace = t == 3 ? 8 * N : W;
            s.full_rows = true;
            break;
        case 5:
            s.has_iu = true;
            s.ud = 2 * N;
            s.workspace = W;
            s.full_rows = true;
            break;
#if VETRIX_PETSC
        case kDistributedSolverType: break;  // the distributed solver keeps its own storage
#endif
        default: {  // 100 and above: block incomplete LU and a Krylov solver
            s.has_iu = true;
            s.ju = N + 1 + 2 * static_cast<bigint>(f) * N + 1;
            s.ud = N;
            s.un = s.ju;
            s.full_rows = true;
            switch (t) {
                case 100:
                case 103: s.workspace = 6 * N; break;
                case 101:
                case 110: s.workspace = 8 * N; break;
                case 102:
                case 105: s.workspace = 12 * N; break;
                case 104: s.workspace = 9 * N; break;
                case 106:
                case 107: s.workspace = (N + 3) * (M + 2) + (M + 1) * M / 2 + N; break;
                case 108: s.workspace = 2 * N * (M + 1) + 3 * M + (M + 1) * M / 2 + 2 + N; break;
                case 109: s.workspace = 2 * (N + 2) * (M + 1) + 2 * N; break;
                default: s.workspace = 0; break;
            }
        }
    }
    return s;
}

void driver_setup(RunInput& in, DriverState& w) {
    const integer NodT = in.NodT, NelT = in.NelT, NDof = in.NDof, NS = in.NSubSteps;
    const integer NTotDof = in.NTotDof(), NDofEl = in.NDofEl(), NTypes = in.NTypes;
    const integer Length_JE = in.IE.empty() ? 0 : in.IE.back() - 1;

    // 1 - names from their character codes
    w.dofnamesg.clear();
    for (integer d = 1; d <= NDof; ++d)
        w.dofnamesg.push_back(name_from_codes(in.idofnamesg, kDofNameLength * (d - 1) + 1));
    w.dofnames.clear();
    for (integer s = 1; s <= NS; ++s)
        for (integer d = 1; d <= NDof; ++d)
            w.dofnames.push_back(name_from_codes(
                in.idofnames, kDofNameLength * (NDof * (s - 1) + d - 1) + 1));
    // 2, 3 - final time for the elements; the elapsed-time clock starts
    tfinal = in.tfinal;
    timerout(padded("Initiating Calculus", 60));
    // 4 - renumbering cap
    in.iRenumbering = std::min(in.iRenumbering, NelT / 4);
    // 5 - what the input already occupies
    w.total = 8LL * NodT * (in.NDim + static_cast<bigint>(NS + 3 + in.NTimeLevels) * NDof) +
              8LL * NodT * NDof * NS + 4LL * ((NodT + 1) + (NelT + 1) + 2LL * Length_JE);
    // 6 - node-to-element lists
    w.nelem_ptr.assign(static_cast<std::size_t>(NodT) + 1, 0);
    w.nelem.assign(static_cast<std::size_t>(Length_JE), 0);
    trascomp(F1<const integer>(in.IE), F1<const integer>(in.JE), F1<integer>(w.nelem_ptr),
             F1<integer>(w.nelem), NodT, NelT);
    // 7 - coupling matrices
    couplingmatrix(F1<integer>(in.ielementlib), F1<integer>(in.icoupling),
                   F1<const real>(in.commonpar), NDof, NDofEl, NTypes, in.NCommon, in.NDim, NS);
    // 8 - node numbers, the identity until renumbered
    allocate(w.Nodos, NodT, "Nodos(NodT)", w.total);
    allocate(w.NOlds, NodT, "NOlds(NodT)", w.total);
    for (integer i = 1; i <= NodT; ++i) w.Nodos[i - 1] = w.NOlds[i - 1] = i;
    // 9 - bandwidth-reducing renumbering; the nodal input follows the new numbers
    if (in.iRenumbering > 0) {
        cathill(F1<const integer>(in.IE), F1<integer>(in.JE), F1<integer>(w.nelem_ptr),
                F1<integer>(w.nelem), F1<integer>(w.NOlds), F1<integer>(w.Nodos), NelT, NodT,
                in.iRenumbering);
        permutar(F1<real>(in.X), F1<integer>(in.idoftype), F1<real>(in.dirich), F1<real>(in.sol0),
                 F1<const integer>(w.Nodos), NodT, NDof, in.NDim, in.NTimeLevels, NS);
    }

    // 10 - active dofs and equation counts
    w.iRowT.assign(NS, 0);
    for (integer s = 1; s <= NS; ++s)
        w.iRowT[s - 1] = assembdoftype1(
            F1<const integer>(in.IE), F1<const integer>(in.JE),
            F1<integer>(in.idoftype).section((s - 1) * NTotDof + 1, NTotDof),
            F1<const integer>(in.iElementType),
            F1<const integer>(in.ielementlib).section((s - 1) * 5 * NTypes + 1, 5 * NTypes),
            F1<const integer>(in.icoupling), NodT, NelT, NDof, NDofEl, NTypes);
    bigint rowtl = 0, rowtl1 = 0;
    w.iRowTM = 0;
    w.eq_start.assign(NS, 1);
    w.ia_start.assign(NS, 1);
    for (integer s = 1; s <= NS; ++s) {
        w.eq_start[s - 1] = to_integer(rowtl + 1);
        w.ia_start[s - 1] = to_integer(rowtl1 + 1);
        rowtl += w.iRowT[s - 1];
        rowtl1 += w.iRowT[s - 1] + 1;
        w.iRowTM = std::max(w.iRowTM, w.iRowT[s - 1]);
    }
    w.iRowTL = to_integer(rowtl);
    w.iRowTL1 = to_integer(rowtl1);

    // 11 - equation tables and system vectors
    allocate(w.iEQNode, w.iRowTL, "iEQNode(iRowTL)", w.total);
    allocate(w.iEqDof, w.iRowTL, "iEqDof", w.total);
    allocate(w.Unk1, w.iRowTM, "Unk1(iRowTM)", w.total);
    allocate(w.B_Load, w.iRowTM, "B_Load(iRowTM)", w.total);
    allocate(w.IP, static_cast<bigint>(w.iRowTM) + 1, "IP(iRowTM+1)", w.total);
    allocate(w.IAdd, w.iRowTL, "IAdd(iRowTL)", w.total);
    allocate(w.IA, w.iRowTL1, "IA(iRowTL1)", w.total);

    // 12 - numbering, ownership and row counts of every substep
    w.iDofEq.assign(static_cast<std::size_t>(NTotDof) * NS, 0);
    w.NnzU.assign(NS, 0);
    auto structure_of = [&](integer s) {
        return StructureInput{F1<const integer>(in.IE),
                              F1<const integer>(in.JE),
                              F1<const integer>(w.nelem_ptr),
                              F1<const integer>(w.nelem),
                              F1<const integer>(in.iElementType),
                              F1<const integer>(in.ielementlib).section((s - 1) * 5 * NTypes + 1, 5 * NTypes),
                              F1<const integer>(in.icoupling),
                              NodT, NelT, NDof, NDofEl, NTypes};
    };
    for (integer s = 1; s <= NS; ++s) {
        const integer n = w.iRowT[s - 1];
        w.NnzU[s - 1] = preensimgen(
            structure_of(s), F1<integer>(w.IA).section(w.ia_start[s - 1], n + 1), F1<integer>(w.IP),
            F1<const integer>(in.idoftype).section((s - 1) * NTotDof + 1, NTotDof),
            F1<integer>(w.IAdd).section(w.eq_start[s - 1], n),
            F1<integer>(w.iEQNode).section(w.eq_start[s - 1], n),
            F1<integer>(w.iEqDof).section(w.eq_start[s - 1], n),
            F1<integer>(w.iDofEq).section((s - 1) * NTotDof + 1, NTotDof));
    }

    // 13 - pattern and values of the system
    bigint ja_total = 0, an_len = 0;
    w.ja_start.assign(NS, 1);
    for (integer s = 1; s <= NS; ++s) {
        w.ja_start[s - 1] = to_integer(ja_total + 1);
        ja_total += w.NnzU[s - 1];
        an_len = std::max<bigint>(an_len, (in.sym[s - 1] ? 1 : 2) * static_cast<bigint>(w.NnzU[s - 1]));
    }
    allocate(w.JA, ja_total, "JA", w.total);
    allocate(w.AN, an_len, "AN", w.total);
    allocate(w.AD, w.iRowTM, "AD(iRowTM)", w.total);

    // 14 - factor and solver storage by solver type
    std::vector<SolverStorage> need(NS);
    bigint iu_len = 0, ud_own = 0, ud_shared = 0, iup_len = 0, work_len = 0, acm = 0;
    w.iu_start.assign(NS, 1);
    for (integer s = 1; s <= NS; ++s) {
        const integer n = w.iRowT[s - 1], z = w.NnzU[s - 1];
        need[s - 1] = solver_storage(in.isolvertype[s - 1], n, z, in.krylov[s - 1], in.lfil[s - 1],
                                     in.sym[s - 1] != 0);
        const SolverStorage& q = need[s - 1];
        w.iu_start[s - 1] = to_integer(iu_len + 1);
        if (q.has_iu) iu_len += static_cast<bigint>(n) + 1;
        if (q.own_region) ud_own += q.ud;
        else ud_shared = std::max(ud_shared, q.ud);
        if (q.direct) iup_len = std::max<bigint>(iup_len, static_cast<bigint>(n) + 1);
        work_len = std::max(work_len, q.workspace);
        if (q.full_rows) acm = std::max<bigint>(acm, 2LL * z + n);
    }
    // UD regions: the own ones in substep order, then the one shared by all others
    w.ud_first.assign(NS, 1);
    w.ud_second.assign(NS, 1);
    {
        bigint next_own = 1;
        for (integer s = 1; s <= NS; ++s) {
            const SolverStorage& q = need[s - 1];
            const bigint start = q.own_region ? next_own : ud_own + 1;
            if (q.own_region) next_own += q.ud;
            w.ud_first[s - 1] = to_integer(start);
            w.ud_second[s - 1] = to_integer(start + (in.sym[s - 1] ? 0 : w.iRowT[s - 1]));
        }
    }
    allocate(w.IU, std::max<bigint>(iu_len, 1), "IU", w.total);
    allocate(w.UD, std::max<bigint>(ud_own + ud_shared, 1), "UD", w.total);
    if (iup_len > 0) allocate(w.IUP, iup_len, "IUP", w.total);
    allocate(w.WorkSpace, std::max<bigint>(work_len, 1), "WorkSpace", w.total);
    if (acm >= 1) {
        integer status = 0;
        try {
            w.IAC.assign(static_cast<std::size_t>(w.iRowTM) + 1, 0);
            w.JAC.assign(static_cast<std::size_t>(acm), 0);
            w.AC.assign(static_cast<std::size_t>(acm), 0.0);
        } catch (const std::bad_alloc&) {
            status = 1;
        }
        mem_alloc("ACMat", static_cast<bigint>(w.iRowTM) + 1 + 3 * acm, 4, w.total, status);
    } else {
        w.IAC.assign(1, 0);
        w.JAC.assign(1, 0);
        w.AC.assign(1, 0.0);
        w.total += 16;
    }

    // 15 - fill every pattern, sort its rows, measure its profile
    w.LSkyLine.assign(NS, 0);
    std::vector<integer> scratch;
    for (integer s = 1; s <= NS; ++s) {
        const integer n = w.iRowT[s - 1];
        F1<integer> IA = F1<integer>(w.IA).section(w.ia_start[s - 1], n + 1);
        F1<integer> JA = F1<integer>(w.JA).section(w.ja_start[s - 1], w.NnzU[s - 1]);
        bigint sky = 0;
        w.NnzU[s - 1] = ensimgen(structure_of(s), IA, JA, F1<integer>(w.IP),
                                 F1<const integer>(in.idoftype).section((s - 1) * NTotDof + 1, NTotDof),
                                 F1<const integer>(w.iDofEq).section((s - 1) * NTotDof + 1, NTotDof), n, sky);
        w.LSkyLine[s - 1] = sky;
        sort_rows(IA, JA, n, F1<integer>(w.IP), scratch);
    }
    // the compressed-column copies of the sparse direct substeps: pattern now, values per solve
    w.sparse.clear();
    w.sparse.resize(NS);
    for (integer s = 1; s <= NS; ++s) {
        const integer t = in.isolvertype[s - 1], n = w.iRowT[s - 1];
        if (t != -2 && t != -3) continue;
        w.sparse[s - 1] = std::make_unique<SparseDirect>();
        const bigint nnz = w.sparse[s - 1]->set_pattern(
            F1<const integer>(w.IA).section(w.ia_start[s - 1], n + 1),
            F1<const integer>(w.JA).section(w.ja_start[s - 1], w.NnzU[s - 1]), n, in.sym[s - 1] != 0);
        // pointers, rows, values and the value positions
        mem_alloc("CSCMat", nnz < 0 ? static_cast<bigint>(n) + 1 : n + 1 + 3 * nnz, 8, w.total,
                  nnz < 0 ? 1 : 0);
    }
#if VETRIX_PETSC
    // the patterns of the distributed solver go to every process once
    for (integer s = 1; s <= NS; ++s)
        if (in.isolvertype[s - 1] == kDistributedSolverType)
            distributed_setup(s, F1<const integer>(w.IA).section(w.ia_start[s - 1], w.iRowT[s - 1] + 1),
                              F1<const integer>(w.JA).section(w.ja_start[s - 1], w.NnzU[s - 1]),
                              w.iRowT[s - 1], in.sym[s - 1] != 0, in.eps[s - 1], in.itmaxsol[s - 1]);
#endif

    // 16 - temporary column store of the symbolic factorisations. Its reported length is the
    // sum of the profiles; one position more per direct substep lets every part fit even when
    // the factors fill their whole profiles.
    bigint sky_total = 0;
    integer ndirect = 0;
    for (integer s = 1; s <= NS; ++s)
        if (is_direct(in.isolvertype[s - 1])) {
            sky_total += w.LSkyLine[s - 1];
            ++ndirect;
        }
    const bigint L_SKyLineL = std::max<bigint>(sky_total, 1);
    std::vector<integer> JUsk;
    allocate(JUsk, L_SKyLineL, "JUsk(L_SKyLineL)", w.total);
    JUsk.resize(static_cast<std::size_t>(L_SKyLineL + ndirect));

    // 17 - section lengths of JU; symbolic factorisation of the direct substeps
    w.LJU.assign(NS, 0);
    std::vector<bigint> jusk_start(NS, 0);
    {
        bigint next = 1;
        for (integer s = 1; s <= NS; ++s) {
            const integer n = w.iRowT[s - 1];
            if (need[s - 1].direct) {
                jusk_start[s - 1] = next;
                integer lju = 1;
                F1<integer> part = F1<integer>(JUsk).section(to_integer(next));
                triansim(F1<const integer>(w.IA).section(w.ia_start[s - 1], n + 1),
                         F1<const integer>(w.JA).section(w.ja_start[s - 1], w.NnzU[s - 1]),
                         F1<integer>(w.IU).section(w.iu_start[s - 1], n + 1), part,
                         F1<integer>(w.IP), n, lju);
                w.LJU[s - 1] = lju;
                next += lju;
            } else {
                w.LJU[s - 1] = to_integer(need[s - 1].ju);
            }
        }
    }
    bigint ju_total = 0;
    w.ju_start.assign(NS, 1);
    for (integer s = 1; s <= NS; ++s) {
        w.ju_start[s - 1] = to_integer(ju_total + 1);
        ju_total += w.LJU[s - 1];
    }
    // 18 - factor columns. When every direct part already stands in JUsk where it belongs in JU
    // (always so with one substep), JUsk's storage simply becomes JU: no second copy of what
    // may be the largest integer array of the run.
    bool in_place = static_cast<bigint>(JUsk.size()) >= ju_total;
    for (integer s = 1; s <= NS && in_place; ++s)
        if (need[s - 1].direct) in_place = jusk_start[s - 1] == w.ju_start[s - 1];
    if (in_place) {
        for (integer s = 1; s <= NS; ++s)
            if (!need[s - 1].direct)
                std::fill_n(JUsk.begin() + (w.ju_start[s - 1] - 1), w.LJU[s - 1], 0);
        JUsk.resize(static_cast<std::size_t>(std::max<bigint>(ju_total, 1)));
        w.JU = std::move(JUsk);
        mem_alloc("JU", std::max<bigint>(ju_total, 1), 4, w.total, 0);
    } else {
        allocate(w.JU, std::max<bigint>(ju_total, 1), "JU", w.total);
    }
    // 19 - direct patterns in JU, the columns of each row ascending
    for (integer s = 1; s <= NS; ++s) {
        if (!need[s - 1].direct) continue;
        const integer n = w.iRowT[s - 1], entries = w.LJU[s - 1] - 1;
        F1<integer> JU = F1<integer>(w.JU).section(w.ju_start[s - 1], w.LJU[s - 1]);
        if (!in_place)
            for (integer k = 1; k <= entries; ++k) JU(k) = JUsk[jusk_start[s - 1] + k - 2];
        // rows are short and independent: sorting each in place beats two transposes of the
        // whole factor pattern, which scatter over all of it
        F1<const integer> IU = F1<const integer>(w.IU).section(w.iu_start[s - 1], n + 1);
        for (integer i = 1; i <= n; ++i)
            std::sort(JU.data() + (IU(i) - 1), JU.data() + (IU(i + 1) - 1));
    }
    // 20 - the temporary store goes
    if (ndirect > 0) {
        say({"DEALLOCATING JUsk", static_cast<long long>(L_SKyLineL)});
        w.total -= 4 * L_SKyLineL;
        say({"MEMORY USED", static_cast<long long>(w.total), "   BYTES"});
    }
    std::vector<integer>().swap(JUsk);

    // 21 - factor values: own regions of type -1 first, then the shared region
    bigint un_own = 0, un_shared = 0;
    for (integer s = 1; s <= NS; ++s) {
        const SolverStorage& q = need[s - 1];
        const bigint un = q.direct ? q.un_per_lju * w.LJU[s - 1] : q.un;
        if (q.own_region) un_own += un;
        else un_shared = std::max(un_shared, un);
    }
    w.un_upper.assign(NS, 1);
    w.un_lower.assign(NS, 1);
    {
        bigint next_own = 1;
        for (integer s = 1; s <= NS; ++s) {
            const SolverStorage& q = need[s - 1];
            const bigint start = q.own_region ? next_own : un_own + 1;
            if (q.own_region) next_own += q.un_per_lju * w.LJU[s - 1];
            w.un_upper[s - 1] = to_integer(start);
            w.un_lower[s - 1] = to_integer(start + (in.sym[s - 1] ? 0 : w.LJU[s - 1]));
        }
    }
    allocate(w.UN, std::max<bigint>(un_own + un_shared, 1), "UN", w.total);

    // 22 - totals
    say({"TOTAL MEMORY ALLOCATED", static_cast<long long>(w.total), " BYTES"});
    say({"TOTAL MEMORY ALLOCATED", static_cast<long long>(w.total / 1024), " KB"});
    say({"TOTAL MEMORY ALLOCATED", static_cast<long long>(w.total / 1048576), " MB"});

    // 23 - patterns of the in-house iterative solvers
    for (integer s = 1; s <= NS; ++s) {
        const integer t = in.isolvertype[s - 1], n = w.iRowT[s - 1];
        if (t == 2 || t == 5) {
            for (integer k = 0; k <= n; ++k) w.IU[w.iu_start[s - 1] - 1 + k] = 1;
        } else if (t == 3 || t == 4 || t == 6) {
            const integer z = w.NnzU[s - 1];
            std::fill(w.AD.begin(), w.AD.end(), 0.0);
            std::fill(w.AN.begin(), w.AN.end(), 0.0);
            F1<const real> AN(w.AN);
            trans_ultoc(F1<const integer>(w.IA).section(w.ia_start[s - 1], n + 1),
                        F1<const integer>(w.JA).section(w.ja_start[s - 1], z), AN, AN,
                        F1<const real>(w.AD), F1<integer>(w.IAC), F1<integer>(w.JAC),
                        F1<real>(w.AC), n);
            F1<integer> IU = F1<integer>(w.IU).section(w.iu_start[s - 1], n + 1);
            F1<integer> JU = F1<integer>(w.JU).section(w.ju_start[s - 1], w.LJU[s - 1]);
            for (integer k = 1; k <= n + 1; ++k) IU(k) = 0;
            for (integer k = 1; k <= w.LJU[s - 1]; ++k) JU(k) = 0;
            integer count = 0;
            symcmr(F1<const integer>(w.IAC), F1<const integer>(w.JAC), IU, JU, n, count);
        }
    }

    // element workspace and nodal vectors of the time loop
    w.assembly.size_for(NDofEl, in.MaxNodEl, in.NDim, in.NTimeLevels, NTypes, in.NCommon, NDof,
                        in.param.size(), in.jparam.size());
    w.Sol.assign(static_cast<std::size_t>(NTotDof), 0.0);
    w.SolSub.assign(static_cast<std::size_t>(NTotDof), 0.0);
    w.SolIter.assign(static_cast<std::size_t>(NTotDof), 0.0);
}

}  // namespace vetrix
