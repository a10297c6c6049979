// Dof marking, equation numbering and strictly upper pattern, against a dense construction from
// every coupled free pair of every element.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "assembly/equation_numbering.hpp"
#include "common/array_helpers.hpp"

namespace vetrix {
namespace {

struct Mesh {
    integer NodT, NDof, nn;             // all elements have nn nodes, one element type
    std::vector<integer> IE, JE, type;  // incidence, element types (all 1)
    std::vector<integer> lib;           // 1 x 5 table: code, ownership, -, slot 1, -
    std::vector<integer> C;             // slot 1, M x M, column by column
    std::vector<integer> idoftype;      // input kinds
    integer M() const { return NDof * nn; }
    integer c(integer l, integer m) const { return C[(m - 1) * M() + (l - 1)]; }
};

struct Built {
    integer iRowT, NnzU;
    bigint sky;
    std::vector<integer> kinds, iDofEq, iEQNode, iEqDof, IAdd, IA, JA;
};

Built build(const Mesh& m) {
    Built b;
    const integer NelT = static_cast<integer>(m.type.size()), NTot = m.NodT * m.NDof;
    std::vector<integer> ptr(m.NodT + 1), list(m.JE.size());
    trascomp(F1<const integer>(m.IE), F1<const integer>(m.JE), F1<integer>(ptr), F1<integer>(list),
             m.NodT, NelT);
    b.kinds = m.idoftype;
    b.iRowT = assembdoftype1(F1<const integer>(m.IE), F1<const integer>(m.JE), F1<integer>(b.kinds),
                             F1<const integer>(m.type), F1<const integer>(m.lib),
                             F1<const integer>(m.C), m.NodT, NelT, m.NDof, m.M(), 1);
    const StructureInput in{F1<const integer>(m.IE), F1<const integer>(m.JE), F1<const integer>(ptr),
                            F1<const integer>(list), F1<const integer>(m.type),
                            F1<const integer>(m.lib), F1<const integer>(m.C), m.NodT, NelT, m.NDof,
                            m.M(), 1};
    b.iDofEq.assign(NTot, -7);
    b.iEQNode.assign(b.iRowT, 0);
    b.iEqDof.assign(b.iRowT, 0);
    b.IAdd.assign(b.iRowT, 9);
    b.IA.assign(b.iRowT + 1, 0);
    std::vector<integer> IP(b.iRowT + 1, 5);
    b.NnzU = preensimgen(in, F1<integer>(b.IA), F1<integer>(IP), F1<const integer>(b.kinds),
                         F1<integer>(b.IAdd), F1<integer>(b.iEQNode), F1<integer>(b.iEqDof),
                         F1<integer>(b.iDofEq));
    b.JA.assign(b.NnzU, 0);
    const integer again = ensimgen(in, F1<integer>(b.IA), F1<integer>(b.JA), F1<integer>(IP),
                                   F1<const integer>(b.kinds), F1<const integer>(b.iDofEq), b.iRowT, b.sky);
    EXPECT_EQ(again, b.NnzU);
    return b;
}

// Random meshes of distinct-node elements with a symmetric coupling pattern.
Mesh random_mesh(std::mt19937& rng, integer NodT, integer NelT, integer nn, integer NDof, bool owning) {
    Mesh m{NodT, NDof, nn, {1}, {}, std::vector<integer>(NelT, 1), {1, owning ? 1 : 0, 0, 1, 0}, {}, {}};
    for (integer e = 0; e < NelT; ++e) {
        std::vector<integer> nodes(NodT);
        for (integer i = 0; i < NodT; ++i) nodes[i] = i + 1;
        std::shuffle(nodes.begin(), nodes.end(), rng);
        m.JE.insert(m.JE.end(), nodes.begin(), nodes.begin() + nn);
        m.IE.push_back(static_cast<integer>(m.JE.size()) + 1);
    }
    const integer M = m.M();
    m.C.assign(M * M, 0);
    for (integer l = 1; l <= M; ++l)
        for (integer k = l; k <= M; ++k) {
            integer v = (rng() % 3 == 0) ? 0 : 1;
            if (l == k && owning && rng() % 2 == 0) v = -1;
            m.C[(k - 1) * M + l - 1] = m.C[(l - 1) * M + k - 1] = v;
        }
    m.idoftype.resize(NodT * NDof);
    for (auto& t : m.idoftype) t = (rng() % 4 == 0) ? -5 : static_cast<integer>(rng() % 2);
    return m;
}

TEST(EquationNumbering, PatternEqualsEveryCoupledFreePairOfEveryElement) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 60; ++trial) {
        const integer nn = 2 + trial % 3, NDof = 1 + trial % 2;
        const Mesh m = random_mesh(rng, 4 + trial % 9, 1 + trial % 7, nn, NDof, trial % 2 == 1);
        const Built b = build(m);
        const integer NTot = m.NodT * m.NDof;

        // kinds: prescribed input stays prescribed as -d; a touched dof with a coupled diagonal
        // becomes +d; everything else 0
        std::vector<integer> kinds(NTot, 0);
        for (integer k = 0; k < NTot; ++k)
            if (m.idoftype[k] < 0) kinds[k] = m.idoftype[k];
        for (std::size_t e = 0; e + 1 < m.IE.size(); ++e)
            for (integer a = 1; a <= nn; ++a)
                for (integer d = 1; d <= NDof; ++d) {
                    const integer k = (m.JE[m.IE[e] - 1 + a - 1] - 1) * NDof + d - 1;
                    const integer l = (a - 1) * NDof + d;
                    if (m.idoftype[k] < 0) kinds[k] = -d;
                    else if (m.c(l, l) != 0) kinds[k] = d;
                }
        ASSERT_EQ(b.kinds, kinds);

        // numbering: node-major over the non-zero kinds, inverse tables consistent
        integer eq = 0;
        for (integer k = 0; k < NTot; ++k) {
            if (kinds[k] == 0) {
                EXPECT_EQ(b.iDofEq[k], 0);
                continue;
            }
            ++eq;
            EXPECT_EQ(b.iDofEq[k], eq);
            EXPECT_EQ(b.iEQNode[eq - 1], k / NDof + 1);
            EXPECT_EQ(b.iEqDof[eq - 1], k % NDof + 1);
        }
        ASSERT_EQ(b.iRowT, eq);

        // pattern: dense construction, then compare with the sorted rows of IA/JA
        std::set<std::pair<integer, integer>> dense;
        std::vector<integer> owned(b.iRowT, 0);
        for (std::size_t e = 0; e + 1 < m.IE.size(); ++e)
            for (integer a = 1; a <= nn; ++a)
                for (integer d = 1; d <= NDof; ++d) {
                    const integer p = (m.JE[m.IE[e] - 1 + a - 1] - 1) * NDof + d - 1;
                    const integer l = (a - 1) * NDof + d;
                    if (m.lib[1] != 0 && m.c(l, l) < 0 && b.iDofEq[p] != 0) owned[b.iDofEq[p] - 1] = 1;
                    for (integer bb = 1; bb <= nn; ++bb)
                        for (integer d2 = 1; d2 <= NDof; ++d2) {
                            const integer q = (m.JE[m.IE[e] - 1 + bb - 1] - 1) * NDof + d2 - 1;
                            if (kinds[p] <= 0 || kinds[q] <= 0 || m.c(l, (bb - 1) * NDof + d2) == 0) continue;
                            const integer i = b.iDofEq[p], j = b.iDofEq[q];
                            if (i < j) dense.insert({i, j});
                        }
                }
        EXPECT_EQ(b.IAdd, owned);
        std::set<std::pair<integer, integer>> got;
        bigint sky = 0;
        std::vector<integer> first_row(b.iRowT + 1, 0);
        for (integer i = 1; i <= b.iRowT; ++i)
            for (integer k = b.IA[i - 1]; k < b.IA[i]; ++k) {
                const integer j = b.JA[k - 1];
                EXPECT_TRUE(got.insert({i, j}).second) << "repeated column";
                if (first_row[j] == 0) first_row[j] = i;
            }
        for (integer j = 1; j <= b.iRowT; ++j)
            if (first_row[j] != 0) sky += j - first_row[j];
        EXPECT_EQ(got, dense) << "trial " << trial;
        EXPECT_EQ(b.NnzU, static_cast<integer>(dense.size()));
        EXPECT_EQ(b.sky, sky);
        EXPECT_EQ(b.IA[0], 1);
    }
}

