// Element dispatch and numeric assembly: random substeps against a dense assembly written out
// here, and the hand cases of prescribed neighbours, owned rows, repeated nodes and unknown
// codes.
#include <gtest/gtest.h>

#include <string>

#include "assembly/element_dispatch.hpp"
#include "assembly_harness.hpp"
#include "common/process_state.hpp"
#include "common/screen.hpp"
#include "io/format.hpp"

namespace vetrix {
namespace {

constexpr real kUntouched = 777.0;  // lower part of AN when only the upper part is assembled
int calls = 0;                      // calls of the test elements

// The test element: AE(l, m) = CP(1) (10 l + m) + sig l, not symmetric so that a transposed
// entry shows; BE(l) = CP(1) l + sig + the gathered iterate, both stored levels and the group
// parameters; sig identifies the element by its coordinates. Publishes det = CP(2) if not 0.
real entry(real cp, real sig, integer l, integer m) {
    return cp * (10.0 * l + m) + sig * l;
}
void test_element(F2<real> AE, F1<real> BE, integer, F1<const real> XE, integer NDim, integer NDof,
                  integer nn, F1<const real> UH, F1<const real> UE, F1<const real> CP,
                  F1<const real> PR, F1<const integer> JP, real, real, real) {
    ++calls;
    real sig = 0.0;
    for (integer a = 1; a <= nn; ++a) sig += a * XE(NDim * (a - 1) + 1) + XE(NDim * a);
    const integer ne = nn * NDof;
    for (integer l = 1; l <= ne; ++l) {
        BE(l) = CP(1) * l + sig + UE(l) + 2.0 * UH(l) + 4.0 * UH(ne + l) + PR(1) + JP(1);
        for (integer m = 1; m <= ne; ++m) AE(l, m) = entry(CP(1), sig, l, m);
    }
    if (CP(2) != 0.0) det = CP(2);
}

struct RoutineGuard {  // a test element under code 901, removed again afterwards
    explicit RoutineGuard(ElementRoutine f) { set_element_routine(901, f); }
    ~RoutineGuard() { set_element_routine(901, nullptr); }
};

// One substep with NDim = 2 and two stored levels.
struct Case : test::Substep {
    logical sym = 0;
    std::vector<real> X, sol0, Sol, dirich, commonpar, param{0.0};
    std::vector<integer> mat, ie__param{1, 1, 1}, ie_jparam{1, 1, 1}, jparam{0};
};

struct System : test::Structure {
    std::vector<real> AN, AD, B;
    real DT = 0.0;
};

// Assembles `times` times into fresh arrays; AN has one spare entry at the end.
System assemble(const Case& k, int times = 1) {
    System s;
    static_cast<test::Structure&>(s) = test::structure(k);
    std::vector<integer> IT(s.iRowT + 1), JT(s.NnzU);  // ascending columns: two transposes
    trascomp(s.IA, s.JA, IT, JT, s.iRowT, s.iRowT);
    trascomp(IT, JT, s.IA, s.JA, s.iRowT, s.iRowT);
    s.IP.assign(s.iRowT + 1, 0);
    const integer NelT = static_cast<integer>(k.type.size());
    for (int t = 0; t < times; ++t) {
        s.AN.assign(2 * s.NnzU + 1, kUntouched);
        std::fill(s.AN.begin(), s.AN.begin() + (k.sym ? s.NnzU : 2 * s.NnzU), 0.0);
        s.AD.assign(s.iRowT, 0.0), s.B.assign(s.iRowT, 0.0);
        dirasig(s.AD, s.B, k.dirich, s.kinds, s.iDofEq, k.NodT * k.NDof);
        matrixcoef(k.IE, k.JE, k.X, s.IA, s.JA, s.AN, s.AD, s.B, k.sol0, k.Sol, s.kinds, s.IAdd,
                   s.IP, k.param, k.jparam, k.ie__param, k.ie_jparam, 2, k.type, k.mat, k.lib,
                   k.commonpar, k.C, s.iEQNode, s.iEqDof, s.iDofEq, k.NodT, NelT, k.NDof, 2,
                   k.MaxNodEl, k.NTypes, 2, k.M(), k.sym, 0.125, s.DT, 3.0, 2);
    }
    return s;
}

// Random substeps: type 1 owns (switch 1, some diagonals -1), type 2 does not, type 3 has slot
// 0; some elements list a node twice; kinds prescribed, free or unmarked. Wide elements have more dofs than ensnumgen gathers on
// the stack. Dense reference: a free row i (local l) that takes the element gets AE(l, l) and
// BE(l) whatever C(l, l), AE(l, m) at every coupled free column, -AE(l, m) v at every coupled
// prescribed one; owned rows take only owning elements.
TEST(Assembly, RandomSubstepsEqualDenseAssembly) {
    std::mt19937 rng(5);
    auto pick = [&](int n) { return static_cast<integer>(rng() % n); };
    const RoutineGuard guard(test_element);
    for (int trial = 0; trial < 80; ++trial) {
        const bool sym = trial % 2 == 0, wide = trial % 10 == 9;
        Case k;
        k.NodT = 6 + pick(6), k.NDof = wide ? 17 : 1 + pick(2), k.MaxNodEl = wide ? 4 : 3 + pick(2);
        k.NTypes = 3, k.sym = sym, k.lib = {901, 901, 901, 1, 0, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0};
        test::randomise(k, rng, 2, 3 + pick(5), 2);
        for (std::size_t e = 0; e < k.type.size(); ++e) k.mat.push_back(1 + pick(2));
        for (integer i = 0; i < 2 * k.NodT; ++i) k.X.push_back(0.5 * pick(17));
        for (integer i = 0; i < 3 * k.NodT * k.NDof; ++i) k.sol0.push_back(pick(9) - 4.0);
        k.Sol.assign(k.sol0.begin() + 2 * k.NodT * k.NDof, k.sol0.end());
        for (integer i = 0; i < k.NodT * k.NDof; ++i) {
            k.idoftype.push_back(pick(4) == 0 ? -1 : pick(2));
            k.dirich.push_back(pick(7) - 3.0);
        }
        k.commonpar = {10, 0, 20, 0, 30, 0}, k.ie__param = k.ie_jparam = {1, 2, 3};
        k.param = {100, 200, 100, 200}, k.jparam = {1000, 2000, 1000, 2000};
        calls = 0;
        const System s = assemble(k, 2);  // the second assembly must give the same system

        const integer n = s.iRowT, NDof = k.NDof, NT = k.NodT * NDof;
        std::vector<real> A(n * n, 0.0), b(n, 0.0);
        integer active = 0;
        for (integer q = 0; q < NT; ++q)
            if (s.kinds[q] < 0)
                A[(s.iDofEq[q] - 1) * (n + 1)] = 1.0, b[s.iDofEq[q] - 1] = k.dirich[q];
        for (std::size_t e = 0; e < k.type.size(); ++e) {
            const integer slot = k.lib[9 + k.type[e] - 1], nn = k.IE[e + 1] - k.IE[e];
            const real cp = k.commonpar[2 * (k.type[e] - 1)];
            if (slot == 0) continue;
            ++active;
            auto node = [&](integer a) { return k.JE[k.IE[e] - 1 + a - 1]; };
            auto dof = [&](integer l) {
                return (node((l - 1) / NDof + 1) - 1) * NDof + (l - 1) % NDof;
            };
            real sig = 0.0;
            for (integer a = 1; a <= nn; ++a)
                sig += a * k.X[2 * node(a) - 2] + k.X[2 * node(a) - 1];
            for (integer l = 1; l <= nn * NDof; ++l) {
                const integer p = dof(l), i = s.iDofEq[p];
                if (s.kinds[p] <= 0 || (s.IAdd[i - 1] == 1 && k.c(slot, l, l) >= 0)) continue;
                b[i - 1] += cp * l + sig + k.Sol[p] + 2.0 * k.sol0[p] + 4.0 * k.sol0[NT + p] +
                            1100.0 * k.mat[e];
                A[(i - 1) * (n + 1)] += entry(cp, sig, l, l);
                for (integer m = 1; m <= nn * NDof; ++m) {
                    const integer q = dof(m), j = s.iDofEq[q];
                    if (k.c(slot, l, m) == 0 || j == 0 || m == l) continue;
                    if (s.kinds[q] < 0)
                        b[i - 1] -= entry(cp, sig, l, m) * k.dirich[q];
                    else
                        A[(j - 1) * n + i - 1] += entry(cp, sig, l, m);
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

// One dof per node, all nodes at the origin, one parameter group without values, CP 2 per type.
Case small_case(integer NodT, const std::vector<std::vector<integer>>& elements,
                const std::vector<integer>& types, std::vector<integer> lib, std::vector<integer> C,
                std::vector<integer> kinds, std::vector<real> dirich, std::vector<real> commonpar) {
    Case k;
    k.NodT = NodT, k.NTypes = static_cast<integer>(lib.size()) / 5, k.lib = lib, k.C = C;
    for (std::size_t e = 0; e < elements.size(); ++e) k.add_element(elements[e], types[e]);
    k.idoftype = kinds, k.dirich = dirich, k.commonpar = commonpar, k.mat.assign(types.size(), 1);
    k.X.assign(2 * NodT, 0.0), k.sol0.assign(2 * NodT, 0.0), k.Sol.assign(NodT, 0.0);
    return k;
}

// Unknown codes warn once per element and assembly and add nothing; a negative determinant is
// reported only when the element routine publishes it (det is cleared before every element).
TEST(Assembly, HandCases) {
    const RoutineGuard guard(test_element);
    const std::string warn = " !!!!!!! WARNING, ELEMENT NOT IDENTIFIED\n",
                      report = free_line({"WARNING, jacobian < 0 at element", 2, -0.5}) + "\n" +
                               free_line({"Id_Elem_Family", 901}) + "\n" +
                               free_line({"Coordinates", 0.0, 0.0}) + "\n";
    const struct {
        const char* what;
        Case k;
        std::vector<real> AD, B, AN;  // expected system (AN with its spare entry)
        std::string text;             // expected screen lines of two assemblies
    } cases[] = {
        // clang-format off
        // node 2 prescribed to 4: b1 = BE(1) - AE(1, 2) 4; node 3 has no equation (C(3, 3) = 0)
        {"prescribed", small_case(3, {{1, 2, 3}}, {1}, {901, 0, 0, 1, 0},
                                  {1, 1, 1, 1, 1, 1, 1, 1, 0}, {1, -1, 1}, {0, 4, 0}, {1, 0}),
         {11, 1}, {1 - 12 * 4, 4}, {kUntouched}, ""},
        // type 1 owns node 1 (C(1, 1) = -1); type 2 (CP 100) reaches node 2's row only, as a
        // row: AD(2), B(2) and the lower entry A(2, 1)
        {"owned", small_case(2, {{1, 2}, {1, 2}}, {1, 2}, {901, 901, 1, 0, 0, 0, 1, 2, 0, 0},
                             {-1, 1, 1, 1, 1, 1, 1, 1}, {1, 1}, {0, 0}, {1, 0, 100, 0}),
         {11, 2222}, {1, 202}, {12, 2121, kUntouched}, ""},
        // element (1, 2, 1, 3): node 1's second position couples with node 3, so row 1 holds
        // A(1, 2) = AE(1, 2) and A(1, 3) = AE(3, 4), and their mirrors AE(2, 1) and AE(4, 3)
        {"repeated node", small_case(3, {{1, 2, 1, 3}}, {1}, {901, 0, 0, 1, 0},
                                     {1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1}, {1, 1, 1},
                                     {0, 0, 0}, {1, 0}),
         {11 + 33, 22, 44}, {1 + 3, 2, 4}, {12, 34, 21, 43, kUntouched}, ""},
        // element (2, 1, 2, 1), all coupled: every local pair adds into its equation pair, the
        // cross terms of one node into its diagonal
        {"node pair listed twice", small_case(2, {{2, 1, 2, 1}}, {1}, {901, 0, 0, 1, 0},
                                              std::vector<integer>(16, 1), {1, 1}, {0, 0}, {1, 0}),
         {22 + 24 + 42 + 44, 11 + 13 + 31 + 33}, {2 + 4, 1 + 3},
         {21 + 23 + 41 + 43, 12 + 14 + 32 + 34, kUntouched}, ""},
        // element 1 has unknown code 14; element 2 (CP 2, node 2 only) publishes det = -0.5;
        // element 3 (CP 3) adds 3 (10 l + m)
        {"warnings", small_case(2, {{1, 2}, {2}, {1, 2}}, {1, 2, 3},
                                {14, 901, 901, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0}, {1, 1, 1, 1},
                                {1, 1}, {0, 0}, {0, 0, 2, -0.5, 3, 0}),
         {33, 22 + 66}, {3, 2 + 6}, {36, 63, kUntouched}, warn + report + warn + report},
        // clang-format on
    };
    for (const auto& c : cases) {
        std::string text;
        screen().capture(&text);
        det = -9.0;
        const System s = assemble(c.k, 2);
        screen().capture(nullptr);
        EXPECT_EQ(text, c.text) << c.what;
        EXPECT_EQ(s.AD, c.AD) << c.what;
        EXPECT_EQ(s.B, c.B) << c.what;
        EXPECT_EQ(s.AN, c.AN) << c.what;
        EXPECT_EQ(s.IP, std::vector<integer>(s.iRowT + 1, 0)) << c.what;
    }
}

}  // namespace
}  // namespace vetrix
