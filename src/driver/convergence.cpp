// subrelajar, convers, conver, xupdate: relaxation, convergence tests and coordinate update.
#include "driver/convergence.hpp"

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include "common/stops.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

namespace {

constexpr const char* kSubstepBar = "%%%%%%%%%%%% CONVERGENCE SUBSTEP INFORMATION %%%%%%%%%%%";
constexpr const char* kLinearBar = "%%%%%%%%%%%%%%% LINEAR SUBSTEP INFORMATION %%%%%%%%%%%%%";
constexpr const char* kOuterBar = "%%%%%%%%% OUTER NONLINEAR CONVERGENCE INFORMATION %%%%%%%%%";
constexpr const char* kAchieved = "---->CONVERGENCE ACHIEVED AT ITER =";

// From this iteration on the tables are printed at every iteration, report step or not.
constexpr integer kAlwaysReport = 15;

bool report_step(integer istep, integer NPrint) {
    return NPrint > 0 && istep % NPrint == 0;
}

// The iteration limit L was passed: tell the user, wait for one line of standard input (an
// empty or closed input returns at once) and end the run.
[[noreturn]] void stop_not_converged(integer limit) {
    say({"NOT CONVERGED IN", limit, "ITERATIONS"});
    say({"NOT CONVERGED IN", limit, "ITERATIONS"});
    say({"PROGRAM STOPED, EXECUTION ABORTED"});
    say({"!!!!!!!! PRESS <RETURN>"});
    screen().flush();
    std::string reply;
    std::getline(std::cin, reply);
    stop_run("NOT CONVERGED IN " + std::to_string(limit) + " ITERATIONS");
}

}  // namespace

void subrelajar(F1<real> New, F1<const real> Old, real w, F1<const integer> idoftype,
                integer NTotDof) {
    for (integer k = 1; k <= NTotDof; ++k)
        if (idoftype(k) >= 0) New(k) = Old(k) * (1.0 - w) + w * New(k);
}

void largest_changes(F1<const real> New, F1<const real> Old, integer NDof, integer NodT,
                     F1<const real> scale, F1<real> err, F1<integer> node) {
    for (integer d = 1; d <= NDof; ++d) {
        err(d) = 0.0;
        node(d) = 0;
        for (integer i = 1; i <= NodT; ++i) {
            const integer k = (i - 1) * NDof + d;
            // a NaN (0/0 of a zero scale) compares false and so never raises the maximum; a
            // new value that is not finite can never pass the test
            const real change = std::isfinite(New(k))
                                    ? std::fabs((New(k) - Old(k)) / scale(d))
                                    : std::numeric_limits<real>::infinity();
            if (change > err(d)) {
                err(d) = change;
                node(d) = i;
            }
        }
    }
}

void convers(F1<const real> SolSub, F1<const real> Sol, integer NDof, integer NodT,
             F1<const real> rnorm, F1<const real> tol, logical iterative, integer maxiter,
             F1<const std::string> dofnames, logical& converged, integer NPrint, integer istep,
             integer s, integer& count) {
    const bool report = report_step(istep, NPrint);
    // 1 - a linear substep is solved once
    converged = 1;
    if (iterative == 0) {
        if (report) {
            say({kLinearBar});
            sayf("(17x,1A11,I2,1A13)", {"<< SubStep ", s, "  finished >>"});
            say({kLinearBar});
            say();
        }
        return;
    }
    // 2 - largest scaled change of each dof against its tolerance
    std::vector<real> err_store(static_cast<std::size_t>(NDof));
    std::vector<integer> node_store(static_cast<std::size_t>(NDof));
    const F1<real> err(err_store);
    largest_changes(SolSub, Sol, NDof, NodT, rnorm, err, F1<integer>(node_store));
    for (integer d = 1; d <= NDof; ++d)
        if (err(d) > tol(d)) converged = 0;
    // 3 - the table
    const bool table = report || count >= kAlwaysReport;
    if (table) {
        say();
        say({kSubstepBar});
        sayf("(14x,1A12,I2,1A10,I4,1A3)", {"<< SubStep =", s, " || ITER =", count, " >>"});
        say();
        sayf("(1x,3A17)", {"DOF Name       ", "ERROR Value     ", "TOL Value       "});
        for (integer d = 1; d <= NDof; ++d)
            sayf("(1x,A16,1x,E10.3,7x,E10.3)", {dofnames(d), err(d), tol(d)});
        say();
    }
    // 4 - iterate again, or give up past the limit
    if (converged == 0) {
        if (table) {
            say({kSubstepBar});
            say();
        }
        if (count <= maxiter) return;
        stop_not_converged(maxiter);
    }
    // 5 - converged: the count starts again for the next substep
    if (report) {
        say({kAchieved, count});
        say({kSubstepBar});
        say();
    }
    count = 0;
}

