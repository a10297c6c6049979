// Files of the run itself: a log file name that leads to one of them is refused before anything
// is opened, and the rewritten Param.txt reads back whatever the width of its integers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/stops.hpp"
#include "input/control_file.hpp"
#include "input/param_file.hpp"
#include "support/deck_run.hpp"

namespace vetrix {
namespace {

namespace fs = std::filesystem;
using testing::DeckRun;

std::string slurp(const char* path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

TEST(LogFile, NameOfOneOfTheRunsFilesIsRefused) {
    struct Case {
        std::string line;  // the line after "*LogFile"
        const char* own;   // the run's file it leads to
    };
    const Case cases[] = {
        {"Mesh.txt", "Mesh.txt"},
        {"\t Basparam.txt\t", "Basparam.txt"},  // tabs are blanks around the name
        {"./IniFile.txt", "IniFile.txt"},
        {"sub/../Param.txt", "Param.txt"},
        {"to_mesh", "Mesh.txt"},               // symbolic link
        {"hard_ini", "IniFile.txt"},           // hard link
        {"DataOut.txt", "DataOut.txt"},        // not written yet
        {"sub/../ElapsedTime.txt", "ElapsedTime.txt"},
        {"to_results", "DataOut.txt"},         // link to a file not written yet
    };
    DeckRun run("decks/read_minimal");
    fs::create_directory("sub");
    fs::create_symlink("Mesh.txt", "to_mesh");
    fs::create_hard_link("IniFile.txt", "hard_ini");
    fs::create_symlink("DataOut.txt", "to_results");
    const std::string mesh = slurp("Mesh.txt"), ini = slurp("IniFile.txt");
    for (const Case& c : cases) {
        DeckFile control = DeckFile::from_text("Basparam.txt", "*LogFile\n" + c.line + "\n");
        try {
            redirect_screen(control);
            ADD_FAILURE() << "accepted " << c.line;
        } catch (const RuntimeFailure& e) {
            EXPECT_NE(std::string(e.what()).find(std::string("is the run's own file ") + c.own),
                      std::string::npos)
                << e.what();
        }
    }
    EXPECT_EQ(slurp("Mesh.txt"), mesh);
    EXPECT_EQ(slurp("IniFile.txt"), ini);
    EXPECT_FALSE(fs::exists("DataOut.txt"));
    EXPECT_FALSE(fs::exists("ElapsedTime.txt"));
    EXPECT_EQ(run.text, "");
}

// Integers too wide for 8 columns with a blank get a field of their own after a blank; those
// that fit keep the 8 columns; the next run reads the values back.
TEST(Writepar, WideIntegersStaySeparatedAndReadBack) {
    const std::vector<integer> ie_jparam = {1, 12, 14};
    const std::vector<integer> wide = {7,  -89999999, 12,       123456789, 2147483647,
                                       -2147483647 - 1, 9999999, -999999, 10000000,
                                       -1000000, 5, 0, 42};
    std::vector<integer> jparam = wide;
    jparam.insert(jparam.end(), wide.begin(), wide.end());
    const std::vector<integer> ie__param = {1, 2, 3};
    const std::vector<real> param = {1.5, -2.0e200, 1.5, -2.0e200};
    DeckRun run("decks/read_minimal");
    writepar(2, F1<const integer>(ie__param), F1<const integer>(ie_jparam), F1<const real>(param),
             F1<const integer>(jparam), 1);
    const std::string text = slurp("Param.txt");
    EXPECT_NE(text.find("*Integer Parameters\n      11       2\n"
                        "       7 -89999999      12 123456789 2147483647 -2147483648 9999999"
                        " -999999 10000000 -1000000\n       5       0      42\n"),
              std::string::npos)
        << text;
    RunInput in;
    DeckFile params("Param.txt");
    read_parameters(params, in);
    EXPECT_EQ(in.ie_jparam, ie_jparam);
    EXPECT_EQ(std::vector<integer>(in.jparam.begin(), in.jparam.begin() + 13), wide);
    EXPECT_EQ(in.param[1], -2.0e200);
}

}  // namespace
}  // namespace vetrix
