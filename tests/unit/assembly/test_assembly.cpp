// Element dispatch and numeric assembly: random substeps against a dense assembly written out
// here, and the hand cases of prescribed neighbours, skipped types and unknown codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "assembly/element_dispatch.hpp"
#include "assembly/equation_numbering.hpp"
#include "common/array_helpers.hpp"
#include "common/process_state.hpp"
#include "common/screen.hpp"
#include "io/format.hpp"

namespace vetrix {
namespace {

constexpr real kUntouched = 777.0;  // lower part of AN when only the upper part is assembled
int calls = 0;                      // calls of the test elements

// AE(l, m) and BE(l) of the test elements: sig identifies the element by its coordinates;
// BE also carries the gathered iterate, both stored levels, common and group parameters.
real entry(bool symmetric, real sig, integer l, integer m) {
    return symmetric ? sig + l + m + 0.1 * l * m : sig + 3.0 * l - 0.5 * m;
}
template <bool Symmetric>
void test_element(F2<real> AE, F1<real> BE, integer, F1<const real> XE, integer NDim, integer NDof,
                  integer nn, F1<const real> UH, F1<const real> UE, F1<const real> CP,
                  F1<const real> PR, F1<const integer> JP, real, real, real) {
    ++calls;
    real sig = 0.0;
    for (integer a = 1; a <= nn; ++a) sig += a * XE(NDim * (a - 1) + 1) + XE(NDim * a);
    const integer ne = nn * NDof;
    for (integer l = 1; l <= ne; ++l) {
        BE(l) = sig - l + UE(l) + 2.0 * UH(l) + 4.0 * UH(ne + l) + CP(1) + PR(1) + JP(1);
        for (integer m = 1; m <= ne; ++m) AE(l, m) = entry(Symmetric, sig, l, m);
    }
}

struct RoutineGuard {  // a test element under code 901, removed again afterwards
    explicit RoutineGuard(ElementRoutine f) { set_element_routine(901, f); }
    ~RoutineGuard() { set_element_routine(901, nullptr); }
};

// One substep: NDim = 2, two stored levels, NTypes types, every element of nn <= MaxNodEl nodes.
struct Case {
    integer NodT = 0, NDof = 0, MaxNodEl = 0, NTypes = 0;
    logical sym = 0;
    std::vector<real> X, sol0, Sol, dirich, commonpar, param;
    std::vector<integer> IE{1}, JE, type, mat, idoftype, lib, C, ie__param, ie_jparam, jparam;
    integer M() const { return NDof * MaxNodEl; }
    integer c(integer slot, integer l, integer m) const {
        return C[(slot - 1) * M() * M() + (m - 1) * M() + l - 1];
    }
};

struct System {
    integer iRowT = 0, NnzU = 0;
    std::vector<integer> kinds, iDofEq, iEQNode, iEqDof, IAdd, IA, JA, IP;
    std::vector<real> AN, AD, B;
    real DT = 0.0;
};

System assemble(const Case& k, int times = 1) {
    System s;
    const integer NelT = static_cast<integer>(k.type.size()), NTot = k.NodT * k.NDof;
    std::vector<integer> ptr(k.NodT + 1), list(k.JE.size());
    trascomp(k.IE, k.JE, ptr, list, k.NodT, NelT);
    s.kinds = k.idoftype;
    s.iRowT = assembdoftype1(k.IE, k.JE, s.kinds, k.type, k.lib, k.C, k.NodT, NelT, k.NDof, k.M(),
                             k.NTypes);
    const StructureInput in{k.IE, k.JE,   ptr,  list,   k.type, k.lib,
                            k.C,  k.NodT, NelT, k.NDof, k.M(),  k.NTypes};
    s.iDofEq.assign(NTot, 0), s.iEQNode.assign(s.iRowT, 0), s.iEqDof.assign(s.iRowT, 0);
    s.IAdd.assign(s.iRowT, 0), s.IA.assign(s.iRowT + 1, 0), s.IP.assign(s.iRowT + 1, 0);
    s.NnzU = preensimgen(in, s.IA, s.IP, s.kinds, s.IAdd, s.iEQNode, s.iEqDof, s.iDofEq);
    s.JA.assign(s.NnzU, 0);
    bigint sky = 0;
    ensimgen(in, s.IA, s.JA, s.IP, s.kinds, s.iDofEq, s.iRowT, sky);
    std::vector<integer> IT(s.iRowT + 1), JT(s.NnzU);  // ascending columns: two transposes
    trascomp(s.IA, s.JA, IT, JT, s.iRowT, s.iRowT);
    trascomp(IT, JT, s.IA, s.JA, s.iRowT, s.iRowT);
    s.IP.assign(s.iRowT + 1, 0);
    for (int t = 0; t < times; ++t) {
        s.AN.assign(2 * s.NnzU + 1, k.sym ? kUntouched : 0.0);  // one spare entry at the end
        std::fill(s.AN.begin(), s.AN.begin() + s.NnzU, 0.0);
        s.AN.back() = kUntouched, s.AD.assign(s.iRowT, 0.0), s.B.assign(s.iRowT, 0.0);
        dirasig(s.AD, s.B, k.dirich, s.kinds, s.iDofEq, NTot);
        matrixcoef(k.IE, k.JE, k.X, s.IA, s.JA, s.AN, s.AD, s.B, k.sol0, k.Sol, s.kinds, s.IAdd,
                   s.IP, k.param, k.jparam, k.ie__param, k.ie_jparam, 2, k.type, k.mat, k.lib,
                   k.commonpar, k.C, s.iEQNode, s.iEqDof, s.iDofEq, k.NodT, NelT, k.NDof, 2,
                   k.MaxNodEl, k.NTypes, 2, k.M(), k.sym, 0.125, s.DT, 3.0, 2);
    }
    return s;
}

// Random substep: type 1 owns (switch 1, some diagonals -1), type 2 does not, type 3 has slot 0;
// distinct nodes per element except that some list one node twice; kinds prescribed, free or
// unmarked. Wide elements have more dofs
// than ensnumgen gathers on the stack.
Case random_case(std::mt19937& rng, bool sym, bool wide) {
    auto pick = [&](int n) { return static_cast<integer>(rng() % n); };
    Case k;
    k.NodT = 6 + pick(6), k.NDof = wide ? 17 : 1 + pick(2), k.MaxNodEl = wide ? 4 : 3 + pick(2);
    k.NTypes = 3, k.sym = sym;
    const integer M = k.M();
    k.lib = {901, 901, 901, 1, 0, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0};
    k.C.assign(2 * M * M, 0);
    for (integer slot = 1; slot <= 2; ++slot)
        for (integer l = 1; l <= M; ++l)
            for (integer m = l; m <= M; ++m) {
                integer v = pick(3) == 0 ? 0 : 1;
                if (l == m && slot == 1 && pick(2) == 0) v = -1;
                k.C[(slot - 1) * M * M + (m - 1) * M + l - 1] =
                    k.C[(slot - 1) * M * M + (l - 1) * M + m - 1] = v;
            }
    for (integer e = 0, NelT = 3 + pick(5); e < NelT; ++e) {
        std::vector<integer> nodes(k.NodT);
        for (integer i = 0; i < k.NodT; ++i) nodes[i] = i + 1;
        std::shuffle(nodes.begin(), nodes.end(), rng);
        const integer nn = 2 + pick(k.MaxNodEl - 1);
        if (pick(3) == 0) nodes[nn - 1] = nodes[pick(nn - 1)];
        k.JE.insert(k.JE.end(), nodes.begin(), nodes.begin() + nn);
        k.IE.push_back(static_cast<integer>(k.JE.size()) + 1);
        k.type.push_back(1 + pick(3));
        k.mat.push_back(1 + pick(2));
    }
    for (integer i = 0; i < 2 * k.NodT; ++i) k.X.push_back(0.5 * pick(17));
    for (integer i = 0; i < 3 * k.NodT * k.NDof; ++i) k.sol0.push_back(pick(9) - 4.0);
    k.Sol.assign(k.sol0.begin() + 2 * k.NodT * k.NDof, k.sol0.end());
    for (integer i = 0; i < k.NodT * k.NDof; ++i) {
        k.idoftype.push_back(pick(4) == 0 ? -1 : pick(2));
        k.dirich.push_back(pick(7) - 3.0);
    }
    k.commonpar = {10, 0, 20, 0, 30, 0}, k.ie__param = k.ie_jparam = {1, 2, 3};
    k.param = {100, 200, 100, 200}, k.jparam = {1000, 2000, 1000, 2000};
    return k;
}

TEST(Assembly, RandomSubstepsEqualDenseAssembly) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 80; ++trial) {
        const bool sym = trial % 2 == 0, symmetric_ae = trial % 4 < 2;
        const RoutineGuard guard(symmetric_ae ? test_element<true> : test_element<false>);
        const Case k = random_case(rng, sym, trial % 10 == 9);
        calls = 0;
        const System s = assemble(k, 2);  // the second assembly must give the same system
        // dense reference: free row i (local l) that takes the element gets AE(l, l) and BE(l)
        // whatever C(l, l), AE(l, m) at every coupled free column, -AE(l, m) v at every coupled
        // prescribed one
        const integer n = s.iRowT, NDof = k.NDof;
        std::vector<real> A(n * n, 0.0), b(n, 0.0);
        integer active = 0;
        for (integer q = 0; q < k.NodT * NDof; ++q)
            if (s.kinds[q] < 0)
                A[(s.iDofEq[q] - 1) * (n + 1)] = 1.0, b[s.iDofEq[q] - 1] = k.dirich[q];
        for (std::size_t e = 0; e + 1 < k.IE.size(); ++e) {
            const integer slot = k.lib[9 + k.type[e] - 1], nn = k.IE[e + 1] - k.IE[e];
            if (slot == 0) continue;
            ++active;
            auto node = [&](integer a) { return k.JE[k.IE[e] - 1 + a - 1]; };
            real sig = 0.0;
            for (integer a = 1; a <= nn; ++a)
                sig += a * k.X[2 * node(a) - 2] + k.X[2 * node(a) - 1];
            for (integer l = 1; l <= nn * NDof; ++l) {
                const integer p = (node((l - 1) / NDof + 1) - 1) * NDof + (l - 1) % NDof;
                const integer i = s.iDofEq[p];
                if (s.kinds[p] <= 0 || (s.IAdd[i - 1] == 1 && k.c(slot, l, l) >= 0)) continue;
                const integer NT = k.NodT * NDof;
                b[i - 1] += sig - l + k.Sol[p] + 2.0 * k.sol0[p] + 4.0 * k.sol0[NT + p] +
                            k.commonpar[2 * (k.type[e] - 1)] + 100.0 * k.mat[e] + 1000.0 * k.mat[e];
                for (integer m = 1; m <= nn * NDof; ++m) {
                    const integer q = (node((m - 1) / NDof + 1) - 1) * NDof + (m - 1) % NDof;
                    const integer j = s.iDofEq[q];
                    if (m == l) A[(i - 1) * (n + 1)] += entry(symmetric_ae, sig, l, l);
                    if (k.c(slot, l, m) == 0 || j == 0 || m == l) continue;
                    if (s.kinds[q] < 0)
                        b[i - 1] -= entry(symmetric_ae, sig, l, m) * k.dirich[q];
                    else
                        A[(j - 1) * n + i - 1] += entry(symmetric_ae, sig, l, m);
                }
            }
        }
        ASSERT_EQ(calls, 2 * active) << "trial " << trial;
        for (integer i = 1; i <= n; ++i) {
            EXPECT_NEAR(s.AD[i - 1], A[(i - 1) * (n + 1)], 1e-12) << "trial " << trial;
            EXPECT_NEAR(s.B[i - 1], b[i - 1], 1e-9) << "trial " << trial;
            for (integer q = s.IA[i - 1]; q < s.IA[i]; ++q) {
                const integer j = s.JA[q - 1];
                EXPECT_NEAR(s.AN[q - 1], A[(j - 1) * n + i - 1], 1e-12) << "trial " << trial;
                EXPECT_NEAR(s.AN[s.NnzU + q - 1], sym ? kUntouched : A[(i - 1) * n + j - 1], 1e-12);
            }
        }
        EXPECT_EQ(s.AN.back(), kUntouched);
        EXPECT_EQ(s.IP, std::vector<integer>(n + 1, 0));
        EXPECT_EQ(s.DT, 0.125);
        EXPECT_EQ(lengthparam, 2);
        EXPECT_EQ(lengthjparam, 2);
    }
}

