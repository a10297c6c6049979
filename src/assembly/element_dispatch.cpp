// matrixcoef: gathers every assembled element's data, calls the routine of its element code and
// adds the result into the substep's system with ensnumgen.
#include "assembly/element_dispatch.hpp"

#include <algorithm>
#include <vector>

#include "assembly/numeric_assembly.hpp"
#include "common/process_state.hpp"
#include "elements/boundary_loads.hpp"
#include "elements/poisson_elements.hpp"
#include "io/screen_text.hpp"
// With the two-dimensional Laplace boundary elements:
#include "elements/laplace_bem.hpp"

namespace vetrix {

namespace {

struct CodeRoutine {
    integer code;
    ElementRoutine routine;
};

// The routines of the element library by code. Looked up once per type and assembly, never
// per element.
std::vector<CodeRoutine>& routine_table() {
    static std::vector<CodeRoutine> table = {
        {1, poissonfem_1}, {2, poissonfem_2}, {11, neumannelement}, {12, concentratedload},
        {101, laplace_bem_c_m_2d}, {103, laplace_bem_c_d_2d},
    };
    return table;
}

// Report of a negative Jacobian determinant published by an element routine in det: the element,
// its code, and the mean of its nodes' first (up to three) coordinates to find it by.
void report_negative_jacobian(integer e, integer code, F1<const real> XE, integer NDim,
                              integer nn) {
    say({"WARNING, jacobian < 0 at element", e, det});
    say({"Id_Elem_Family", code});
    real mean[3] = {0.0, 0.0, 0.0};
    const integer nc = std::min<integer>(NDim, 3);
    for (integer a = 1; a <= nn; ++a)
        for (integer c = 1; c <= nc; ++c) mean[c - 1] += XE(NDim * (a - 1) + c) / nn;
    if (nc >= 3)
        say({"Coordinates", mean[0], mean[1], mean[2]});
    else if (nc == 2)
        say({"Coordinates", mean[0], mean[1]});
    else
        say({"Coordinates", mean[0]});
}

}  // namespace

void AssemblyWorkspace::size_for(integer NDofEl, integer MaxNodEl, integer NDim,
                                 integer NTimeLevels, integer NTypes, integer NCommon,
                                 integer NDof, std::size_t nparam, std::size_t njparam) {
    // the element routines read at most 5 common parameters, or one switch per dof, and at most
    // NDof + 1 parameters of their group
    const std::size_t pad = static_cast<std::size_t>(NDof) + 8;
    common_width = std::max({NCommon, NDof, integer{8}});
    auto fit = [](auto& v, std::size_t n) {
        if (v.size() < n) v.resize(n);
    };
    fit(AE, static_cast<std::size_t>(NDofEl) * NDofEl);
    fit(BE, NDofEl);
    fit(UE, NDofEl);
    fit(UH, static_cast<std::size_t>(NTimeLevels) * NDofEl);
    fit(XE, static_cast<std::size_t>(NDim) * MaxNodEl);
    fit(NL, MaxNodEl);
    fit(common, static_cast<std::size_t>(common_width) * NTypes);
    params.assign(std::max(params.size(), nparam + pad), 0.0);
    jparams.assign(std::max(jparams.size(), njparam + pad), 0);
}

ElementRoutine element_routine_of(integer code) {
    for (const CodeRoutine& r : routine_table())
        if (r.code == code) return r.routine;
    return nullptr;
}

ElementRoutine set_element_routine(integer code, ElementRoutine routine) {
    auto& table = routine_table();
    for (CodeRoutine& r : table) {
        if (r.code == code) {
            const ElementRoutine before = r.routine;
            r.routine = routine;
            return before;
        }
    }
    table.push_back({code, routine});
    return nullptr;
}

void matrixcoef(F1<const integer> IE, F1<const integer> JE, F1<const real> X, F1<const integer> IA,
                F1<const integer> JA, F1<real> AN, F1<real> AD, F1<real> B_Load,
                F1<const real> sol0, F1<const real> Sol, F1<const integer> idoftype,
                F1<const integer> IAdd, F1<integer> IP, F1<const real> param,
                F1<const integer> jparam, F1<const integer> ie__param, F1<const integer> ie_jparam,
                integer NParamGroups, F1<const integer> iElementType, F1<const integer> iElementMat,
                F1<const integer> ielementlib, F1<const real> commonpar,
                F1<const integer> icoupling, F1<const integer> /*iEQNode*/,
                F1<const integer> /*iEqDof*/, F1<const integer> iDofEq, integer NodT, integer NelT,
                integer NDof, integer NDim, integer MaxNodEl, integer NTypes, integer NCommon,
                integer NDofEl, logical sym, real DTinput, real& DT, real T, integer NTimeLevels,
                AssemblyWorkspace* workspace) {
    DT = DTinput;
    lengthparam = ie__param(NParamGroups + 1) - 1;
    lengthjparam = ie_jparam(NParamGroups + 1) - 1;

    // 1 - the system: upper values first, their mirrors from NnzU + 1 on
    const integer iRowT = static_cast<integer>(IA.size()) - 1;
    const integer NnzU = IA(iRowT + 1) - 1;
    const F1<real> ANU = AN.section(1, NnzU);
    const F1<real> ANL = sym ? F1<real>() : AN.section(NnzU + 1, NnzU);
    const integer NTotDof = NodT * NDof;
    const bigint ME = static_cast<bigint>(NDofEl) * NDofEl;  // entries of one coupling matrix

    // 2 - element workspace, padded parameters and the routine of every type, once per assembly
    AssemblyWorkspace own;
    AssemblyWorkspace& ws = workspace != nullptr ? *workspace : own;
    ws.size_for(NDofEl, MaxNodEl, NDim, NTimeLevels, NTypes, NCommon, NDof,
                static_cast<std::size_t>(param.size()), static_cast<std::size_t>(jparam.size()));
    const integer CW = ws.common_width;
    for (integer t = 1; t <= NTypes; ++t)
        for (integer j = 1; j <= CW; ++j)
            ws.common[(t - 1) * CW + j - 1] = j <= NCommon ? commonpar((t - 1) * NCommon + j) : 0.0;
    std::copy(param.begin(), param.end(), ws.params.begin());
    std::copy(jparam.begin(), jparam.end(), ws.jparams.begin());
    const F1<const real> common(ws.common), params(ws.params);
    const F1<const integer> jparams(ws.jparams);
    const std::size_t np = static_cast<std::size_t>(param.size());
    const std::size_t njp = static_cast<std::size_t>(jparam.size());
    std::vector<real>& ae_store = ws.AE;
    std::vector<real>& be_store = ws.BE;
    const F2<real> AE(ae_store.data(), NDofEl, NDofEl);
    const F1<real> BE(be_store.data(), NDofEl), UE(ws.UE.data(), NDofEl);
    const F1<real> UH(ws.UH.data(), static_cast<std::ptrdiff_t>(NTimeLevels) * NDofEl);
    const F1<real> XE(ws.XE.data(), static_cast<std::ptrdiff_t>(NDim) * MaxNodEl);
    const F1<integer> NL(ws.NL.data(), MaxNodEl);
    const F2<const integer> lib(ielementlib.data(), NTypes, 5);  // column 1 code, 4 slot
    ElementRoutine routine_buffer[16];
    std::vector<ElementRoutine> routine_heap;
    ElementRoutine* routine = routine_buffer;
    if (NTypes > 16) {
        routine_heap.resize(NTypes);
        routine = routine_heap.data();
    }
    for (integer t = 1; t <= NTypes; ++t) routine[t - 1] = element_routine_of(lib(t, 1));

    // 3 - the elements in order
    for (integer e = 1; e <= NelT; ++e) {
        const integer t = iElementType(e);
        const integer g = iElementMat(e);
        const integer code = lib(t, 1);
        const integer slot = lib(t, 4);
        if (slot == 0) continue;
        std::fill_n(ae_store.begin(), static_cast<std::size_t>(ME), 0.0);
        std::fill_n(be_store.begin(), NDofEl, 0.0);

        // gather: nodes, coordinates, current iterate and the stored levels
        const integer first = IE(e);
        const integer nn = IE(e + 1) - first;
        VETRIX_ASSERT(nn <= MaxNodEl);
        for (integer a = 1; a <= nn; ++a) {
            const integer n = JE(first + a - 1);
            NL(a) = n;
            const integer xa = NDim * (a - 1), xn = NDim * (n - 1);
            for (integer c = 1; c <= NDim; ++c) XE(xa + c) = X(xn + c);
            const integer ua = NDof * (a - 1), un = NDof * (n - 1);
            for (integer d = 1; d <= NDof; ++d) {
                UE(ua + d) = Sol(un + d);
                for (integer h = 1; h <= NTimeLevels; ++h)
                    UH((h - 1) * nn * NDof + ua + d) = sol0((h - 1) * NTotDof + un + d);
            }
        }

        // element routine; det is cleared first so that only a value the routine itself
        // publishes can be reported
        const ElementRoutine f = routine[t - 1];
        if (f != nullptr) {
            // the group's parameters from its first entry on, zeros after the last; a group
            // number outside the table gets zeros only
            const bool known_group = g >= 1 && g <= NParamGroups + 1;
            const std::size_t p0 = known_group ? static_cast<std::size_t>(ie__param(g)) : np + 1;
            const std::size_t q0 = known_group ? static_cast<std::size_t>(ie_jparam(g)) : njp + 1;
            const F1<const real> PR = params.section(static_cast<std::ptrdiff_t>(std::min(p0, np + 1)));
            const F1<const integer> JP =
                jparams.section(static_cast<std::ptrdiff_t>(std::min(q0, njp + 1)));
            det = 0.0;
            current_element = e;  // named by the element routines' stop messages
            f(AE, BE, NDofEl, XE, NDim, NDof, nn, UH, UE,
              common.section((t - 1) * CW + 1, CW), PR, JP, DTinput, DT, T);
            current_element = 0;
            if (det < 0.0) report_negative_jacobian(e, code, XE, NDim, nn);
        } else {
            say({"!!!!!!! WARNING, ELEMENT NOT IDENTIFIED"});
        }

        // add into the system
        const F2<const integer> C(icoupling.section((slot - 1) * ME + 1, ME).data(), NDofEl,
                                  NDofEl);
        ensnumgen(const_view(AE), NL, IA, JA, ANU, ANL, AD, B_Load, BE, IP, iDofEq, C, idoftype,
                  NDofEl, NDof, nn, IAdd, sym);
    }
}

}  // namespace vetrix
