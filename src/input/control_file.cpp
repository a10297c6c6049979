// redirect_screen, read_control, readlibrary: the control file.
#include "input/control_file.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/screen.hpp"
#include "common/stops.hpp"
#include "common/views.hpp"
#include "input/deck_messages.hpp"
#include "io/format.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

namespace {

constexpr std::string_view kControl = "Basparam.txt";

// A fatal key: searched from the top; absent -> key line, NOT FOUND, stop.
void find_required(DeckFile& f, std::string_view key) {
    f.rewind();
    if (ifindstringinfile(key, f) != 0) stop_key_not_found(key);
}

// Names read as 16-character texts and kept as 16 character codes each.
void read_names(DeckFile& f, integer NDof, F1<integer> codes) {
    std::vector<std::string> names(static_cast<std::size_t>(NDof));
    f.read({ReadTarget::names(names, kDofNameLength)});
    for (integer i = 1; i <= NDof; ++i)
        for (integer j = 1; j <= kDofNameLength; ++j)
            codes(kDofNameLength * (i - 1) + j) =
                static_cast<unsigned char>(names[i - 1][j - 1]);
}

void check_nonnegative(std::string_view section, std::string_view what, integer value) {
    if (value < 0)
        reject_input(kControl, section,
                     std::string(what) + " " + std::to_string(value) + " is negative");
}

// The iteration limit and relative tolerance of the distributed solver, checked as read.
void check_tolerance(integer s, integer itmaxsol, real eps) {
    const std::string section = "*SubStep " + std::to_string(s);
    if (itmaxsol < 1)
        reject_input(kControl, section, "itmaxsol " + std::to_string(itmaxsol) + " must be at least 1");
    if (!(eps > 0.0 && eps < 1.0)) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", eps);
        reject_input(kControl, section, std::string("eps ") + text + " must lie between 0 and 1");
    }
}

// Solver numbers: -1, 0 (direct), 1 to 6 (in-house iterations), 100 to 110 (Krylov family).
bool invalid_solver_type(integer t) { return t < -1 || (t >= 7 && t <= 99) || t > 110; }

}  // namespace

void redirect_screen(DeckFile& control) {
    control.rewind();
    if (ifindstringinfile("*L", control) != 0 && ifindstringinfile("*l", control) != 0) return;
    std::string record;
    if (!control.read_record120(record))
        fail_runtime("Basparam.txt: end of file where the log file name should follow its keyword");
    std::size_t first = record.find_first_not_of(' ');
    if (first == std::string::npos) return;
    std::string name = record.substr(first);
    name.erase(name.find_last_not_of(' ') + 1);
    if (name == "*") return;
    if (!screen().redirect_to_file(name)) fail_runtime("cannot open log file " + name);
    say({"SCREEN OUTPUT REDIRECTED TO FILE", padded(name, 120)});
}

void readlibrary(DeckFile& f, RunInput& in, integer s) {
    F1<logical> sym(in.sym), iterative(in.iterative);
    F1<integer> maxiter(in.maxiter), isolvertype(in.isolvertype), itmaxsol(in.itmaxsol),
        krylov(in.krylov), lfil(in.lfil);
    F1<real> srp(in.srp), eps(in.eps), tolpre(in.tolpre);

    // 1 - iteration control and solver number
    f.read({ReadTarget::logical(sym(s)), ReadTarget::logical(iterative(s)), maxiter(s), srp(s),
            isolvertype(s)});
    // 2 - the solver's own values
    const integer t = isolvertype(s);
#if VETRIX_PETSC
    const bool distributed = t == 200;  // the PETSc Krylov solver: itmaxsol eps
#else
    const bool distributed = false;
#endif
    if (invalid_solver_type(t) && !distributed) {
        say({"Invalid Solver Type"});
        stop_run();
    }
    if (distributed) {
        f.read({itmaxsol(s), eps(s)});
        check_tolerance(s, itmaxsol(s), eps(s));
    } else if (t >= 1 && t <= 3) {
        f.read({itmaxsol(s), eps(s)});
    } else if (t >= 4 && t <= 6) {
        f.read({itmaxsol(s), eps(s), krylov(s)});
    } else if (t >= 100) {
        f.read({itmaxsol(s), eps(s), krylov(s), lfil(s), tolpre(s)});
    }
    // 3 - element library table, one row per element type
    const integer NTypes = in.NTypes, NCommon = in.NCommon;
    F1<integer> lib = F1<integer>(in.ielementlib).section((s - 1) * 5 * NTypes + 1, 5 * NTypes);
    for (integer r = 1; r <= NTypes; ++r) {
        integer row[5] = {lib(r), lib(NTypes + r), lib(2 * NTypes + r), lib(3 * NTypes + r),
                          lib(4 * NTypes + r)};
        f.read({std::span<integer>(row, 5)});
        for (integer c = 1; c <= 5; ++c) lib((c - 1) * NTypes + r) = row[c - 1];
    }
    // 4 - common parameters of each element type
    F1<real> common = F1<real>(in.commonpar).section((s - 1) * NCommon * NTypes + 1, NCommon * NTypes);
    for (integer r = 1; r <= NTypes; ++r) f.read({common.section((r - 1) * NCommon + 1, NCommon)});
    // 5 to 8 - convergence scales, tolerances, names, coordinate updates
    const integer NDof = in.NDof, NDim = in.NDim;
    f.read({F1<real>(in.rnorm).section((s - 1) * NDof + 1, NDof)});
    f.read({F1<real>(in.tol).section((s - 1) * NDof + 1, NDof)});
    read_names(f, NDof,
               F1<integer>(in.idofnames).section((s - 1) * kDofNameLength * NDof + 1,
                                                 kDofNameLength * NDof));
    f.read({F1<integer>(in.ixupdate).section((s - 1) * NDim + 1, NDim)});
}

