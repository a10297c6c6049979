// Driver set-up: the memory report of a deck with every solver type, checked against sizes
// worked out by hand, and the section layout of the factor regions.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "driver/setup.hpp"
#include "input/startup.hpp"
#include "support/deck_run.hpp"

namespace vetrix {
namespace {

using testing::DeckRun;

// (label, count) of every "Allocating" line after start-up, in order.
std::vector<std::pair<std::string, long long>> allocations(const std::string& text) {
    std::vector<std::pair<std::string, long long>> out;
    std::istringstream lines(text);
    std::string line;
    bool driver = false;
    while (std::getline(lines, line)) {
        if (line.rfind(" Allocating Nodos", 0) == 0) driver = true;
        if (!driver || line.rfind(" Allocating ", 0) != 0) continue;
        std::istringstream words(line.substr(12));
        std::string label;
        long long count = 0;
        words >> label >> count;
        out.emplace_back(label, count);
    }
    return out;
}

// Three nodes on a line, two coupled segments, nineteen substeps: solver types -1, 0, 1 to 6 and
// 100 to 110; every substep has n = 3 equations and z = 2 upper entries, krylov 5, lfil 2;
// substeps 0 and 3 are not symmetric.
TEST(DriverSetup, MemoryReportOfEverySolverType) {
    DeckRun run("unit/driver/decks/all_solver_types");
    RunInput in = read_run_input();
    DriverState w;
    driver_setup(in, w);

    const std::vector<std::pair<std::string, long long>> want = {
        {"Nodos(NodT)", 3}, {"NOlds(NodT)", 3},
        {"iEQNode(iRowTL)", 57},  // 19 substeps x 3
        {"iEqDof", 57}, {"Unk1(iRowTM)", 3}, {"B_Load(iRowTM)", 3}, {"IP(iRowTM+1)", 4},
        {"IAdd(iRowTL)", 57},
        {"IA(iRowTL1)", 76},  // 19 x (3 + 1)
        {"JA", 38},           // 19 x 2
        {"AN", 4},            // 2 z for the non-symmetric substeps
        {"AD(iRowTM)", 3},
        {"IU", 72},           // n + 1 for all but type 1
        {"UD", 10},           // own region of type -1: n + 1; shared: 2n
        {"IUP", 4},
        {"WorkSpace", 583},   // types 4 to 6: (20 + 6) 3 + 5 20 + 400 + 5
        {"ACMat", 25},        // (n + 1) + 3 (2z + n)
        {"JUsk(L_SKyLineL)", 4},  // two direct substeps, profile 2 each
        {"JU", 199},          // 3 + 3 + 2 + 2 + 2 + 11 x (n + 1 + 2 f n + 1)
        {"UN", 20},           // own 3 (type -1), shared 17 (types 100 to 110)
    };
    EXPECT_EQ(allocations(run.text), want);
    EXPECT_NE(run.text.find(" DEALLOCATING JUsk           4\n MEMORY USED        8320    BYTES\n"),
              std::string::npos);
    EXPECT_NE(run.text.find(" TOTAL MEMORY ALLOCATED        8480  BYTES\n"
                            " TOTAL MEMORY ALLOCATED           8  KB\n"
                            " TOTAL MEMORY ALLOCATED           0  MB\n"),
              std::string::npos)
        << run.text;

    // section layout: the own region of type -1 comes first, all others share what follows
    EXPECT_EQ(w.ud_first[0], 1);
    EXPECT_EQ(w.ud_first[1], 5);
    EXPECT_EQ(w.ud_second[1], 8);  // not symmetric: second half n further on
    EXPECT_EQ(w.un_upper[0], 1);
    EXPECT_EQ(w.un_upper[1], 4);
    EXPECT_EQ(w.un_lower[1], 7);  // lower factor LJU = 3 further on
    EXPECT_EQ(w.iu_start[2], 9);  // type 1 has no IU section
    EXPECT_EQ(w.iu_start[3], 9);
    // types 2 and 5: an empty preconditioner pattern
    for (int k = 0; k < 4; ++k) EXPECT_EQ(w.IU[w.iu_start[3] - 1 + k], 1);
    // type 3: the strictly lower pattern of the full rows, rows 2 and 3 one entry each
    EXPECT_EQ(std::vector<integer>(w.IU.begin() + w.iu_start[4] - 1, w.IU.begin() + w.iu_start[4] + 3),
              (std::vector<integer>{1, 1, 2, 3}));
    EXPECT_EQ(std::vector<integer>(w.JU.begin() + w.ju_start[4] - 1, w.JU.begin() + w.ju_start[4] + 1),
              (std::vector<integer>{1, 2}));
}

}  // namespace
}  // namespace vetrix
