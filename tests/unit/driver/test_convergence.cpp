// Relaxation, the substep and outer convergence tests (tables compared character for character,
// the non-convergence stop with standard input closed) and the coordinate update.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "common/screen.hpp"
#include "common/stops.hpp"
#include "driver/convergence.hpp"

namespace vetrix {
namespace {

// Screen captured and standard input empty for the life of the object.
struct Console {
    std::string text;
    std::istringstream no_input;
    std::streambuf* old_cin = std::cin.rdbuf(no_input.rdbuf());
    Console() { screen().capture(&text); }
    ~Console() {
        screen().capture(nullptr);
        std::cin.rdbuf(old_cin);
        std::cin.clear();
    }
};

// Three nodes, two dofs. Dof 2 has a zero scale: a change gives an infinite error, no change
// a 0/0 that is ignored.
const std::vector<std::string> kNames = {"Temperature     ", "Pressure        "};
const std::vector<real> kOld = {1, 2, 3, 4, 5, 6};
const std::vector<real> kScale = {2.0, 0.0};
const std::vector<real> kTol = {0.125, 0.125};
const std::vector<real> kAtTol = {1, 2, 3.25, 4, 5, 6};    // dof 1: 0.25 / 2 = tol, passes
const std::vector<real> kFails = {1.5, 2, 4, 4, 5.5, 6};   // dof 1: 0.5 at nodes 2 and 3
const std::vector<real> kInfinite = {1, 2, 3, 4, 5, 6.5};  // dof 2 changes over scale 0

const std::string kBar = " %%%%%%%%%%%% CONVERGENCE SUBSTEP INFORMATION %%%%%%%%%%%\n";
const std::string kOuterBar = " %%%%%%%%% OUTER NONLINEAR CONVERGENCE INFORMATION %%%%%%%%%\n";
const std::string kHead = "\n" + kBar + "              << SubStep = 2 || ITER =  15 >>\n\n" +
                          "   DOF Name        ERROR Value      TOL Value       \n";
const std::string kOuterHead =
    "\n" + kOuterBar + "   DOF Name        ERROR Value      TOL Value    Node\n";

TEST(Subrelajar, RelaxesFreePositionsOnly) {
    const std::vector<integer> idoftype = {-1, 0, 2, -5};
    const std::vector<real> old_values = {2, 2, 2, 2};
    for (const auto& [w, want] :
         {std::pair{0.5, std::vector<real>{10, 6, 6, 10}}, {0.25, {10, 4, 4, 10}}}) {
        std::vector<real> fresh = {10, 10, 10, 10};
        subrelajar(F1<real>(fresh), F1<const real>(old_values), w, F1<const integer>(idoftype), 4);
        EXPECT_EQ(fresh, want) << w;
    }
}

struct TestCase {
    const char* what;
    logical iterative;
    integer istep, NPrint, count;
    const std::vector<real>* fresh;
    std::string want;
    logical want_converged;
    integer want_count;
};

TEST(Convers, TablesStatesAndCounts) {
    const TestCase cases[] = {
        {"report, converged", 1, 4, 2, 3, &kAtTol,
         "\n" + kBar + "              << SubStep = 2 || ITER =   3 >>\n\n" +
             "   DOF Name        ERROR Value      TOL Value       \n"
             " Temperature       0.125E+00        0.125E+00\n"
             " Pressure          0.000E+00        0.125E+00\n\n"
             " ---->CONVERGENCE ACHIEVED AT ITER =           3\n" +
             kBar + "\n",
         1, 0},
        {"quiet, converged", 1, 3, 2, 3, &kAtTol, "", 1, 0},
        {"quiet, failing at 14", 1, 3, 2, 14, &kFails, "", 0, 14},
        {"quiet, failing at 15", 1, 3, 2, 15, &kInfinite,
         kHead +
             " Temperature       0.000E+00        0.125E+00\n"
             " Pressure           Infinity        0.125E+00\n\n" +
             kBar + "\n",
         0, 15},
        {"quiet, converged at 15", 1, 3, 2, 15, &kOld,
         kHead + " Temperature       0.000E+00        0.125E+00\n"
                 " Pressure          0.000E+00        0.125E+00\n\n",
         1, 0},
        {"linear, report", 0, 0, 1, 1, &kFails,
         " %%%%%%%%%%%%%%% LINEAR SUBSTEP INFORMATION %%%%%%%%%%%%%\n"
         "                 << SubStep  2  finished >>\n"
         " %%%%%%%%%%%%%%% LINEAR SUBSTEP INFORMATION %%%%%%%%%%%%%\n\n",
         1, 1},
        {"linear, quiet", 0, 1, 2, 1, &kFails, "", 1, 1},
    };
    for (const TestCase& c : cases) {
        Console con;
        logical converged = -1;
        integer count = c.count;
        convers(F1<const real>(*c.fresh), F1<const real>(kOld), 2, 3, F1<const real>(kScale),
                F1<const real>(kTol), c.iterative, 20, F1<const std::string>(kNames), converged,
                c.NPrint, c.istep, 2, count);
        EXPECT_EQ(con.text, c.want) << c.what;
        EXPECT_EQ(converged, c.want_converged) << c.what;
        EXPECT_EQ(count, c.want_count) << c.what;
    }
}

TEST(Conver, OuterTablesAndNodeOfTheMaximum) {
    const TestCase cases[] = {
        {"no outer iteration", 0, 0, 1, 4, &kFails, "", 1, 4},
        {"report, failing: first node of the largest change", 1, 2, 2, 2, &kFails,
         kOuterHead +
             " Temperature       0.500E+00        0.125E+00       2\n"
             " Pressure          0.000E+00        0.125E+00       0\n\n"
             " Nonlinear ITER =           2\n\n" +
             kOuterBar + "\n",
         0, 2},
        {"report, nothing changed", 1, 0, 1, 1, &kOld,
         kOuterHead +
             " Temperature       0.000E+00        0.125E+00       0\n"
             " Pressure          0.000E+00        0.125E+00       0\n\n"
             " Nonlinear ITER =           1\n"
             " ---->CONVERGENCE ACHIEVED AT ITER =           1\n\n" +
             kOuterBar + "\n",
         1, 0},
        {"quiet, failing at 14", 1, 1, 2, 14, &kInfinite, "", 0, 14},
        {"quiet, converged at 15", 1, 1, 2, 15, &kAtTol,
         kOuterHead + " Temperature       0.125E+00        0.125E+00       2\n"
                      " Pressure          0.000E+00        0.125E+00       0\n\n",
         1, 0},
    };
    for (const TestCase& c : cases) {
        Console con;
        logical converged = -1;
        integer count = c.count;
        conver(F1<const real>(*c.fresh), F1<const real>(kOld), 2, 3, F1<const real>(kScale),
               F1<const real>(kTol), c.iterative, 30, F1<const std::string>(kNames), converged,
               c.NPrint, c.istep, count);
        EXPECT_EQ(con.text, c.want) << c.what;
        EXPECT_EQ(converged, c.want_converged) << c.what;
        EXPECT_EQ(count, c.want_count) << c.what;
    }
}

// The limit L is passed on the (L + 1)-th failing pass; standard input is empty.
TEST(ConvergenceTests, StopPastTheLimitWithoutInput) {
    struct Case {
        bool outer;
        integer limit, count;
        const std::vector<real>* fresh;
        bool stops;
    } cases[] = {{false, 3, 3, &kFails, false},  {false, 3, 4, &kFails, true},
                 {false, 0, 1, &kFails, true},   {false, 0, 1, &kAtTol, false},
                 {true, 3, 4, &kInfinite, true}, {true, 0, 1, &kOld, false}};
    for (const Case& c : cases) {
        Console con;
        logical converged = -1;
        integer count = c.count;
        auto call = [&] {
            if (c.outer)
                conver(F1<const real>(*c.fresh), F1<const real>(kOld), 2, 3, F1<const real>(kScale),
                       F1<const real>(kTol), 1, c.limit, F1<const std::string>(kNames), converged,
                       7, 1, count);
            else
                convers(F1<const real>(*c.fresh), F1<const real>(kOld), 2, 3,
                        F1<const real>(kScale), F1<const real>(kTol), 1, c.limit,
                        F1<const std::string>(kNames), converged, 7, 1, 1, count);
        };
        const std::string line =
            " NOT CONVERGED IN           " + std::to_string(c.limit) + " ITERATIONS\n";
        if (c.stops) {
            EXPECT_THROW(call(), OrderlyStop) << c.limit << " " << c.count;
            EXPECT_EQ(con.text, line + line +
                                    " PROGRAM STOPED, EXECUTION ABORTED\n"
                                    " !!!!!!!! PRESS <RETURN>\n");
        } else {
            EXPECT_NO_THROW(call()) << c.limit << " " << c.count;
        }
    }
}

TEST(Xupdate, ReplacesAddsOrKeepsEachCoordinate) {
    // two nodes, three coordinates, two dofs per node
    const std::vector<real> V = {10, 20, 30, 40};
    for (const auto& [flags, want] :
         {std::pair{std::vector<integer>{-2, 1, 0}, std::vector<real>{20, 12, 3, 40, 35, 6}},
          {{2, -1, 2}, {21, 10, 23, 44, 30, 46}},
          {{3, 0, 0}, {1, 2, 3, 4, 5, 6}},  // dof 3 does not exist: stop, nothing changed
          {{0, 0, -3}, {1, 2, 3, 4, 5, 6}}}) {
        Console con;
        std::vector<real> X = {1, 2, 3, 4, 5, 6};
        const bool bad = std::abs(flags[0]) > 2 || std::abs(flags[2]) > 2;
        auto call = [&] {
            xupdate(F1<real>(X), F1<const real>(V), 2, 2, 3, F1<const integer>(flags));
        };
        if (bad)
            EXPECT_THROW(call(), OrderlyStop);
        else
            call();
        EXPECT_EQ(X, want);
    }
}

}  // namespace
}  // namespace vetrix
