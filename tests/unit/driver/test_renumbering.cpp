// Tests of cathill (orderings, bandwidths, candidates, printed lines) and permutar.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/array_helpers.hpp"
#include "common/screen.hpp"
#include "driver/renumbering.hpp"

using namespace vetrix;

namespace {

using Ints = std::vector<integer>;

// A mesh as incidence (IE, JE) with its node-to-element lists.
struct Mesh {
    integer NodT = 0, NelT = 0;
    Ints IE, JE, node_el_ptr, node_el;
};

Mesh make_mesh(integer NodT, const std::vector<Ints>& elements) {
    Mesh m;
    m.NodT = NodT;
    m.NelT = static_cast<integer>(elements.size());
    m.IE.push_back(1);
    for (const Ints& el : elements) {
        m.JE.insert(m.JE.end(), el.begin(), el.end());
        m.IE.push_back(static_cast<integer>(m.JE.size()) + 1);
    }
    m.node_el_ptr.assign(NodT + 1, 0);
    m.node_el.assign(m.JE.size(), 0);
    trascomp(m.IE, m.JE, m.node_el_ptr, m.node_el, NodT, m.NelT);
    return m;
}

// 3 x 3 nodes numbered row by row, four quadrilaterals listed counter-clockwise.
Mesh quad_grid() {
    return make_mesh(9, {{1, 2, 5, 4}, {2, 3, 6, 5}, {4, 5, 8, 7}, {5, 6, 9, 8}});
}
// The path 1-3-5-2-4.
Mesh bad_path() { return make_mesh(5, {{1, 3}, {3, 5}, {5, 2}, {2, 4}}); }

struct Outcome {
    Ints Nodos, NOlds, JE, node_el_ptr, node_el;
    std::string text;
};

// Runs cathill and checks what must hold for every mesh: Nodos is a permutation, NOlds its
// inverse, JE renumbered through Nodos, the node-to-element lists those of the new JE.
Outcome renumber(const Mesh& m, integer k) {
    Outcome r{Ints(m.NodT, -1), Ints(m.NodT, -1), m.JE, m.node_el_ptr, m.node_el, {}};
    screen().capture(&r.text);
    cathill(m.IE, r.JE, r.node_el_ptr, r.node_el, r.NOlds, r.Nodos, m.NelT, m.NodT, k);
    screen().capture(nullptr);
    // An empty line may reach the capture as a lone blank; compare it as the empty line it is.
    for (std::size_t at; (at = r.text.find("\n \n")) != std::string::npos;) r.text.erase(at + 1, 1);

    Ints sorted = r.Nodos;
    std::sort(sorted.begin(), sorted.end());
    for (integer i = 1; i <= m.NodT; ++i) {
        EXPECT_EQ(sorted[i - 1], i) << "Nodos is not a permutation";
        EXPECT_EQ(r.NOlds[r.Nodos[i - 1] - 1], i) << "NOlds is not the inverse of Nodos";
    }
    for (std::size_t p = 0; p < m.JE.size(); ++p) EXPECT_EQ(r.JE[p], r.Nodos[m.JE[p] - 1]);
    Mesh renamed = m;
    renamed.JE = r.JE;
    trascomp(renamed.IE, renamed.JE, renamed.node_el_ptr, renamed.node_el, m.NodT, m.NelT);
    EXPECT_EQ(r.node_el_ptr, renamed.node_el_ptr);
    EXPECT_EQ(r.node_el, renamed.node_el);
    return r;
}

// The line that follows `head` in the captured text.
std::string line_after(const std::string& text, const std::string& head) {
    const auto at = text.find(head + "\n");
    if (at == std::string::npos) return "<no " + head + ">";
    const auto from = at + head.size() + 1;
    return text.substr(from, text.find('\n', from) - from);
}

}  // namespace

