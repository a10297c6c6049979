// couplingmatrix, assemblerelementsimbolicmatrix, symmetrise_coupling: build the coupling store.
#include "coupling_library.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "io/screen_text.hpp"

namespace vetrix {

namespace {

struct CodeRule {
    integer code;
    CouplingRule rule;
};

// Element code -> coupling rule. Codes sharing a row family share the routine.
constexpr CodeRule code_rules[] = {
    {1, pipe1d},
    {2, pipe1d},
    {9, pipe1d},
    {3, pipe1dce},
    {6, pipe1dce},
    {4, pipe1d_lwin},
    {7, pipe1d_lwin},
    {5, pipe1d_lwout},
    {8, pipe1d_lwout},
    {10, pipe1dcel4},
    {11, pipe1d_l4in},
    {12, pipe1d_l4out},
    {13, pipe1dl4},
    {20, stokestriangv2p1s},
    {21, spring2dnvs},
    {22, coup2d1dnvs},
    {23, coup2d1dnvters},
    {24, coup2d1dnvterss},
    {25, stokestriangalecuads},
    {26, spring2dnvconrads},
    {34, qelasticeelements},
    {38, simplexleelements},
    {50, stokestriangale_lins},
    {51, navierstokesqales},
    {52, navierstokesbubales},
    {54, coup_23d1d_nv_linears},
    {55, coup_23d1d_nv_quads},
    {57, spring23dnv_linears},
    {5705, spring23dnv_linears},
    {58, spring23dnv_quads},
    {59, springinterfaceelems},
    {100, dirichs},
    {102, dirichs},
    {101, diricho},
    {103, neumann_les},
    {104, diricho2},
    {110, concentratedloads},
    {230, coup2d1dnvter_alfas},
    {510, navierstokesqaleexp_acops},
    {520, navierstokesbubales1},
    {522, navierstokesbubales1},
    {524, navierstokesbubales1},
    {5245, navierstokesbubales1},
    {521, navierstokesbubales2},
    {523, navierstokesbubalesd2},
    {525, navierstokesbubalesd2},
    {540, presure_nv_linears},
    {541, coup_23d1d_nv_lineards},
    {542, coup_23d1d_nv_lineardds},
    {550, coup_23d1d_nv_linear_alfas},
    {570, spring3dnv_linearsplit1s},
    {571, spring3dnv_linearsplit2s},
    {900, nv3dqalems},
    {901, nv3dexplps},
    {1101, nv3dexplps},
    {1000, nv3depeps},
    {1001, nv3dqaleolds},
    {1100, nv3dexplms},
    {5241, navierstokesbubalesfixd1},
    {5243, navierstokesbubalesfixd1},
    {5242, navierstokesbubalesfixd2},
    {5244, navierstokesbubalesfixd2},
    {5701, matrixspring3dfixdas},
    {5702, matrixspring3dfixdbs},
    {5703, spring3dpsvras},
    {5704, spring3dpsvrbs},
    {9999, laplaces},
};

}  // namespace

CouplingRule coupling_rule_of(integer code) {
    for (const CodeRule& entry : code_rules)
        if (entry.code == code) return entry.rule;
    return nullptr;
}

void assemblerelementsimbolicmatrix(F1<const real> P, F2<integer> C, integer code, integer iswitch,
                                    integer M, integer NDof, integer NDim) {
    // the matrix is M x M; a smaller view is cleared as far as it goes
    const bigint rows = std::min<bigint>(M, C.ld()), cols = std::min<bigint>(M, C.cols());
    for (bigint j = 1; j <= cols; ++j)
        for (bigint i = 1; i <= rows; ++i) C(i, j) = 0;

    const CouplingRule rule = coupling_rule_of(code);
    if (rule == nullptr) {
        say({"!!!!!!! WARNING, ELEMENT NOT IDENTIFIED"});
        say({"while trying to determine the Coupling Matrix"});
        return;
    }
    const integer s = iswitch != 0 ? -1 : 1;  // value of an owned diagonal
    rule(C, P, NDof, NDim, M, s);
}

void symmetrise_coupling(F2<integer> C, integer M) {
    const bigint n = std::min({bigint{M}, C.ld(), C.cols()});
    for (bigint j = 2; j <= n; ++j)
        for (bigint i = 1; i < j; ++i) {
            if (C(i, j) != 0)
                C(j, i) = 1;
            else if (C(j, i) != 0)
                C(i, j) = 1;
        }
}

void couplingmatrix(F1<integer> ielementlib, F1<integer> icoupling, F1<const real> commonpar,
                    integer NDof, integer NDofEl, integer NTypes, integer NCommon, integer NDim,
                    integer NSubSteps) {
    const integer M = NDofEl;
    const bigint slot_size = bigint{M} * M;
    const bigint nslots = slot_size > 0 ? icoupling.size() / slot_size : 0;

    for (integer sub = 1; sub <= NSubSteps; ++sub) {
        // library table of the substep: lib(t, c), c = 1..5
        F2<integer> lib(
            ielementlib.section(bigint{sub - 1} * 5 * NTypes + 1, bigint{5} * NTypes).data(),
            NTypes, 5);
        for (integer t = 1; t <= NTypes; ++t) {
            const integer n = lib(t, 4);
            if (n == 0) continue;
            const bigint slot = std::llabs(bigint{n});
            const bool build = n < 0;
            if (build && n != INT32_MIN) lib(t, 4) = -n;  // from now on an ordinary slot
            // A slot that does not fit in the store cannot be built or completed.
            if (slot > nslots) continue;
            F2<integer> C(icoupling.section((slot - 1) * slot_size + 1, slot_size).data(), M, M);

            if (build) {
                F1<const real> P =
                    commonpar.section((bigint{sub - 1} * NTypes + (t - 1)) * NCommon + 1, NCommon);
                assemblerelementsimbolicmatrix(P, C, lib(t, 1), lib(t, 2), M, NDof, NDim);
            }
            symmetrise_coupling(C, M);
        }
    }
}

}  // namespace vetrix
