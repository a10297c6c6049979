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
std::string not_converged(int limit) {
    const std::string line =
        " NOT CONVERGED IN           " + std::to_string(limit) + " ITERATIONS\n";
    return line + line + " PROGRAM STOPED, EXECUTION ABORTED\n !!!!!!!! PRESS <RETURN>\n";
}

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

// convers (substep 2) or conver on the data above. A stop (the limit passed on the
// (limit + 1)-th failing pass, standard input empty) leaves converged and count unchecked.
TEST(ConvergenceTests, TablesStatesCountsAndStops) {
    const struct {
        const char* what;
        bool outer;
        logical iterative;
        integer limit, NPrint, istep, count;
        const std::vector<real>* fresh;
        std::string want;
        logical want_converged;
        integer want_count;
        bool stops = false;
    } cases[] = {
        // clang-format off
        {"report, converged", false, 1, 20, 2, 4, 3, &kAtTol,
         "\n" + kBar + "              << SubStep = 2 || ITER =   3 >>\n\n" +
             "   DOF Name        ERROR Value      TOL Value       \n"
             " Temperature       0.125E+00        0.125E+00\n"
             " Pressure          0.000E+00        0.125E+00\n\n"
             " ---->CONVERGENCE ACHIEVED AT ITER =           3\n" + kBar + "\n",
         1, 0},
        {"quiet, failing at 14", false, 1, 20, 2, 3, 14, &kFails, "", 0, 14},
        {"quiet, failing at 15", false, 1, 20, 2, 3, 15, &kInfinite,
         kHead + " Temperature       0.000E+00        0.125E+00\n"
                 " Pressure           Infinity        0.125E+00\n\n" + kBar + "\n",
         0, 15},
        {"quiet, converged at 15", false, 1, 20, 2, 3, 15, &kOld,
         kHead + " Temperature       0.000E+00        0.125E+00\n"
                 " Pressure          0.000E+00        0.125E+00\n\n",
         1, 0},
        {"linear, report", false, 0, 20, 1, 0, 1, &kFails,
         " %%%%%%%%%%%%%%% LINEAR SUBSTEP INFORMATION %%%%%%%%%%%%%\n"
         "                 << SubStep  2  finished >>\n"
         " %%%%%%%%%%%%%%% LINEAR SUBSTEP INFORMATION %%%%%%%%%%%%%\n\n",
         1, 1},
        {"linear, quiet", false, 0, 20, 2, 1, 1, &kFails, "", 1, 1},
        {"at the limit", false, 1, 3, 7, 1, 3, &kFails, "", 0, 3},
        {"past the limit", false, 1, 3, 7, 1, 4, &kFails, not_converged(3), 0, 0, true},
        {"limit 0, failing", false, 1, 0, 7, 1, 1, &kFails, not_converged(0), 0, 0, true},
        {"limit 0, converged", false, 1, 0, 7, 1, 1, &kAtTol, "", 1, 0},
        {"outer: no outer iteration", true, 0, 20, 1, 0, 4, &kFails, "", 1, 4},
        {"outer: report, failing: first node of the largest change", true, 1, 20, 2, 2, 2, &kFails,
         kOuterHead + " Temperature       0.500E+00        0.125E+00       2\n"
                      " Pressure          0.000E+00        0.125E+00       0\n\n"
                      " Nonlinear ITER =           2\n\n" + kOuterBar + "\n",
         0, 2},
        {"outer: report, nothing changed", true, 1, 20, 1, 0, 1, &kOld,
         kOuterHead + " Temperature       0.000E+00        0.125E+00       0\n"
                      " Pressure          0.000E+00        0.125E+00       0\n\n"
                      " Nonlinear ITER =           1\n"
                      " ---->CONVERGENCE ACHIEVED AT ITER =           1\n\n" + kOuterBar + "\n",
         1, 0},
        {"outer: quiet, failing at 14", true, 1, 20, 2, 1, 14, &kInfinite, "", 0, 14},
        {"outer: quiet, converged at 15", true, 1, 20, 2, 1, 15, &kAtTol,
         kOuterHead + " Temperature       0.125E+00        0.125E+00       2\n"
                      " Pressure          0.000E+00        0.125E+00       0\n\n",
         1, 0},
        {"outer: past the limit", true, 1, 3, 7, 1, 4, &kInfinite, not_converged(3), 0, 0, true},
        {"outer: limit 0, converged", true, 1, 0, 7, 1, 1, &kOld, "", 1, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        Console con;
        logical converged = -1;
        integer count = c.count;
        const F1<const real> fresh(*c.fresh), old(kOld), scale(kScale), tol(kTol);
        const F1<const std::string> names(kNames);
        auto call = [&] {
            if (c.outer)
                conver(fresh, old, 2, 3, scale, tol, c.iterative, c.limit, names, converged,
                       c.NPrint, c.istep, count);
            else
                convers(fresh, old, 2, 3, scale, tol, c.iterative, c.limit, names, converged,
                        c.NPrint, c.istep, 2, count);
        };
        if (c.stops) {
            EXPECT_THROW(call(), OrderlyStop) << c.what;
        } else {
            EXPECT_NO_THROW(call()) << c.what;
            EXPECT_EQ(converged, c.want_converged) << c.what;
            EXPECT_EQ(count, c.want_count) << c.what;
        }
        EXPECT_EQ(con.text, c.want) << c.what;
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
        auto call = [&, &update = flags] {  // clang before 16 cannot capture a structured binding
            xupdate(F1<real>(X), F1<const real>(V), 2, 2, 3, F1<const integer>(update));
        };
        if (std::abs(flags[0]) > 2 || std::abs(flags[2]) > 2)
            EXPECT_THROW(call(), OrderlyStop);
        else
            call();
        EXPECT_EQ(X, want);
    }
}

}  // namespace
}  // namespace vetrix
