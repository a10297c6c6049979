// Dof marking, equation numbering and strictly upper pattern, against a dense construction from
// every coupled free pair of every element.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "assembly_harness.hpp"

namespace vetrix {
namespace {

using test::Substep;

TEST(EquationNumbering, PatternEqualsEveryCoupledFreePairOfEveryElement) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 60; ++trial) {
        Substep m;
        m.NodT = 4 + trial % 9, m.NDof = 1 + trial % 2, m.MaxNodEl = 2 + trial % 3;
        m.lib = {1, trial % 2, 0, 1, 0};  // one type, code 1, ownership switch, slot 1
        test::randomise(m, rng, 1, 1 + trial % 7, m.MaxNodEl);
        for (integer q = 0; q < m.NodT * m.NDof; ++q)
            m.idoftype.push_back(rng() % 4 == 0 ? -5 : static_cast<integer>(rng() % 2));
        const test::Structure b = test::structure(m);
        const integer NDof = m.NDof, NTot = m.NodT * NDof;
        auto dof = [&](std::size_t e, integer l) {  // global dof (0-based) of local dof l
            return (m.JE[m.IE[e] - 1 + (l - 1) / NDof] - 1) * NDof + (l - 1) % NDof;
        };
        // kinds: prescribed input stays prescribed as -d; a dof of an element with a coupled
        // diagonal becomes +d; everything else 0
        std::vector<integer> kinds(NTot, 0);
        for (integer q = 0; q < NTot; ++q) kinds[q] = std::min(m.idoftype[q], 0);
        for (std::size_t e = 0; e + 1 < m.IE.size(); ++e)
            for (integer l = 1; l <= m.M(); ++l) {
                const integer q = dof(e, l), d = (l - 1) % NDof + 1;
                if (m.idoftype[q] < 0)
                    kinds[q] = -d;
                else if (m.c(1, l, l) != 0)
                    kinds[q] = d;
            }
        ASSERT_EQ(b.kinds, kinds);
        // numbering: node-major over the non-zero kinds
        integer eq = 0;
        for (integer q = 0; q < NTot; ++q) {
            EXPECT_EQ(b.iDofEq[q], kinds[q] ? ++eq : 0);
            if (kinds[q]) {
                EXPECT_EQ(b.iEQNode[eq - 1], q / NDof + 1);
                EXPECT_EQ(b.iEqDof[eq - 1], q % NDof + 1);
            }
        }
        ASSERT_EQ(b.iRowT, eq);
        // ownership and pattern: dense construction against the rows of IA/JA
        std::set<std::pair<integer, integer>> dense, got;
        std::vector<integer> owned(b.iRowT, 0);
        for (std::size_t e = 0; e + 1 < m.IE.size(); ++e)
            for (integer l = 1; l <= m.M(); ++l) {
                const integer p = dof(e, l);
                if (m.lib[1] != 0 && m.c(1, l, l) < 0 && b.iDofEq[p] != 0)
                    owned[b.iDofEq[p] - 1] = 1;
                for (integer c = 1; c <= m.M(); ++c)
                    if (kinds[p] > 0 && kinds[dof(e, c)] > 0 && m.c(1, l, c) != 0 &&
                        b.iDofEq[p] < b.iDofEq[dof(e, c)])
                        dense.insert({b.iDofEq[p], b.iDofEq[dof(e, c)]});
            }
        EXPECT_EQ(b.IAdd, owned);
        bigint sky = 0;
        std::vector<integer> first_row(b.iRowT + 1, 0);
        for (integer i = 1; i <= b.iRowT; ++i)
            for (integer k = b.IA[i - 1]; k < b.IA[i]; ++k) {
                EXPECT_TRUE(got.insert({i, b.JA[k - 1]}).second) << "repeated column";
                if (first_row[b.JA[k - 1]] == 0) sky += b.JA[k - 1] - (first_row[b.JA[k - 1]] = i);
            }
        EXPECT_EQ(got, dense) << "trial " << trial;
        EXPECT_EQ(b.NnzU, static_cast<integer>(dense.size()));
        EXPECT_EQ(b.sky, sky);
        EXPECT_EQ(b.IA[0], 1);
    }
}

}  // namespace
}  // namespace vetrix
