// iearrange and trascomp: counts to pointers, pattern transposes and the double-transpose sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "common/array_helpers.hpp"

namespace vetrix {
namespace {

struct ArrangeCase {
    std::vector<integer> counts;
    std::vector<integer> pointers;
    integer total;
};

TEST(Iearrange, CountsBecomePointers) {
    const ArrangeCase cases[] = {
        {{3, 3, 4}, {1, 4, 7, 11}, 10},  // two triangles and a quadrilateral
        {{0, 2, 0}, {1, 1, 3, 3}, 2},    // empty groups share the next pointer
        {{5}, {1, 6}, 5},
        {{}, {1}, 0},                    // no groups
    };
    for (const auto& c : cases) {
        std::vector<integer> a = c.counts;
        a.push_back(-99);  // the last entry is never read
        const integer n = static_cast<integer>(c.counts.size());
        EXPECT_EQ(iearrange(F1<integer>(a), n), c.total);
        EXPECT_EQ(a, c.pointers);
    }
}

// Node-to-element lists of a small mesh: three elements over five nodes.
TEST(Trascomp, NodeToElementLists) {
    std::vector<integer> IE = {1, 4, 7, 9};
    std::vector<integer> JE = {1, 2, 3, 3, 2, 4, 5, 3};
    std::vector<integer> IAT(6), JAT(8);
    trascomp(F1<const integer>(IE), F1<const integer>(JE), F1<integer>(IAT), F1<integer>(JAT), 5, 3);
    EXPECT_EQ(IAT, (std::vector<integer>{1, 2, 4, 7, 8, 9}));
    EXPECT_EQ(JAT, (std::vector<integer>{1, 1, 2, 1, 2, 3, 2, 3}));
}

TEST(Trascomp, TwoTransposesSortEveryRow) {
    std::mt19937 rng(7);
    const integer n = 40;
    std::vector<integer> IA(1, 1), JA;
    for (integer i = 1; i <= n; ++i) {
        std::vector<integer> cols;
        for (integer j = 1; j <= n; ++j)
            if (rng() % 5 == 0) cols.push_back(j);
        std::shuffle(cols.begin(), cols.end(), rng);
        JA.insert(JA.end(), cols.begin(), cols.end());
        IA.push_back(static_cast<integer>(JA.size()) + 1);
    }
    std::vector<integer> IAT(n + 1), JAT(JA.size()), IA2(n + 1), JA2(JA.size());
    trascomp(F1<const integer>(IA), F1<const integer>(JA), F1<integer>(IAT), F1<integer>(JAT), n, n);
    trascomp(F1<const integer>(IAT), F1<const integer>(JAT), F1<integer>(IA2), F1<integer>(JA2), n, n);
    EXPECT_EQ(IA2, IA);
    for (integer i = 0; i < n; ++i) {
        std::vector<integer> want(JA.begin() + IA[i] - 1, JA.begin() + IA[i + 1] - 1);
        std::sort(want.begin(), want.end());
        std::vector<integer> got(JA2.begin() + IA2[i] - 1, JA2.begin() + IA2[i + 1] - 1);
        EXPECT_EQ(got, want) << "row " << i + 1;
    }
}

TEST(ArrayHelpers, GatherScatterAndPrescribedRows) {
    // nodal vector with two dofs per node; equations (node, dof) = (2,1), (1,2), (3,2)
    std::vector<integer> inode = {2, 1, 3}, idof = {1, 2, 2};
    std::vector<real> w = {10, 11, 20, 21, 30, 31}, v(3);
    compressvect(F1<const integer>(inode), F1<const integer>(idof), F1<real>(v), F1<const real>(w), 3, 2);
    EXPECT_EQ(v, (std::vector<real>{20, 11, 31}));
    v = {-1, -2, -3};
    spanvect(F1<const integer>(inode), F1<const integer>(idof), F1<const real>(v), F1<real>(w), 3, 2);
    EXPECT_EQ(w, (std::vector<real>{10, -2, -1, 21, 30, -3}));

    std::vector<real> ad = {5, 5, 5}, b = {7, 7, 7}, values = {2.5, 9, 9};
    std::vector<integer> kind = {-3, 1, 0}, ieq = {3, 1, 2};
    dirasig(F1<real>(ad), F1<real>(b), F1<const real>(values), F1<const integer>(kind),
            F1<const integer>(ieq), 3);
    EXPECT_EQ(ad, (std::vector<real>{5, 5, 1.0}));
    EXPECT_EQ(b, (std::vector<real>{0.0, 7, 2.5}));
}

}  // namespace
}  // namespace vetrix
