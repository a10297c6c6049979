// Relaxation, the substep and outer convergence tests (tables compared character for character,
// the non-convergence stop with standard input closed) and the coordinate update.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <limits>
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
    std::streambuf* old_cin;
    Console() : old_cin(std::cin.rdbuf(no_input.rdbuf())) { screen().capture(&text); }
    ~Console() {
        screen().capture(nullptr);
        std::cin.rdbuf(old_cin);
        std::cin.clear();
    }
};

const std::vector<std::string> kNames = {"Temperature     ", "Pressure        "};
const std::vector<real> kSol = {1, 2, 3, 4, 5, 6};  // three nodes, two dofs
const real kNaN = std::numeric_limits<real>::quiet_NaN();

// kSol with changes at (node, dof): nodal vector positions (node - 1) * 2 + dof.
std::vector<real> changed(std::initializer_list<std::pair<int, real>> at) {
    std::vector<real> v = kSol;
    for (const auto& [k, dv] : at) v[k - 1] += dv;
    return v;
}

const char* const kBar = " %%%%%%%%%%%% CONVERGENCE SUBSTEP INFORMATION %%%%%%%%%%%\n";
const char* const kHead = "   DOF Name        ERROR Value      TOL Value       \n";
const char* const kOuterBar = " %%%%%%%%% OUTER NONLINEAR CONVERGENCE INFORMATION %%%%%%%%%\n";
const char* const kOuterHead = "   DOF Name        ERROR Value      TOL Value    Node\n";
const std::string kStop =
    " NOT CONVERGED IN           3 ITERATIONS\n NOT CONVERGED IN           3 ITERATIONS\n"
    " PROGRAM STOPED, EXECUTION ABORTED\n !!!!!!!! PRESS <RETURN>\n";

TEST(Subrelajar, RelaxesFreePositionsOnly) {
    const std::vector<integer> idoftype = {-1, 0, 2, -5};
    const std::vector<real> old_values = {2, 2, 2, 2};
    struct Case {
        real w;
        std::vector<real> want;
    } cases[] = {{0.5, {10, 6, 6, 10}}, {0.25, {10, 4, 4, 10}}, {1.0, {10, 10, 10, 10}}};
    for (const Case& c : cases) {
        std::vector<real> fresh = {10, 10, 10, 10};
        subrelajar(F1<real>(fresh), F1<const real>(old_values), c.w, F1<const integer>(idoftype),
                   4);
        EXPECT_EQ(fresh, c.want) << "w = " << c.w;
    }
}

TEST(Convers, TablesStatesAndCounts) {
    const std::vector<real> rnorm = {2.0, 0.5};
    const std::vector<real> tol = {0.125, 0.125};
    const std::string table_3 =
        std::string("\n") + kBar + "              << SubStep = 2 || ITER =   3 >>\n\n" + kHead +
        " Temperature       0.125E+00        0.125E+00\n"
        " Pressure          0.125E+00        0.125E+00\n\n";
    const std::string table_15_fail =
        std::string("\n") + kBar + "              << SubStep = 2 || ITER =  15 >>\n\n" + kHead +
        " Temperature       0.250E+00        0.125E+00\n"
        " Pressure          0.000E+00        0.125E+00\n\n";
    const std::string linear = " %%%%%%%%%%%%%%% LINEAR SUBSTEP INFORMATION %%%%%%%%%%%%%\n"
                               "                 << SubStep  2  finished >>\n"
                               " %%%%%%%%%%%%%%% LINEAR SUBSTEP INFORMATION %%%%%%%%%%%%%\n\n";
    // errors exactly at the tolerance pass; dof 1 changed by 0.5 over scale 2 fails
    const std::vector<real> at_tol = changed({{3, 0.25}, {6, -0.0625}});
    const std::vector<real> failing = changed({{1, 0.5}});
    struct Case {
        const char* what;
        integer istep, NPrint, count;
        logical iterative;
        std::vector<real> sub;
        std::string want;
        logical want_converged;
        integer want_count;
    } cases[] = {
        {"report, converged", 4, 2, 3, 1, at_tol,
         table_3 + " ---->CONVERGENCE ACHIEVED AT ITER =           3\n" + kBar + "\n", 1, 0},
        {"quiet, converged", 3, 2, 3, 1, at_tol, "", 1, 0},
        {"quiet, failing at 14", 3, 2, 14, 1, failing, "", 0, 14},
        {"quiet, failing at 15", 3, 2, 15, 1, failing, table_15_fail + kBar + "\n", 0, 15},
        {"quiet, converged at 15", 3, 2, 15, 1, changed({}),
         std::string("\n") + kBar + "              << SubStep = 2 || ITER =  15 >>\n\n" + kHead +
             " Temperature       0.000E+00        0.125E+00\n"
             " Pressure          0.000E+00        0.125E+00\n\n",
         1, 0},
        {"linear, report", 0, 1, 1, 0, failing, linear, 1, 1},
        {"linear, quiet", 1, 2, 1, 0, failing, "", 1, 1},
    };
    for (const Case& c : cases) {
        Console con;
        logical converged = -1;
        integer count = c.count;
        convers(F1<const real>(c.sub), F1<const real>(kSol), 2, 3, F1<const real>(rnorm),
                F1<const real>(tol), c.iterative, 20, F1<const std::string>(kNames), converged,
                c.NPrint, c.istep, 2, count);
        EXPECT_EQ(con.text, c.want) << c.what;
        EXPECT_EQ(converged, c.want_converged) << c.what;
        EXPECT_EQ(count, c.want_count) << c.what;
    }
}

