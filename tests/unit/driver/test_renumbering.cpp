// Tests of cathill (hand-traced orderings with their printed lines, start nodes) and permutar.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "common/array_helpers.hpp"
#include "common/screen.hpp"
#include "driver/renumbering.hpp"

using namespace vetrix;

namespace {

using Ints = std::vector<integer>;
using Lines = std::vector<std::string>;

struct Mesh {  // incidence and node-to-element lists
    integer NodT = 0, NelT = 0;
    Ints IE{1}, JE, node_el_ptr, node_el;
};

Mesh make_mesh(integer NodT, const std::vector<Ints>& elements) {
    Mesh m;
    m.NodT = NodT;
    m.NelT = static_cast<integer>(elements.size());
    for (const Ints& el : elements) {
        m.JE.insert(m.JE.end(), el.begin(), el.end());
        m.IE.push_back(static_cast<integer>(m.JE.size()) + 1);
    }
    m.node_el_ptr.assign(NodT + 1, 0);
    m.node_el.assign(m.JE.size(), 0);
    trascomp(m.IE, m.JE, m.node_el_ptr, m.node_el, NodT, m.NelT);
    return m;
}

const Mesh bad_path = make_mesh(5, {{1, 3}, {3, 5}, {5, 2}, {2, 4}});  // the path 1-3-5-2-4
const Mesh quad_grid =  // 3 x 3 nodes numbered by rows, four quadrilaterals
    make_mesh(9, {{1, 2, 5, 4}, {2, 3, 6, 5}, {4, 5, 8, 7}, {5, 6, 9, 8}});

// Runs cathill, returns Nodos and the screen lines, and checks what holds for every mesh: Nodos
// is a permutation, NOlds its inverse, JE renumbered through Nodos, the node-to-element lists
// those of the new JE.
std::pair<Ints, Lines> renumber(const Mesh& m, integer k) {
    Mesh r = m;
    Ints NOlds(m.NodT, -1), Nodos(m.NodT, -1);
    std::string text;
    screen().capture(&text);
    cathill(r.IE, r.JE, r.node_el_ptr, r.node_el, NOlds, Nodos, m.NelT, m.NodT, k);
    screen().capture(nullptr);

    Ints sorted = Nodos;
    std::sort(sorted.begin(), sorted.end());
    for (integer i = 1; i <= m.NodT; ++i) {
        EXPECT_EQ(sorted[i - 1], i) << "not a permutation";
        EXPECT_EQ(NOlds[Nodos[i - 1] - 1], i) << "NOlds is not the inverse";
    }
    for (std::size_t p = 0; p < m.JE.size(); ++p) EXPECT_EQ(r.JE[p], Nodos[m.JE[p] - 1]);
    Ints ptr(m.NodT + 1), list(m.JE.size());
    trascomp(r.IE, r.JE, ptr, list, m.NodT, m.NelT);
    EXPECT_TRUE(ptr == r.node_el_ptr && list == r.node_el) << "node-to-element lists";

    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return {Nodos, lines};
}

// Orderings traced by hand: the final numbering and the printed bandwidths of the input and
// of every trial.
TEST(Cathill, HandTracedOrderings) {
    const struct {
        const char* name;
        Mesh mesh;
        integer k, initial;  // requested starts, bandwidth of the input numbering
        Ints Nodos, bands;   // bands of trials 1, 2, ...
    } cases[] = {
        // clang-format off
        {"path, one start: straightened, then kept", bad_path, 1, 3, {1, 4, 2, 5, 3}, {1, 1}},
        // from 5 the path gets bandwidth 2; the last trial repeats node 1 (then numbered 5)
        {"path, starts 1 and 5", bad_path, 2, 3, {1, 4, 2, 5, 3}, {1, 2, 1}},
        // both ends straighten the path; on a tie the first trial stays the best
        {"tie between trials", make_mesh(5, {{1, 3}, {3, 5}, {4, 2}, {5, 2}}), 2, 3,
         {1, 4, 2, 5, 3}, {1, 1, 1}},
        // nothing beats the row order (4): the ordering from candidate 1 is applied anyway
        {"no trial better", quad_grid, 1, 4, {1, 3, 7, 2, 4, 8, 5, 6, 9}, {5, 5}},
        // parts {4,2,6}, {5,1,7} and the isolated 3: the start's part, then the rest in order
        {"two parts, a start in each", make_mesh(7, {{4, 2}, {2, 6}, {5, 1}, {1, 7}}), 2, 6,
         {2, 5, 7, 4, 1, 6, 3}, {3, 1, 1}},
        {"two parts, both starts in one", make_mesh(7, {{4, 2}, {2, 6}, {6, 2}, {5, 1}}), 2, 4,
         {4, 2, 5, 1, 6, 3, 7}, {2, 2, 2}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto [Nodos, lines] = renumber(c.mesh, c.k);
        EXPECT_EQ(Nodos, c.Nodos);
        char buf[64];
        std::snprintf(buf, sizeof buf, " Initial BandWidth %12d", c.initial);
        Lines expected(3, buf);
        expected.emplace_back(" Selection of nodes for RENUMBERING");  // then the start nodes
        for (std::size_t t = 0; t < c.bands.size(); ++t) {
            std::snprintf(buf, sizeof buf, " BandWidth %11zu %11d", t + 1, c.bands[t]);
            expected.insert(expected.end(), {"", buf});
        }
        expected.emplace_back(" Renum End");
        ASSERT_GT(lines.size(), 10u);
        lines.erase(lines.begin() + 9);
        EXPECT_EQ(Lines(lines.begin() + 5, lines.end()), expected);
    }
}

// Start node t: first node of the first element from (t-1)*(NelT/k)+1 on whose first node has
// neighbours; past the end, from the drawn element lround(NelT*0.8147...), then from element 1.
TEST(Cathill, CandidateStartNodes) {
    std::vector<Ints> chain;  // (i, i+1) for i = 1..20, then points 22..25: drawn element 20
    for (integer i = 1; i <= 20; ++i) chain.push_back({i, i + 1});
    for (integer i = 22; i <= 25; ++i) chain.push_back({i});
    const struct {
        Mesh mesh;
        integer k;
        const char* line;
    } cases[] = {
        {make_mesh(5, {{3}, {2, 2}, {4, 5}, {1, 5}}), 2, "           4           4"},
        {make_mesh(25, chain), 6,
         "           1           5           9          13          17          20"},
        {make_mesh(8, {{3}, {1, 2}, {4}, {5}, {6}, {7}, {8}, {8}}), 2, "           1           1"},
    };
    for (const auto& c : cases) EXPECT_EQ(renumber(c.mesh, c.k).second.at(9), c.line);
}

// Without two nodes sharing an element the start-node search used to run without end; the input
// numbering is kept and said so. No request at all: identity, nothing printed.
TEST(Cathill, NoLinkedNodeKeepsInputNumbering) {
    const auto [Nodos, lines] = renumber(make_mesh(4, {{2}, {1, 1}, {4}, {3}}), 1);
    EXPECT_EQ(Nodos, (Ints{1, 2, 3, 4}));
    EXPECT_EQ(lines,
              (Lines{" ALLOCATING NCON_Renum()", " ALLOCATING IA_Renum(NodT+1)",
                     " ALLOCATING New_Renum(NodT)", " ALLOCATING JA_Renum(           0 )", "",
                     " Initial BandWidth            0", " Initial BandWidth            0",
                     " Initial BandWidth            0",
                     " No node shares an element with another node: RENUMBERING skipped, input "
                     "numbering kept",
                     " Renum End"}));
    EXPECT_EQ(renumber(bad_path, 0), std::make_pair(Ints{1, 2, 3, 4, 5}, Lines{}));
}

TEST(Permutar, MovesEveryNodalArrayConsistently) {
    // NodT = 3, NDof = 2, NDim = 2, two substeps, three levels; node 1 -> 3, 2 -> 1, 3 -> 2.
    // Entry (section s, node i, slot d) holds 100 s + 10 i + d before the move.
    std::vector<real> X{11, 12, 21, 22, 31, 32}, dirich, sol0;
    Ints idoftype;
    for (integer s = 1; s <= 3; ++s)
        for (integer i = 1; i <= 3; ++i)
            for (integer d = 1; d <= 2; ++d) {
                if (s <= 2) idoftype.push_back(100 * s + 10 * i + d);
                if (s <= 2) dirich.push_back(-(100.0 * s + 10 * i + d));
                sol0.push_back(100.5 * s + 10 * i + d);
            }
    permutar(X, idoftype, dirich, sol0, Ints{3, 1, 2}, 3, 2, 2, 3, 2);

    EXPECT_EQ(X, (std::vector<real>{21, 22, 31, 32, 11, 12}));
    const Ints moved{121, 122, 131, 132, 111, 112, 221, 222, 231, 232, 211, 212};
    EXPECT_EQ(idoftype, moved);
    for (std::size_t p = 0; p < moved.size(); ++p) EXPECT_EQ(dirich[p], -moved[p]);
    for (std::size_t p = 0; p < sol0.size(); ++p)  // the same move in each of the three levels
        EXPECT_EQ(sol0[p], 100.5 * (p / 6 + 1) + moved[p % 6] - 100) << p;
}

}  // namespace
