// Test harness: a substep's element data (incidence, types, coupling store), its equation
// structure built by assembdoftype1, preensimgen and ensimgen, and random substeps.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "assembly/equation_numbering.hpp"
#include "common/array_helpers.hpp"

namespace vetrix::test {

struct Substep {
    integer NodT = 0, NDof = 1, MaxNodEl = 0, NTypes = 1;
    std::vector<integer> IE{1}, JE, type, lib, C, idoftype;  // lib: NTypes x 5, column by column
    integer M() const { return NDof * MaxNodEl; }
    integer c(integer slot, integer l, integer m) const {
        return C[(slot - 1) * M() * M() + (m - 1) * M() + l - 1];
    }
    void add_element(const std::vector<integer>& nodes, integer t) {
        JE.insert(JE.end(), nodes.begin(), nodes.end());
        IE.push_back(static_cast<integer>(JE.size()) + 1);
        type.push_back(t);
        MaxNodEl = std::max(MaxNodEl, static_cast<integer>(nodes.size()));
    }
};

struct Structure {
    integer iRowT = 0, NnzU = 0;
    bigint sky = 0;
    std::vector<integer> kinds, iDofEq, iEQNode, iEqDof, IAdd, IA, JA, IP;
};

// The work arrays arrive holding stale values that must not matter.
inline Structure structure(const Substep& k) {
    Structure s;
    const integer NelT = static_cast<integer>(k.type.size());
    std::vector<integer> ptr(k.NodT + 1), list(k.JE.size());
    trascomp(k.IE, k.JE, ptr, list, k.NodT, NelT);
    s.kinds = k.idoftype;
    s.iRowT = assembdoftype1(k.IE, k.JE, s.kinds, k.type, k.lib, k.C, k.NodT, NelT, k.NDof, k.M(),
                             k.NTypes);
    const StructureInput in{k.IE, k.JE,   ptr,  list,   k.type, k.lib,
                            k.C,  k.NodT, NelT, k.NDof, k.M(),  k.NTypes};
    s.iDofEq.assign(k.NodT * k.NDof, -7), s.iEQNode.assign(s.iRowT, 0), s.iEqDof = s.iEQNode;
    s.IAdd.assign(s.iRowT, 9), s.IA.assign(s.iRowT + 1, 0), s.IP.assign(s.iRowT + 1, 5);
    s.NnzU = preensimgen(in, s.IA, s.IP, s.kinds, s.IAdd, s.iEQNode, s.iEqDof, s.iDofEq);
    s.JA.assign(s.NnzU, 0);
    EXPECT_EQ(ensimgen(in, s.IA, s.JA, s.IP, s.kinds, s.iDofEq, s.iRowT, s.sky), s.NnzU);
    return s;
}

// Random symmetric coupling slots (slot 1 may own diagonals, -1) and elements of distinct nodes
// with nn_min ... MaxNodEl nodes and types 1 ... NTypes.
inline void randomise(Substep& k, std::mt19937& rng, integer slots, integer NelT, integer nn_min) {
    const integer M = k.M();
    k.C.assign(slots * M * M, 0);
    for (integer slot = 1; slot <= slots; ++slot)
        for (integer l = 1; l <= M; ++l)
            for (integer m = l; m <= M; ++m) {
                integer v = rng() % 3 == 0 ? 0 : 1;
                if (l == m && slot == 1 && k.lib[k.NTypes] != 0 && rng() % 2 == 0) v = -1;
                k.C[(slot - 1) * M * M + (m - 1) * M + l - 1] = v;
                k.C[(slot - 1) * M * M + (l - 1) * M + m - 1] = v;
            }
    for (integer e = 0; e < NelT; ++e) {
        std::vector<integer> nodes(k.NodT);
        for (integer i = 0; i < k.NodT; ++i) nodes[i] = i + 1;
        std::shuffle(nodes.begin(), nodes.end(), rng);
        nodes.resize(nn_min + rng() % (k.MaxNodEl - nn_min + 1));
        if (nodes.size() > 1 && rng() % 3 == 0) nodes.back() = nodes[rng() % (nodes.size() - 1)];
        k.add_element(nodes, 1 + rng() % k.NTypes);
    }
}

}  // namespace vetrix::test
