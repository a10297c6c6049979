// Sparse direct substeps over a whole run: type -2 factors once, type -3 analyses once and
// refactors at every solve; the factor's size line comes once per substep.
#include <gtest/gtest.h>

#include <string>

#include "driver/generico.hpp"
#include "input/startup.hpp"
#include "support/deck_run.hpp"

namespace vetrix {
namespace {

// Seven time steps; substep 1 is type -2 with sym = T, substep 2 type -3 with sym = F.
TEST(SparseReuse, FactorKeptOrRefactoredOnOneAnalysis) {
    testing::DeckRun run("unit/driver/decks/sparse_substeps");
    RunInput in = read_run_input();
    DriverState w;
    generico(in, w);
    struct Want {
        integer analyses, factorisations;
    };
    const Want want[] = {{1, 1}, {1, 7}};
    for (integer s = 1; s <= 2; ++s) {
        SCOPED_TRACE(s);
        ASSERT_TRUE(w.sparse[s - 1]);
        EXPECT_EQ(w.sparse[s - 1]->analyses(), want[s - 1].analyses);
        EXPECT_EQ(w.sparse[s - 1]->factorisations(), want[s - 1].factorisations);
        const std::string line = " SPARSE FACTOR OF SUBSTEP           " + std::to_string(s) + " ";
        const std::size_t at = run.text.find(line);
        EXPECT_NE(at, std::string::npos);
        EXPECT_EQ(run.text.find(line, at + 1), std::string::npos);
    }
}

}  // namespace
}  // namespace vetrix