// AE(l, m) = CP(1) (10 l + m), BE(l) = CP(1) l; publishes det = CP(2) when CP(2) is not 0.
void fixed_element(F2<real> AE, F1<real> BE, integer, F1<const real>, integer, integer, integer nn,
                   F1<const real>, F1<const real>, F1<const real> CP, F1<const real>,
                   F1<const integer>, real, real, real) {
    ++calls;
    for (integer l = 1; l <= nn; ++l) {
        BE(l) = CP(1) * l;
        for (integer m = 1; m <= nn; ++m) AE(l, m) = CP(1) * (10.0 * l + m);
    }
    if (CP(2) != 0.0) det = CP(2);
}

// One dof per node, all nodes at the origin, one parameter group without values.
struct SmallCase {
    const char* what;
    integer NodT;
    std::vector<std::vector<integer>> elements;
    std::vector<integer> types, lib, C, kinds;  // lib: NTypes x 5, column by column
    std::vector<real> dirich, commonpar;        // commonpar: 2 per type
    logical sym;
    std::vector<real> AD, B, AN;  // expected system (AN with its spare entry)
};

Case small_case(const SmallCase& c) {
    Case k;
    k.NodT = c.NodT, k.NDof = 1, k.NTypes = static_cast<integer>(c.lib.size()) / 5, k.sym = c.sym;
    for (const auto& el : c.elements) {
        k.JE.insert(k.JE.end(), el.begin(), el.end());
        k.IE.push_back(static_cast<integer>(k.JE.size()) + 1);
        k.MaxNodEl = std::max(k.MaxNodEl, static_cast<integer>(el.size()));
    }
    k.type = c.types, k.lib = c.lib, k.C = c.C, k.idoftype = c.kinds, k.dirich = c.dirich;
    k.commonpar = c.commonpar;
    k.mat.assign(k.type.size(), 1);
    k.X.assign(2 * c.NodT, 0.0), k.sol0.assign(2 * c.NodT, 0.0), k.Sol.assign(c.NodT, 0.0);
    k.param = {0.0}, k.jparam = {0}, k.ie__param = k.ie_jparam = {1, 1, 1};
    return k;
}