TEST(Convers, ZeroScaleGivesInfinityOrIsIgnored) {
    const std::vector<real> rnorm = {0.0, 0.0};
    const std::vector<real> tol = {1e30, 1e30};
    // dof 1 changes over a zero scale (infinite error); dof 2 is 0/0 everywhere (ignored)
    const std::vector<real> sub = changed({{5, 1e-12}});
    Console con;
    logical converged = -1;
    integer count = 1;
    convers(F1<const real>(sub), F1<const real>(kSol), 2, 3, F1<const real>(rnorm),
            F1<const real>(tol), 1, 5, F1<const std::string>(kNames), converged, 1, 0, 1, count);
    EXPECT_EQ(converged, 0);
    EXPECT_NE(con.text.find(" Temperature        Infinity        0.100E+31\n"), std::string::npos)
        << con.text;
    EXPECT_NE(con.text.find(" Pressure          0.000E+00        0.100E+31\n"), std::string::npos)
        << con.text;
}

// The limit is passed on the (maxiter + 1)-th failing pass; standard input is empty.
TEST(Convers, StopsPastTheLimitWithoutInput) {
    const std::vector<real> rnorm = {1.0, 1.0};
    const std::vector<real> tol = {0.0, 0.0};
    const std::vector<real> failing = changed({{1, 0.5}});
    struct Case {
        integer maxiter, count;
        const std::vector<real>* sub;
        bool stops;
    } cases[] = {{3, 3, &failing, false}, {3, 4, &failing, true},
                 {0, 1, &failing, true},  {0, 1, &kSol, false}};
    for (const Case& c : cases) {
        Console con;
        logical converged = -1;
        integer count = c.count;
        auto call = [&] {
            convers(F1<const real>(*c.sub), F1<const real>(kSol), 2, 3, F1<const real>(rnorm),
                    F1<const real>(tol), 1, c.maxiter, F1<const std::string>(kNames), converged,
                    7, 1, 1, count);
        };
        if (c.stops) {
            EXPECT_THROW(call(), OrderlyStop) << c.maxiter << " " << c.count;
            const std::string tail =
                " NOT CONVERGED IN           " + std::to_string(c.maxiter) + " ITERATIONS\n";
            EXPECT_EQ(con.text, tail + tail +
                                    " PROGRAM STOPED, EXECUTION ABORTED\n !!!!!!!! PRESS <RETURN>\n");
        } else {
            EXPECT_NO_THROW(call());
            EXPECT_EQ(converged, c.sub == &kSol ? 1 : 0);
        }
    }
}

