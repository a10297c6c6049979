// DataOut.txt and IniFile.txt: layouts character for character, output steps, input node order,
// the restart read back by the start-up reader, and the failures to open or write either file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "common/screen.hpp"
#include "common/stops.hpp"
#include "driver/result_files.hpp"
#include "input/initial_conditions.hpp"
#include "io/deck_file.hpp"
#include "io/timing.hpp"

namespace vetrix {
namespace {

namespace fs = std::filesystem;

// An empty scratch folder made current, with the screen captured.
struct Scratch {
    std::string text;
    fs::path dir, old = fs::current_path();
    Scratch() {
        static int n = 0;
        dir = fs::temp_directory_path() /
              ("vetrix_out_" + std::to_string(::getpid()) + "_" + std::to_string(n++));
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::current_path(dir);
        screen().capture(&text);
    }
    ~Scratch() {
        screen().capture(nullptr);
        fs::current_path(old);
        fs::remove_all(dir);
    }
};

std::string slurp(const char* path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

int count_of(const std::string& text, const std::string& piece) {
    int n = 0;
    for (auto p = text.find(piece); p != std::string::npos; p = text.find(piece, p + 1)) ++n;
    return n;
}

// A problem to write: sol0 in the solver numbering, Nodos(input node) = solver node.
struct Problem {
    integer NodT, NDof, NTimeLevels;
    std::vector<integer> Nodos, nodesout;  // nodesout empty: all nodes
    std::vector<real> sol0;
};

void write(const Problem& p, real T, real DT, integer istep, integer NOut, EscribirState& st) {
    const std::vector<integer> none;
    escribir(none, none, std::vector<real>{}, p.sol0, T, DT, istep, NOut, p.Nodos, none,
             static_cast<integer>(p.nodesout.size()), p.nodesout, p.NodT, p.NDof, 0, 2, none,
             p.NTimeLevels, st);
}

TEST(Escribir, LayoutsOfBothFiles) {
    const struct {
        const char* what;
        Problem p;
        real T, DT;
        integer istep;
        std::string ini, data;
    } cases[] = {
        // clang-format off
        {"one dof, two levels, signs",
         {3, 1, 2, {1, 2, 3}, {}, {1.2345678, -0.5, 0.0, 3, 4, 5}}, 0.5, 0.25, 0,
         "*Initial Conditions\n +0.12345678E+001\n -0.50000000E+000\n +0.00000000E+000\n"
         " +0.30000000E+001\n +0.40000000E+001\n +0.50000000E+001\n\n"
         "*Time   [ T , DT ]\n   0.5000000E+00    0.2500000E+00\n",
         "*Time\n       0  0.5000      0.2500    \n"
         " +0.12345678E+001\n -0.50000000E+000\n +0.00000000E+000\n"},
        {"two dofs, renumbered",
         {3, 2, 2, {2, 3, 1}, {}, {1, -1, 2, -2, 3, -3, 10, 0, 20, 0, 30, 0}}, 12.5, 1e-3, 10,
         "*Initial Conditions\n"
         " +0.20000000E+001 -0.20000000E+001\n +0.30000000E+001 -0.30000000E+001\n"
         " +0.10000000E+001 -0.10000000E+001\n +0.20000000E+002 +0.00000000E+000\n"
         " +0.30000000E+002 +0.00000000E+000\n +0.10000000E+002 +0.00000000E+000\n\n"
         "*Time   [ T , DT ]\n   0.1250000E+02    0.1000000E-02\n",
         "*Time\n      10   12.50      0.1000E-02\n"
         " +0.20000000E+001 -0.20000000E+001\n +0.30000000E+001 -0.30000000E+001\n"
         " +0.10000000E+001 -0.10000000E+001\n"},
        {"listed nodes 7 and 3, reversed numbering",
         {7, 1, 1, {7, 6, 5, 4, 3, 2, 1}, {7, 3}, {1, 2, 3, 4, 5, 6, 7}}, 0.5, 0.25, 0,
         "*Initial Conditions\n +0.70000000E+001\n +0.60000000E+001\n +0.50000000E+001\n"
         " +0.40000000E+001\n +0.30000000E+001\n +0.20000000E+001\n +0.10000000E+001\n\n"
         "*Time   [ T , DT ]\n   0.5000000E+00    0.2500000E+00\n",
         "*Time\n       0  0.5000      0.2500    \n +0.10000000E+001\n +0.50000000E+001\n"},
        // clang-format on
    };
    for (const auto& c : cases) {
        Scratch s;
        EscribirState st;
        write(c.p, c.T, c.DT, c.istep, 5, st);
        EXPECT_EQ(s.text, " Writing Output\n") << c.what;
        EXPECT_EQ(slurp("IniFile.txt"), c.ini) << c.what;
        EXPECT_EQ(slurp("DataOut.txt"), c.data) << c.what;
    }
}

// NOut = 5: records at steps 0, 5 and 10 only; a new run starts DataOut.txt afresh. A listed
// node outside the mesh stops the run before either file is written.
TEST(Escribir, OutputStepsFreshRunAndBadListedNode) {
    Scratch s;
    Problem p{1, 1, 1, {1}, {}, {0.0}};
    EscribirState st;
    for (integer istep = 0; istep <= 12; ++istep) {
        p.sol0[0] = -istep;
        write(p, 0.5 * istep, 0.5, istep, 5, st);
    }
    EXPECT_EQ(st.calls, 13);
    EXPECT_EQ(count_of(s.text, " Writing Output\n"), 3);
    EXPECT_EQ(slurp("DataOut.txt"),
              "*Time\n       0   0.000      0.5000    \n +0.00000000E+000\n"
              "*Time\n       5   2.500      0.5000    \n -0.50000000E+001\n"
              "*Time\n      10   5.000      0.5000    \n -0.10000000E+002\n");
    EXPECT_EQ(slurp("IniFile.txt"),
              "*Initial Conditions\n -0.10000000E+002\n\n"
              "*Time   [ T , DT ]\n   0.5000000E+01    0.5000000E+00\n");
    EscribirState next_run;
    p.sol0[0] = 1.0;
    write(p, 0.0, 0.5, 0, 5, next_run);
    EXPECT_EQ(slurp("DataOut.txt"), "*Time\n       0   0.000      0.5000    \n +0.10000000E+001\n");

    for (integer bad : {0, 3}) {
        Scratch t;
        EscribirState fresh;
        EXPECT_THROW(write({2, 1, 1, {1, 2}, {1, bad}, {1.0, 2.0}}, 0, 1, 0, 1, fresh),
                     OrderlyStop);
        EXPECT_FALSE(fs::exists("DataOut.txt") || fs::exists("IniFile.txt")) << bad;
    }
}

// The final restart read back by the start-up reader: same values to the written digits, in
// the input numbering, and the start time.
TEST(Escribir, RestartReadBackByTheStartUpReader) {
    Scratch s;
    const std::vector<integer> Nodos = {3, 1, 4, 2};
    std::vector<real> sol0(16);
    for (int k = 0; k < 16; ++k) sol0[k] = (k % 3 == 0 ? -1 : 1) * std::pow(7.3, k - 8) / 3.0;
    const real T = 1234.56789012, DT = 2.5e-7;
    write_restart_file(sol0, T, DT, Nodos, 4, 2, 2);
    EXPECT_EQ(s.text, " Writing IniFile.txt for restart \n");

    RunInput in;
    in.NodT = 4, in.NDof = 2, in.NTimeLevels = 2, in.iInitialTime = 1;
    DeckFile ini("IniFile.txt");
    read_initial_conditions(ini, in);
    auto rounded = [](real x, int digits) {  // x to the given number of significant digits
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.*e", digits - 1, x);
        return std::strtod(buf, nullptr);
    };
    ASSERT_EQ(in.sol0.size(), 16u);
    for (int k = 0; k < 16; ++k) {  // k = level * 8 + (input node - 1) * 2 + dof - 1
        const int node = k % 8 / 2 + 1;
        EXPECT_EQ(in.sol0[k], rounded(sol0[k / 8 * 8 + (Nodos[node - 1] - 1) * 2 + k % 2], 8));
    }
    EXPECT_EQ(in.Tini, rounded(T, 7));
}

// DataOut.txt made a folder: a bounded number of reported attempts, then an orderly stop;
// the restart file of the step was written before.
TEST(Escribir, DataOutThatCannotBeOpened) {
    const Problem p{2, 1, 1, {1, 2}, {}, {1.0, 2.0}};
    for (const auto& [first_record_ok, attempts, pause] :
         {std::tuple{false, 10, std::chrono::milliseconds(100)},
          std::tuple{true, 3, std::chrono::milliseconds(1)}}) {
        Scratch s;
        EscribirState st;
        st.open_attempts = attempts;
        st.retry_pause = pause;
        if (first_record_ok) {
            write(p, 0.0, 1.0, 0, 1, st);
            fs::remove("DataOut.txt");
        }
        fs::create_directory("DataOut.txt");
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_THROW(write(p, 1.0, 1.0, 1, 1, st), OrderlyStop);
        const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - t0;
        EXPECT_EQ(count_of(s.text, " Error opening Dataout.txt, retrying\n"), attempts);
        EXPECT_NE(s.text.find("DataOut.txt cannot be opened"), std::string::npos);
        EXPECT_GE(waited.count(), 0.9 * (attempts - 1) * pause.count() / 1000.0);
        EXPECT_LT(waited.count(), 5.0);
        EXPECT_EQ(slurp("IniFile.txt"),
                  "*Initial Conditions\n +0.10000000E+001\n +0.20000000E+001\n\n"
                  "*Time   [ T , DT ]\n   0.1000000E+01    0.1000000E+01\n");
    }
}

// IniFile.txt made a folder: the step's DataOut.txt record is still complete, then the run
// ends with a runtime failure; the final restart write fails the same way.
TEST(Escribir, IniFileThatCannotBeWritten) {
    const Problem p{2, 1, 1, {2, 1}, {}, {1.0, -2.0}};
    Scratch s;
    fs::create_directory("IniFile.txt");
    EscribirState st;
    EXPECT_THROW(write(p, 0.0, 1.0, 0, 1, st), RuntimeFailure);
    EXPECT_EQ(slurp("DataOut.txt"),
              "*Time\n       0   0.000       1.000    \n -0.20000000E+001\n +0.10000000E+001\n");
    EXPECT_NE(s.text.find("Error writing IniFile.txt"), std::string::npos);
    s.text.clear();
    EXPECT_THROW(write_restart_file(p.sol0, 1.0, 1.0, p.Nodos, 2, 1, 1), RuntimeFailure);
    EXPECT_EQ(s.text.rfind(" Writing IniFile.txt for restart \n", 0), 0u);
}

TEST(Timing, ElapsedLinesOnScreenAndAppendedToTheFile) {
    EXPECT_EQ(elapsed_seconds(10.0f, 12.5f), 2.5f);
    EXPECT_EQ(elapsed_seconds(86399.5f, 0.5f), 1.0f);  // past midnight
    EXPECT_EQ(elapsed_seconds(3.0f, 3.0f), 0.0f);
    Scratch s;
    reset_timers();
    timerout("first");  // starts the clock only
    timeroutstep("");
    EXPECT_EQ(s.text, "");
    timerout("System Matrix is assembled");
    timeroutstep("Time Step Finished");
    timerout("");
    EXPECT_TRUE(std::regex_match(s.text, std::regex(" System Matrix is assembled\n"
                                                    " Elapsed Time in Secs =.{12}\n"
                                                    " Time Step Finished\n"
                                                    " Step Total Elapsed Time in Secs =.{12}\n"
                                                    " \n Elapsed Time in Secs =.{12}\n")))
        << s.text;
    EXPECT_EQ(slurp("ElapsedTime.txt"), s.text);
    reset_timers();
}

}  // namespace
}  // namespace vetrix