// Two segments 1-2 and 2-3 of one dof; node 4 untouched; node 5 prescribed and untouched.
TEST(EquationNumbering, UntouchedNodesAndPrescribedRows) {
    Mesh m{5, 1, 2, {1, 3, 5}, {1, 2, 2, 3}, {1, 1}, {1, 0, 0, 1, 0}, {1, 1, 1, 1}, {1, -1, 1, 1, -3}};
    const Built b = build(m);
    EXPECT_EQ(b.kinds, (std::vector<integer>{1, -1, 1, 0, -3}));
    EXPECT_EQ(b.iRowT, 4);
    EXPECT_EQ(b.iDofEq, (std::vector<integer>{1, 2, 3, 0, 4}));
    // the prescribed node 2 separates 1 and 3: no off-diagonal entry at all
    EXPECT_EQ(b.NnzU, 0);
    EXPECT_EQ(b.IA, (std::vector<integer>{1, 1, 1, 1, 1}));
    EXPECT_EQ(b.sky, 0);
}

// An element listing a node twice gives the node's rows the couplings of both its positions.
TEST(EquationNumbering, RepeatedNodeTakesBothPositions) {
    // element (1, 2, 1, 3): local 1 couples with local 2, local 3 (node 1 again) with local 4
    Mesh m{3, 1, 4, {1, 5}, {1, 2, 1, 3}, {1}, {1, 0, 0, 1, 0},
           {1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1}, {1, 1, 1}};
    const Built b = build(m);
    EXPECT_EQ(b.NnzU, 2);
    EXPECT_EQ(b.JA, (std::vector<integer>{2, 3}));
}

}  // namespace
}  // namespace vetrix
