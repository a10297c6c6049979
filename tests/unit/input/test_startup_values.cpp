// read_run_input on small decks: the values handed to the driver, field by field.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/startup.hpp"
#include "support/deck_run.hpp"

namespace vetrix {
namespace {

using testing::DeckRun;

std::string name_of(const std::vector<integer>& codes, int i) {
    std::string s;
    for (int j = 0; j < 16; ++j) s.push_back(static_cast<char>(codes[16 * i + j]));
    return s;
}

TEST(Startup, SolverValuesAndLibraryTablesOfTwoSubsteps) {
    DeckRun run("decks/solver_values");
    RunInput in = read_run_input();
    ASSERT_EQ(in.NSubSteps, 2);
    EXPECT_EQ(in.isolvertype, (std::vector<integer>{107, 4}));
    EXPECT_EQ(in.itmaxsol, (std::vector<integer>{200, 100}));
    EXPECT_EQ(in.eps, (std::vector<real>{1.0e-8, 1.0e-6}));
    EXPECT_EQ(in.krylov, (std::vector<integer>{30, 20}));
    EXPECT_EQ(in.lfil, (std::vector<integer>{10, 0}));  // not read for solver 4
    EXPECT_EQ(in.tolpre, (std::vector<real>{1e-3, 0.0}));
    EXPECT_EQ(in.sym, (std::vector<logical>{1, 1}));
    EXPECT_EQ(in.iterative, (std::vector<logical>{0, 0}));
    EXPECT_EQ(in.maxiter, (std::vector<integer>{1, 3}));
    EXPECT_EQ(in.srp, (std::vector<real>{1.0, 0.5}));
    // library of substep 2, column by column: codes, ownership, 3rd, slots, 5th
    const std::vector<integer> lib2(in.ielementlib.begin() + 15, in.ielementlib.end());
    EXPECT_EQ(lib2, (std::vector<integer>{1, 11, 12, 0, 0, 0, 0, 0, 0, 1, 0, -3, 0, 0, 0}));
    // common parameters of substep 2: the slash keeps the fifth value of type 2 unchanged
    const std::vector<real> cp2(in.commonpar.begin() + 15, in.commonpar.end());
    EXPECT_EQ(cp2, (std::vector<real>{1, 1, 1, 0, 0, 0, 0, 0, 0.5, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(in.rnorm, (std::vector<real>{1.0, 2.0}));
    EXPECT_EQ(in.tol, (std::vector<real>{1.0e-6, 1.0e-5}));
    EXPECT_EQ(name_of(in.idofnames, 0), "TEMPERATURE     ");
    EXPECT_EQ(name_of(in.idofnames, 1), "TEMP 2          ");
    EXPECT_EQ(name_of(in.idofnamesg, 0), "TEMPERATURE     ");
    // three slots of order 3, each given row by row and stored column by column
    ASSERT_EQ(in.NSlots, 3);
    ASSERT_EQ(in.icoupling.size(), 27u);
    EXPECT_EQ(std::vector<integer>(in.icoupling.begin() + 9, in.icoupling.begin() + 18),
              (std::vector<integer>{1, 1, 0, 1, 1, 0, 0, 0, 0}));
    // slot 3 ends with a slash after its first value: the rest keeps its zeros
    EXPECT_EQ(std::vector<integer>(in.icoupling.begin() + 18, in.icoupling.end()),
              (std::vector<integer>{1, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(in.idoftype, (std::vector<integer>{-1, 1, 1, -1, 1, 1, -1, 1}));
    EXPECT_EQ(in.dirich[6], 2.5);
}

TEST(Startup, MeshArraysOfKnownAndGenericGroups) {
    DeckRun run("decks/generic_groups");
    RunInput in = read_run_input();
    EXPECT_EQ(in.NelT, 5);
    EXPECT_EQ(in.IE, (std::vector<integer>{1, 4, 7, 9, 12, 13}));
    EXPECT_EQ(in.JE, (std::vector<integer>{1, 2, 3, 1, 3, 4, 2, 3, 2, 3, 4, 3}));
    EXPECT_EQ(in.iElementType, (std::vector<integer>{1, 1, 2, 2, 3}));
    EXPECT_EQ(in.iElementMat, (std::vector<integer>{1, 1, 1, 1, 2}));
    EXPECT_EQ(in.MaxNodEl, 3);
    EXPECT_EQ(in.X, (std::vector<real>{0, 0, 1, 0, 1, 1, 0, 1}));
    EXPECT_EQ(in.ie__param, (std::vector<integer>{1, 1, 3}));
    EXPECT_EQ(in.param, (std::vector<real>{0.5, 1.0, 0.5, 1.0}));
    EXPECT_EQ(in.ie_jparam, (std::vector<integer>{1, 1, 1}));
    EXPECT_EQ(in.jparam, (std::vector<integer>{0}));
}

TEST(Startup, StartTimeFromTheRestartFile) {
    DeckRun run("decks/ini_time");
    RunInput in = read_run_input();
    EXPECT_EQ(in.Tini, 0.15);
    EXPECT_EQ(in.iInitialTime, 1);
}

}  // namespace
}  // namespace vetrix