void conver(F1<const real> Sol, F1<const real> SolIter, integer NDof, integer NodT,
            F1<const real> rnormg, F1<const real> tolg, logical iterativeg, integer maxiterg,
            F1<const std::string> dofnamesg, logical& converged, integer NPrint, integer istep,
            integer& count) {
    // 1 - without an outer iteration every step makes one pass
    converged = 1;
    if (iterativeg == 0) return;
    const bool report = report_step(istep, NPrint);
    // 2 - largest scaled change of each dof, where it happened, against the tolerance
    std::vector<real> err_store(static_cast<std::size_t>(NDof));
    std::vector<integer> node_store(static_cast<std::size_t>(NDof));
    const F1<real> err(err_store);
    const F1<integer> node(node_store);
    largest_changes(Sol, SolIter, NDof, NodT, rnormg, err, node);
    for (integer d = 1; d <= NDof; ++d)
        if (err(d) > tolg(d)) converged = 0;
    // 3 - the table
    const bool table = report || count >= kAlwaysReport;
    if (table) {
        say();
        say({kOuterBar});
        sayf("(1x,2A17,1A12,2x,1A4)",
             {"DOF Name       ", "ERROR Value     ", "TOL Value  ", "Node"});
        for (integer d = 1; d <= NDof; ++d)
            sayf("(1x,A16,1x,E10.3,7x,E10.3,2x,1I6)", {dofnamesg(d), err(d), tolg(d), node(d)});
        say();
    }
    // 4 - iterate again, or give up past the limit
    if (converged == 0) {
        if (table) {
            say({"Nonlinear ITER =", count});
            say();
            say({kOuterBar});
            say();
        }
        if (count <= maxiterg) return;
        stop_not_converged(maxiterg);
    }
    // 5 - converged
    if (report) {
        say({"Nonlinear ITER =", count});
        say({kAchieved, count});
        say();
        say({kOuterBar});
        say();
    }
    count = 0;
}

void xupdate(F1<real> X, F1<const real> V, integer NodT, integer NDof, integer NDim,
             F1<const integer> flags) {
    // a flag names a dof of the node; any other value would reach outside the node's values
    for (integer c = 1; c <= NDim; ++c) {
        if (flags(c) < -NDof || flags(c) > NDof) {  // std::abs of the lowest integer overflows
            say({"Coordinate update flag", flags(c), "of coordinate", c, "is not a dof between",
                 -NDof, "and", NDof});
            stop_run();
        }
    }
    const F2<real> Xc(X.data(), NDim, NodT);  // Xc(c, i): coordinate c of node i
    for (integer c = 1; c <= NDim; ++c) {
        const integer j = flags(c);
        if (j < 0) {
            for (integer i = 1; i <= NodT; ++i) Xc(c, i) = V((i - 1) * NDof - j);
        } else if (j > 0) {
            for (integer i = 1; i <= NodT; ++i) Xc(c, i) += V((i - 1) * NDof + j);
        }
    }
}

}  // namespace vetrix