TEST(Assembly, HandCases) {
    const RoutineGuard guard(fixed_element);
    // clang-format off
    const SmallCase cases[] = {
        // node 2 prescribed to 4: b1 = BE(1) - AE(1, 2) 4; node 3 has no equation (C(3, 3) = 0)
        {"prescribed", 3, {{1, 2, 3}}, {1}, {901, 0, 0, 1, 0}, {1, 1, 1, 1, 1, 1, 1, 1, 0},
         {1, -1, 1}, {0, 4, 0}, {1, 0}, 0, {11, 1}, {1 - 12 * 4, 4}, {kUntouched}},
        // type 1 owns node 1 (C(1, 1) = -1); type 2 (CP 100) reaches node 2's row only, as a
        // row: AD(2), B(2) and the lower entry A(2, 1)
        {"owned", 2, {{1, 2}, {1, 2}}, {1, 2}, {901, 901, 1, 0, 0, 0, 1, 2, 0, 0},
         {-1, 1, 1, 1, 1, 1, 1, 1}, {1, 1}, {0, 0}, {1, 0, 100, 0}, 0, {11, 2222}, {1, 202},
         {12, 2121, kUntouched}},
        // element (1, 2, 1, 3): node 1's second position couples with node 3, so row 1 holds
        // A(1, 2) = AE(1, 2) and A(1, 3) = AE(3, 4), and their mirrors AE(2, 1) and AE(4, 3)
        {"repeated node", 3, {{1, 2, 1, 3}}, {1}, {901, 0, 0, 1, 0},
         {1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1}, {1, 1, 1}, {0, 0, 0}, {1, 0}, 0,
         {11 + 33, 22, 44}, {1 + 3, 2, 4}, {12, 34, 21, 43, kUntouched}},
        // element (2, 1, 2, 1), all coupled: every local pair adds into its equation pair, the
        // cross terms of one node into its diagonal
        {"node pair listed twice", 2, {{2, 1, 2, 1}}, {1}, {901, 0, 0, 1, 0},
         std::vector<integer>(16, 1), {1, 1}, {0, 0}, {1, 0}, 0,
         {22 + 24 + 42 + 44, 11 + 13 + 31 + 33}, {2 + 4, 1 + 3}, {21 + 23 + 41 + 43,
         12 + 14 + 32 + 34, kUntouched}},
    };
    // clang-format on
    for (const SmallCase& c : cases) {
        const System s = assemble(small_case(c));
        EXPECT_EQ(s.AD, c.AD) << c.what;
        EXPECT_EQ(s.B, c.B) << c.what;
        EXPECT_EQ(s.AN, c.AN) << c.what;
        EXPECT_EQ(s.IP, std::vector<integer>(s.iRowT + 1, 0)) << c.what;
    }
}