TEST(Conver, OuterTablesAndNodeOfTheMaximum) {
    const std::vector<real> rnormg = {1.0, 4.0};
    const std::vector<real> tolg = {0.25, 0.25};
    // dof 1: 0.25 at node 1, then 0.5 at nodes 2 and 3 (the first of the two is kept);
    // dof 2: unchanged but for a 0/0 that never counts
    const std::vector<real> moved = changed({{1, 0.25}, {3, 0.5}, {5, -0.5}});
    struct Case {
        const char* what;
        logical iterativeg;
        integer istep, NPrint, count;
        std::vector<real> sol;
        std::string want;
        logical want_converged;
        integer want_count;
    } cases[] = {
        {"no outer iteration", 0, 0, 1, 4, moved, "", 1, 4},
        {"report, failing", 1, 2, 2, 2, moved,
         std::string("\n") + kOuterBar + kOuterHead +
             " Temperature       0.500E+00        0.250E+00       2\n"
             " Pressure          0.000E+00        0.250E+00       0\n\n"
             " Nonlinear ITER =           2\n\n" +
             kOuterBar + "\n",
         0, 2},
        {"report, nothing changed", 1, 0, 1, 1, kSol,
         std::string("\n") + kOuterBar + kOuterHead +
             " Temperature       0.000E+00        0.250E+00       0\n"
             " Pressure          0.000E+00        0.250E+00       0\n\n"
             " Nonlinear ITER =           1\n"
             " ---->CONVERGENCE ACHIEVED AT ITER =           1\n\n" +
             kOuterBar + "\n",
         1, 0},
        {"quiet, failing at 14", 1, 1, 2, 14, moved, "", 0, 14},
        {"quiet, converged at 15", 1, 1, 2, 15, kSol,
         std::string("\n") + kOuterBar + kOuterHead +
             " Temperature       0.000E+00        0.250E+00       0\n"
             " Pressure          0.000E+00        0.250E+00       0\n\n",
         1, 0},
    };
    for (const Case& c : cases) {
        Console con;
        logical converged = -1;
        integer count = c.count;
        std::vector<real> old_values = kSol;
        old_values[3] = kNaN;  // node 2, dof 2: NaN - NaN over the scale stays ignored
        std::vector<real> sol = c.sol;
        sol[3] = kNaN;
        conver(F1<const real>(sol), F1<const real>(old_values), 2, 3, F1<const real>(rnormg),
               F1<const real>(tolg), c.iterativeg, 30, F1<const std::string>(kNames), converged,
               c.NPrint, c.istep, count);
        EXPECT_EQ(con.text, c.want) << c.what;
        EXPECT_EQ(converged, c.want_converged) << c.what;
        EXPECT_EQ(count, c.want_count) << c.what;
    }
}

TEST(Conver, StopsPastTheLimitWithoutInput) {
    const std::vector<real> rnormg = {1.0, 1.0};
    const std::vector<real> tolg = {0.0, 0.0};
    const std::vector<real> moved = changed({{2, 1.0}});
    Console con;
    logical converged = -1;
    integer count = 4;
    EXPECT_THROW(conver(F1<const real>(moved), F1<const real>(kSol), 2, 3, F1<const real>(rnormg),
                        F1<const real>(tolg), 1, 3, F1<const std::string>(kNames), converged, 5,
                        1, count),
                 OrderlyStop);
    EXPECT_EQ(con.text, kStop);
}

TEST(Xupdate, ReplacesAddsOrKeepsEachCoordinate) {
    // two nodes, three coordinates, two dofs per node
    const std::vector<real> V = {10, 20, 30, 40};
    const std::vector<real> X0 = {1, 2, 3, 4, 5, 6};
    struct Case {
        std::vector<integer> flags;
        std::vector<real> want;
    } cases[] = {
        {{-2, 1, 0}, {20, 12, 3, 40, 35, 6}},
        {{0, 0, 0}, {1, 2, 3, 4, 5, 6}},
        {{2, -1, 2}, {21, 10, 23, 44, 30, 46}},
    };
    for (const Case& c : cases) {
        std::vector<real> X = X0;
        xupdate(F1<real>(X), F1<const real>(V), 2, 2, 3, F1<const integer>(c.flags));
        EXPECT_EQ(X, c.want);
    }
}

TEST(Xupdate, FlagBeyondTheDofsStopsBeforeAnyChange) {
    const std::vector<real> V = {10, 20, 30, 40};
    for (const std::vector<integer>& flags : {std::vector<integer>{1, 3}, {-3, 1}}) {
        Console con;
        std::vector<real> X = {1, 2, 3, 4};
        EXPECT_THROW(
            xupdate(F1<real>(X), F1<const real>(V), 2, 2, 2, F1<const integer>(flags)),
            OrderlyStop);
        EXPECT_EQ(X, (std::vector<real>{1, 2, 3, 4}));
        EXPECT_NE(con.text.find("Coordinate update flag"), std::string::npos);
    }
}

}  // namespace
}  // namespace vetrix