void read_control(DeckFile& f, RunInput& in) {
    // 1, 2 - switches with defaults
    f.rewind();
    if (ifindstringinfile("*Param W", f) == 0) {
        f.read({in.ParamWriteSwitch});
    } else {
        say({"*Param Write Swicht NOT FOUND, proceed with default value"});
        in.ParamWriteSwitch = 0;
    }
    f.rewind();
    if (ifindstringinfile("*Init", f) == 0) {
        f.read({in.iInitialTime});
    } else {
        say({"*Initial Time NOT FOUND, proceed with default value"});
        in.iInitialTime = 0;
    }
    // 3 - time stepping
    find_required(f, "*TimeStep");
    f.read({in.DT, in.Tini, in.tfinal});
    // 4 - report and output intervals
    f.rewind();
    if (ifindstringinfile("*OutputControl", f) == 0) {
        f.read({in.NPrint, in.NOut});
        if (in.NPrint < 1)
            reject_input(kControl, "*OutputControl",
                         "NPrint " + std::to_string(in.NPrint) + " must be at least 1");
        if (in.NOut < 1)
            reject_input(kControl, "*OutputControl",
                         "NOut " + std::to_string(in.NOut) + " must be at least 1");
    } else {
        say({key_line("*OutputControl")});
        say({"NOT FOUND, Proceed with default values"});
        in.NPrint = 1;
        in.NOut = 1;
    }
    // 5 - output nodes
    f.rewind();
    if (ifindstringinfile("*NodeOutputControl", f) == 0) {
        f.read({in.NNodesOut});
        if (in.NNodesOut > 0) {
            in.nodesout.assign(static_cast<std::size_t>(in.NNodesOut), 0);
            f.read({F1<integer>(in.nodesout)});
            for (integer j = 1; j <= in.NNodesOut; ++j) {
                const integer node = in.nodesout[j - 1];
                if (node < 1 || node > in.NodT)
                    reject_input(kControl, "*NodeOutputControl",
                                 "output node " + std::to_string(node) + " is outside 1.." +
                                     std::to_string(in.NodT));
            }
        }
    } else {
        say({key_line("*NodeOutputControl")});
        say({"NOT FOUND, Proceed with default value 0"});
        in.NNodesOut = 0;
    }
    // 6 - element library size
    find_required(f, "*ElementLibraryControl");
    f.read({in.NTypes, in.NCommon});
    check_nonnegative("*ElementLibraryControl", "NTypes", in.NTypes);
    check_nonnegative("*ElementLibraryControl", "NCommon", in.NCommon);
    for (integer e = 1; e <= in.NelT; ++e) {
        const integer t = in.iElementType[e - 1];
        if (t < 1 || t > in.NTypes)
            reject_input("Mesh.txt", "*ELEMENT TYPE",
                         "type " + std::to_string(t) + " of element " + std::to_string(e) +
                             " is outside 1.." + std::to_string(in.NTypes));
    }
    // 7 - renumbering request
    f.rewind();
    if (ifindstringinfile("*Renumbering", f) == 0) {
        f.read({in.iRenumbering});
    } else {
        say({key_line("*Renumbering")});
        say({"NOT FOUND, Proceed with default value 0"});
        in.iRenumbering = 0;
    }
    // 8 - count the substep sections
    f.rewind();
    in.NSubSteps = 0;
    while (ifindstringinfile("*SubStep", f) == 0) ++in.NSubSteps;
    if (in.NSubSteps == 0) {
        say({"NSubSteps==0,At least ONE Substep must exist"});
        stop_run();
    }
    // 9 - outer loop
    const integer NDof = in.NDof, NDim = in.NDim, NS = in.NSubSteps;
    find_required(f, "*StepContinuationControl");
    f.read({ReadTarget::logical(in.iterativeg), in.maxiterg, in.srpg, in.NTimeLevels});
    if (in.NTimeLevels < 1)
        reject_input(kControl, "*StepContinuationControl",
                     "NTimeLevels " + std::to_string(in.NTimeLevels) + " must be at least 1");
    in.rnormg.assign(NDof, 0.0);
    in.tolg.assign(NDof, 0.0);
    in.idofnamesg.assign(static_cast<std::size_t>(kDofNameLength) * NDof, 32);
    in.ixupdateg.assign(NDim, 0);
    f.read({F1<real>(in.rnormg)});
    f.read({F1<real>(in.tolg)});
    read_names(f, NDof, F1<integer>(in.idofnamesg));
    f.read({F1<integer>(in.ixupdateg)});

    // 10 - substep sections, searched forward from here
    in.sym.assign(NS, 0);
    in.iterative.assign(NS, 0);
    in.maxiter.assign(NS, 0);
    in.srp.assign(NS, 0.0);
    in.isolvertype.assign(NS, 0);
    in.itmaxsol.assign(NS, 0);
    in.eps.assign(NS, 0.0);
    in.krylov.assign(NS, 0);
    in.lfil.assign(NS, 0);
    in.tolpre.assign(NS, 0.0);
    in.ielementlib.assign(static_cast<std::size_t>(5) * in.NTypes * NS, 0);
    in.commonpar.assign(static_cast<std::size_t>(in.NCommon) * in.NTypes * NS, 0.0);
    in.rnorm.assign(static_cast<std::size_t>(NDof) * NS, 0.0);
    in.tol.assign(static_cast<std::size_t>(NDof) * NS, 0.0);
    in.idofnames.assign(static_cast<std::size_t>(kDofNameLength) * NDof * NS, 32);
    in.ixupdate.assign(static_cast<std::size_t>(NDim) * NS, 0);
    for (integer s = 1; s <= NS; ++s) {
        if (ifindstringinfile("*SubStep", f) != 0) stop_key_not_found("*SubStep");
        readlibrary(f, in, s);
    }

    // 11 - coupling matrices: slot count, then the slots used with a positive sign
    const integer NTypes = in.NTypes;
    F1<const integer> lib(in.ielementlib);
    in.NSlots = 0;
    for (integer s = 1; s <= NS; ++s)
        for (integer r = 1; r <= NTypes; ++r)
            in.NSlots = std::max(in.NSlots, std::abs(lib((s - 1) * 5 * NTypes + 3 * NTypes + r)));
    std::vector<char> marked(static_cast<std::size_t>(in.NSlots) + 1, 0);
    integer P = 0;
    for (integer s = 1; s <= NS; ++s)
        for (integer r = 1; r <= NTypes; ++r) {
            const integer slot = lib((s - 1) * 5 * NTypes + 3 * NTypes + r);
            if (slot > 0 && !marked[slot]) {
                marked[slot] = 1;
                ++P;
            }
        }
    const integer M = in.NDofEl();
    in.icoupling.assign(static_cast<std::size_t>(M) * M * in.NSlots, 0);
    if (P > 0) {
        find_required(f, "*Coupling Matrices");
        std::vector<integer> rows(static_cast<std::size_t>(M) * M);
        F1<integer> C(in.icoupling);
        for (integer q = 1; q <= P; ++q) {
            integer k = 0;
            f.read({k});
            if (k < 1 || k > in.NSlots)
                reject_input(kControl, "*Coupling Matrices",
                             "slot " + std::to_string(k) + " is outside 1.." +
                                 std::to_string(in.NSlots));
            // a read cut short by a slash leaves the rest of the matrix as it stands
            for (integer i = 1; i <= M; ++i)
                for (integer j = 1; j <= M; ++j)
                    rows[(i - 1) * M + (j - 1)] = C((k - 1) * M * M + (j - 1) * M + i);
            f.read({std::span<integer>(rows)});
            // the file gives the matrix row by row; storage runs down the columns
            for (integer i = 1; i <= M; ++i)
                for (integer j = 1; j <= M; ++j)
                    C((k - 1) * M * M + (j - 1) * M + i) = rows[(i - 1) * M + (j - 1)];
        }
    }
}

}  // namespace vetrix