TEST(MeshBandwidth, KnownGraphs) {
    struct Case {
        const char* name;
        Mesh mesh;
        integer band;
    };
    const Case cases[] = {
        {"path 1-3-5-2-4", bad_path(), 3},
        {"path in order", make_mesh(4, {{1, 2}, {2, 3}, {3, 4}}), 1},
        {"3x3 quad grid by rows", quad_grid(), 4},
        // 3 x 3 nodes by rows, squares cut along the rising diagonal: width + 1
        {"3x3 triangle grid", make_mesh(9, {{1, 2, 5}, {1, 5, 4}, {2, 3, 6}, {2, 6, 5},
                                             {4, 5, 8}, {4, 8, 7}, {5, 6, 9}, {5, 9, 8}}), 4},
        {"point elements only", make_mesh(3, {{1}, {3}, {2, 2}}), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mesh_bandwidth(c.mesh.IE, c.mesh.JE, c.mesh.NelT), c.band) << c.name;
}

// Orderings traced by hand: the final numbering, its inverse and the bandwidth of every trial.
TEST(Cathill, HandTracedOrderings) {
    struct Case {
        const char* name;
        Mesh mesh;
        integer k;
        Ints Nodos, NOlds;
        std::vector<std::string> trial_lines;
    };
    const Case cases[] = {
        // The path straightened from node 1; the second trial keeps it.
        {"bad path, one candidate", bad_path(), 1, {1, 4, 2, 5, 3}, {1, 3, 5, 2, 4},
         {" BandWidth           1           1", " BandWidth           2           1"}},
        // Candidates 1 and 5; the trial from 5 is worse, the last trial repeats node 1 (now
        // numbered 5) and restores the straight path.
        {"bad path, two candidates", bad_path(), 2, {1, 4, 2, 5, 3}, {1, 3, 5, 2, 4},
         {" BandWidth           1           1", " BandWidth           2           2",
          " BandWidth           3           1"}},
        // Both ends of the path 1-3-5-2-4 straighten it (bandwidth 1); on a tie the first trial
        // stays the best, so the last trial runs from node 1 again.
        {"tie between trials", make_mesh(5, {{1, 3}, {3, 5}, {4, 2}, {5, 2}}), 2, {1, 4, 2, 5, 3},
         {1, 3, 5, 2, 4},
         {" BandWidth           1           1", " BandWidth           2           1",
          " BandWidth           3           1"}},
        // No trial beats the row order (4): the ordering from candidate 1 is applied anyway.
        {"quad grid, no trial better", quad_grid(), 1, {1, 3, 7, 2, 4, 8, 5, 6, 9},
         {1, 4, 2, 5, 7, 8, 3, 6, 9},
         {" BandWidth           1           5", " BandWidth           2           5"}},
        // Parts {4,2,6} and {5,1,7} and the isolated node 3: the part of the start node first,
        // then the unreached nodes 1, 3, 5, 7 in their old order.
        {"two parts and an isolated node",
         make_mesh(7, {{4, 2}, {2, 6}, {5, 1}, {1, 7}}), 1, {4, 2, 5, 1, 6, 3, 7},
         {4, 2, 6, 1, 3, 5, 7},
         {" BandWidth           1           3", " BandWidth           2           3"}},
        // Candidates 4 and 5, one in each part: the trial from 5 puts {5,1,7} first, then the
        // unreached 4, 2, 6, 3 in the order the first trial left them; it wins and is repeated.
        {"two parts, a start in each",
         make_mesh(7, {{4, 2}, {2, 6}, {5, 1}, {1, 7}}), 2, {2, 5, 7, 4, 1, 6, 3},
         {5, 1, 7, 4, 2, 6, 3},
         {" BandWidth           1           3", " BandWidth           2           1",
          " BandWidth           3           1"}},
        // Three trials from the part {4,2,6}: the unreached 1, 3, 5, 7 follow in increasing
        // order each time (3 and 7 belong to no element).
        {"two parts, both starts in one",
         make_mesh(7, {{4, 2}, {2, 6}, {6, 2}, {5, 1}}), 2, {4, 2, 5, 1, 6, 3, 7},
         {4, 2, 6, 1, 3, 5, 7},
         {" BandWidth           1           2", " BandWidth           2           2",
          " BandWidth           3           2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome r = renumber(c.mesh, c.k);
        EXPECT_EQ(r.Nodos, c.Nodos);
        EXPECT_EQ(r.NOlds, c.NOlds);
        std::vector<std::string> trial_lines;
        std::size_t at = 0;
        while ((at = r.text.find("\n BandWidth ", at)) != std::string::npos) {
            ++at;
            trial_lines.push_back(r.text.substr(at, r.text.find('\n', at) - at));
        }
        EXPECT_EQ(trial_lines, c.trial_lines);
        EXPECT_EQ(mesh_bandwidth(c.mesh.IE, r.JE, c.mesh.NelT),
                  std::stoi(c.trial_lines.back().substr(23)));
    }
}

TEST(Cathill, PrintedLines) {
    const Outcome r = renumber(bad_path(), 2);
    EXPECT_EQ(r.text,
              " ALLOCATING NCON_Renum()\n"
              " ALLOCATING IA_Renum(NodT+1)\n"
              " ALLOCATING New_Renum(NodT)\n"
              " ALLOCATING JA_Renum(           8 )\n"
              "\n"
              " Initial BandWidth            3\n"
              " Initial BandWidth            3\n"
              " Initial BandWidth            3\n"
              " Selection of nodes for RENUMBERING\n"
              "           1           5\n"
              "\n"
              " BandWidth           1           1\n"
              "\n"
              " BandWidth           2           2\n"
              "\n"
              " BandWidth           3           1\n"
              " Renum End\n");
}

// Start nodes: the first node of the first element from (t-1)*(NelT/k)+1 on whose first node has
// neighbours; past the last element, from the drawn element (lround(NelT*0.81472...)), then from
// element 1.
TEST(Cathill, CandidateStartNodes) {
    std::vector<Ints> chain;  // e_i = (i, i+1), i = 1..20, then point elements on 22..25
    for (integer i = 1; i <= 20; ++i) chain.push_back({i, i + 1});
    for (integer i = 22; i <= 25; ++i) chain.push_back({i});
    struct Case {
        const char* name;
        Mesh mesh;
        integer k;
        const char* line;
    };
    const Case cases[] = {
        {"one candidate from element 1", quad_grid(), 1, "           1"},
        {"a repeated node and a point are passed over",
         make_mesh(5, {{3}, {2, 2}, {4, 5}, {1, 5}}), 2, "           4           4"},
        // the last search passes element 24 and goes on from the drawn element 20
        {"drawn element", make_mesh(25, chain), 6,
         "           1           5           9          13          17          20"},
        // elements 5..8 and the drawn element 7 on have no linked first node: element 1 again
        {"search wraps to element 1",
         make_mesh(8, {{1, 2}, {3}, {4}, {5}, {6}, {7}, {8}, {8}}), 2, "           1           1"},
    };
    for (const Case& c : cases) {
        const Outcome r = renumber(c.mesh, c.k);
        EXPECT_EQ(line_after(r.text, " Selection of nodes for RENUMBERING"), c.line) << c.name;
    }
}

// Without any pair of nodes sharing an element the search for a start node used to run without
// end; now the input numbering is kept and the run goes on.
TEST(Cathill, NoLinkedNodeKeepsInputNumbering) {
    const Mesh m = make_mesh(4, {{2}, {1, 1}, {4}, {3}});
    const Outcome r = renumber(m, 1);
    EXPECT_EQ(r.Nodos, (Ints{1, 2, 3, 4}));
    EXPECT_EQ(r.JE, m.JE);
    EXPECT_EQ(r.text,
              " ALLOCATING NCON_Renum()\n"
              " ALLOCATING IA_Renum(NodT+1)\n"
              " ALLOCATING New_Renum(NodT)\n"
              " ALLOCATING JA_Renum(           0 )\n"
              "\n"
              " Initial BandWidth            0\n"
              " Initial BandWidth            0\n"
              " Initial BandWidth            0\n"
              " No node shares an element with another node: RENUMBERING skipped, input "
              "numbering kept\n"
              " Renum End\n");

    const Outcome none = renumber(bad_path(), 0);  // no request: identity, nothing printed
    EXPECT_EQ(none.Nodos, (Ints{1, 2, 3, 4, 5}));
    EXPECT_EQ(none.text, "");
}

// A shuffled 12 x 12 triangle grid comes back to a bandwidth of at most twice the grid width
// (the start nodes are first nodes of elements spread over the grid, mostly inner nodes).
TEST(Cathill, ShuffledGridIsNarrowed) {
    const integer n = 12;
    Ints label(n * n);
    for (integer i = 0; i < n * n; ++i) label[i] = (i * 37) % (n * n) + 1;  // 37 is prime to 144
    auto node = [&](integer r, integer c) { return label[r * n + c]; };
    std::vector<Ints> tri;
    for (integer r = 0; r + 1 < n; ++r)
        for (integer c = 0; c + 1 < n; ++c) {
            tri.push_back({node(r, c), node(r, c + 1), node(r + 1, c + 1)});
            tri.push_back({node(r, c), node(r + 1, c + 1), node(r + 1, c)});
        }
    const Mesh m = make_mesh(n * n, tri);
    EXPECT_GT(mesh_bandwidth(m.IE, m.JE, m.NelT), 100);
    const Outcome r = renumber(m, 5);
    EXPECT_LE(mesh_bandwidth(m.IE, r.JE, m.NelT), 2 * n);
}

TEST(Permutar, MovesEveryNodalArrayConsistently) {
    // NodT = 3, NDof = 2, NDim = 2, two substeps, three levels; node 1 -> 3, 2 -> 1, 3 -> 2.
    const integer NodT = 3, NDof = 2, NDim = 2, NSubSteps = 2, NTimeLevels = 3;
    const Ints Nodos{3, 1, 2};
    std::vector<real> X{11, 12, 21, 22, 31, 32};
    Ints idoftype;
    std::vector<real> dirich, sol0;
    for (integer s = 1; s <= NSubSteps; ++s)
        for (integer i = 1; i <= NodT; ++i)
            for (integer d = 1; d <= NDof; ++d) {
                idoftype.push_back(100 * s + 10 * i + d);
                dirich.push_back(-(100.0 * s + 10 * i + d));
            }
    for (integer l = 1; l <= NTimeLevels; ++l)
        for (integer i = 1; i <= NodT; ++i)
            for (integer d = 1; d <= NDof; ++d) sol0.push_back(0.5 + 100 * l + 10 * i + d);

    permutar(X, idoftype, dirich, sol0, Nodos, NodT, NDof, NDim, NTimeLevels, NSubSteps);

    EXPECT_EQ(X, (std::vector<real>{21, 22, 31, 32, 11, 12}));
    EXPECT_EQ(idoftype, (Ints{121, 122, 131, 132, 111, 112, 221, 222, 231, 232, 211, 212}));
    EXPECT_EQ(dirich, (std::vector<real>{-121, -122, -131, -132, -111, -112, -221, -222, -231,
                                         -232, -211, -212}));
    EXPECT_EQ(sol0, (std::vector<real>{121.5, 122.5, 131.5, 132.5, 111.5, 112.5, 221.5, 222.5,
                                       231.5, 232.5, 211.5, 212.5, 321.5, 322.5, 331.5, 332.5,
                                       311.5, 312.5}));
}