// Unknown codes warn once per element and assembly and add nothing; a negative determinant is
// reported only when the element routine publishes it (det is cleared before every element).
TEST(Assembly, WarningsOfUnknownCodesAndNegativeJacobians) {
    const RoutineGuard guard(fixed_element);
    const Case k = small_case({"warnings",
                               2,
                               {{1, 2}, {2}, {1, 2}},
                               {1, 2, 3},
                               {14, 901, 901, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0},
                               {1, 1, 1, 1},
                               {1, 1},
                               {0, 0},
                               {0, 0, 2, -0.5, 3, 0},
                               0,
                               {},
                               {},
                               {}});
    std::string text;
    screen().capture(&text);
    calls = 0;
    det = -9.0;
    const System s = assemble(k, 2);
    screen().capture(nullptr);
    const std::string warn = " !!!!!!! WARNING, ELEMENT NOT IDENTIFIED\n";
    const std::string report = free_line({"WARNING, jacobian < 0 at element", 2, -0.5}) + "\n" +
                               free_line({"Id_Elem_Family", 901}) + "\n" +
                               free_line({"Coordinates", 0.0, 0.0}) + "\n";
    EXPECT_EQ(text, warn + report + warn + report);
    EXPECT_EQ(calls, 4);
    // elements 2 (CP 2, node 2 only) and 3 (CP 3) alone reach the system
    EXPECT_EQ(s.AD, (std::vector<real>{33.0, 22.0 + 66.0}));
}

}  // namespace
}  // namespace vetrix
