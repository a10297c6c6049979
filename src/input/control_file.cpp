// redirect_screen, read_control, readlibrary: the control file.
#include "input/control_file.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "common/same_file.hpp"
#include "common/screen.hpp"
#include "common/stops.hpp"
#include "common/views.hpp"
#include "input/deck_messages.hpp"
#include "io/format.hpp"
#include "io/memory_ledger.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

namespace {

constexpr std::string_view kControl = "Basparam.txt";

// Every file a run reads or writes in its folder besides the log file.
constexpr std::array<const char*, 6> kRunFiles = {"Basparam.txt", "Mesh.txt",    "IniFile.txt",
                                                  "Param.txt",    "DataOut.txt", "ElapsedTime.txt"};

// A fatal key: searched from the top; absent -> key line, NOT FOUND, stop.
void find_required(DeckFile& f, std::string_view key) {
    f.rewind();
    if (ifindstringinfile(key, f) != 0) stop_key_not_found(key);
}

// Names read as 16-character texts and kept as 16 character codes each.
void read_names(DeckFile& f, integer NDof, F1<integer> codes) {
    // names that a slash or an empty value leaves unread stay blank
    std::vector<std::string> names(static_cast<std::size_t>(NDof),
                                   std::string(kDofNameLength, ' '));
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

// A coordinate-update flag names a dof of the node (negative: replace, positive: add) or is 0.
void check_update_flags(std::string_view section, F1<const integer> flags, integer NDof) {
    for (integer c = 1; c <= flags.size(); ++c)
        if (flags(c) < -NDof || flags(c) > NDof)
            reject_input(kControl, section,
                         "coordinate update flag " + std::to_string(flags(c)) + " of coordinate " +
                             std::to_string(c) + " is outside " + std::to_string(-NDof) + ".." +
                             std::to_string(NDof));
}

std::string substep_section(integer s) { return "*SubStep " + std::to_string(s); }

// The fill limit and the subspace size size the solver's storage at set-up: a negative value
// stops with the message the solver itself would give, then names the value.
void check_solver_values(const RunInput& in, integer s) {
    const integer t = in.isolvertype[s - 1];
    if (t >= 100 && t <= 110 && in.lfil[s - 1] < 0) {
        say({"illegal lfil entered."});
        reject_input(kControl, substep_section(s),
                     "lfil " + std::to_string(in.lfil[s - 1]) + " is negative");
    }
    if (t >= 106 && t <= 109 && in.krylov[s - 1] < 0) {
        say({"Iterative solver was not given enough work space."});
        reject_input(kControl, substep_section(s),
                     "krylov " + std::to_string(in.krylov[s - 1]) + " is negative");
    }
}

// A real as a free-format item shows it, without the surrounding blanks.
std::string real_text(real x) {
    std::string t = free_line({x});
    t.erase(0, t.find_first_not_of(' '));
    t.erase(t.find_last_not_of(' ') + 1);
    return t;
}

// Common parameters an element code reads (0: none or an unknown code).
integer common_parameters_read(integer code, integer NDof) {
    switch (code) {
        case 1: return 5;
        case 2: return 1;
        case 11: return 2;
        case 12: return NDof;
        default: return 0;
    }
}

// Solver numbers: -3 to 0 (direct), 1 to 6 (in-house iterations), 100 to 110 (Krylov family).
bool invalid_solver_type(integer t) { return t < -3 || (t >= 7 && t <= 99) || t > 110; }

// The iteration limit and relative tolerance of the distributed solver, checked as read.
void check_tolerance(integer s, integer itmaxsol, real eps) {
    const std::string section = "*SubStep " + std::to_string(s);
    if (itmaxsol < 1)
        reject_input(kControl, section, "itmaxsol " + std::to_string(itmaxsol) + " must be at least 1");
    if (!(eps > 0.0 && eps < 1.0))
        reject_input(kControl, section, "eps " + real_text(eps) + " must lie between 0 and 1");
}

}  // namespace

void redirect_screen(DeckFile& control, bool open_log) {
    control.rewind();
    if (ifindstringinfile("*L", control) != 0 && ifindstringinfile("*l", control) != 0) return;
    std::string record;
    if (!control.read_record120(record))
        fail_runtime("Basparam.txt: end of file where the log file name should follow its keyword");
    // tabs around the name are blanks like spaces
    const std::size_t first = record.find_first_not_of(" \t");
    if (first == std::string::npos) return;
    std::string name = record.substr(first);
    name.erase(name.find_last_not_of(" \t") + 1);
    if (name == "*") return;
    // opening the log would empty a deck still being read, or mix the screen into a result file
    for (const char* own : kRunFiles)
        if (same_file(name, own))
            fail_runtime("Basparam.txt: the log file \"" + name + "\" is the run's own file " + own);
    if (!open_log) {
        say({"Check only: the screen output stays here instead of going to " + name});
        return;
    }
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
    check_solver_values(in, s);
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
    check_update_flags(substep_section(s),
                       F1<const integer>(in.ixupdate).section((s - 1) * NDim + 1, NDim), NDof);
}

void check_time_steps(const RunInput& in) {
    // the decks hold finite numbers only (the reader refuses others)
    constexpr std::string_view section = "*TimeStep";
    if (!(in.DT > 0.0))
        reject_input(kControl, section, "DT " + real_text(in.DT) + " must be positive");
    if (!(in.tfinal > in.Tini)) return;  // no time step at all
    // the step counter is an integer; a step too small to change the time never ends the run
    const real limit = static_cast<real>(std::numeric_limits<integer>::max() - 1);
    if (!((in.tfinal - in.Tini) / in.DT < limit))
        reject_input(kControl, section,
                     "DT " + real_text(in.DT) + " needs more than " +
                         std::to_string(std::numeric_limits<integer>::max() - 1) +
                         " steps from " + real_text(in.Tini) + " to " + real_text(in.tfinal));
    // the time with the largest magnitude has the coarsest spacing of all times of the run
    const real largest = std::max(std::fabs(in.Tini), std::fabs(in.tfinal));
    if (!(largest + in.DT > largest))
        reject_input(kControl, section,
                     "DT " + real_text(in.DT) + " does not advance the time " + real_text(largest));
}

void check_element_codes(const RunInput& in) {
    const integer NTypes = in.NTypes;
    // elements of each type: how many, and the first one whose node count is not 3
    std::vector<integer> count(static_cast<std::size_t>(NTypes) + 1, 0),
        odd(static_cast<std::size_t>(NTypes) + 1, 0);
    for (integer e = 1; e <= in.NelT; ++e) {
        const integer t = in.iElementType[e - 1];
        ++count[t];
        if (odd[t] == 0 && in.IE[e] - in.IE[e - 1] != 3) odd[t] = e;
    }
    F1<const integer> lib(in.ielementlib);
    for (integer s = 1; s <= in.NSubSteps; ++s)
        for (integer r = 1; r <= NTypes; ++r) {
            const integer code = lib((s - 1) * 5 * NTypes + r);
            if (lib((s - 1) * 5 * NTypes + 3 * NTypes + r) == 0 || count[r] == 0) continue;
            const std::string head = "element code " + std::to_string(code) + " of type " +
                                     std::to_string(r);
            const integer reads = common_parameters_read(code, in.NDof);
            if (in.NCommon < reads)
                reject_input(kControl, substep_section(s),
                             head + " reads " + std::to_string(reads) +
                                 " common parameters, NCommon is " + std::to_string(in.NCommon));
            if (code != 1) continue;
            // the linear triangle: three nodes in the plane
            if (in.NDim != 2)
                reject_input(kControl, substep_section(s),
                             head + " needs NDim 2, the mesh has NDim " + std::to_string(in.NDim));
            if (odd[r] != 0)
                reject_input(kControl, substep_section(s),
                             head + " needs 3 nodes per element, element " +
                                 std::to_string(odd[r]) + " has " +
                                 std::to_string(in.IE[odd[r]] - in.IE[odd[r] - 1]));
        }
}

void read_control(DeckFile& f, RunInput& in) {
    // 1, 2 - switches with defaults
    f.rewind();
    if (ifindstringinfile("*Param W", f) == 0) {
        f.read({in.ParamWriteSwitch});
        warn_unread(f, kControl, "*Param W");
    } else {
        say({"*Param Write Swicht NOT FOUND, proceed with default value"});
        in.ParamWriteSwitch = 0;
    }
    f.rewind();
    if (ifindstringinfile("*Init", f) == 0) {
        f.read({in.iInitialTime});
        warn_unread(f, kControl, "*Init");
    } else {
        say({"*Initial Time NOT FOUND, proceed with default value"});
        in.iInitialTime = 0;
    }
    // 3 - time stepping
    find_required(f, "*TimeStep");
    f.read({in.DT, in.Tini, in.tfinal});
    warn_unread(f, kControl, "*TimeStep");
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
        warn_unread(f, kControl, "*OutputControl");
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
            check_supply(f, kControl, "*NodeOutputControl",
                         "NNodesOut " + std::to_string(in.NNodesOut), in.NNodesOut);
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
        warn_unread(f, kControl, "*NodeOutputControl");
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
    warn_unread(f, kControl, "*ElementLibraryControl");
    // each substep gives 5 integers and NCommon reals per type
    check_supply(f, kControl, "*ElementLibraryControl", "NTypes " + std::to_string(in.NTypes),
                 5LL * in.NTypes, true);
    check_supply(f, kControl, "*ElementLibraryControl", "NCommon " + std::to_string(in.NCommon),
                 static_cast<long long>(in.NCommon) * in.NTypes, true);
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
        warn_unread(f, kControl, "*Renumbering");
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
    // three values per dof (scale, tolerance, name) and one flag per coordinate follow
    check_supply(f, kControl, "*StepContinuationControl", "NDof " + std::to_string(NDof),
                 3LL * NDof + NDim);
    in.rnormg.assign(NDof, 0.0);
    in.tolg.assign(NDof, 0.0);
    in.idofnamesg.assign(static_cast<std::size_t>(kDofNameLength) * NDof, 32);
    in.ixupdateg.assign(NDim, 0);
    f.read({F1<real>(in.rnormg)});
    f.read({F1<real>(in.tolg)});
    read_names(f, NDof, F1<integer>(in.idofnamesg));
    f.read({F1<integer>(in.ixupdateg)});
    check_update_flags("*StepContinuationControl", F1<const integer>(in.ixupdateg), NDof);
    warn_unread(f, kControl, "*StepContinuationControl");

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
        warn_unread(f, kControl, substep_section(s));
    }
    check_element_codes(in);

    // 11 - coupling matrices: slot count, then the slots used with a positive sign
    const integer NTypes = in.NTypes;
    F1<const integer> lib(in.ielementlib);
    // Slot k's matrix stands at (k-1)*M*M + 1 of one integer-indexed store of M*M*NSlots
    // entries: a slot beyond what that index can reach is refused.
    const integer M = in.NDofEl();
    const long long largest_slot =
        std::numeric_limits<integer>::max() / std::max<long long>(1LL * M * M, 1);
    in.NSlots = 0;
    std::vector<integer> positive;
    for (integer s = 1; s <= NS; ++s)
        for (integer r = 1; r <= NTypes; ++r) {
            const integer slot = lib((s - 1) * 5 * NTypes + 3 * NTypes + r);
            if (std::llabs(slot) > largest_slot)
                reject_input(kControl, substep_section(s),
                             "coupling slot " + std::to_string(slot) + " of type " +
                                 std::to_string(r) + " is out of range");
            in.NSlots = std::max(in.NSlots, std::abs(slot));
            if (slot > 0) positive.push_back(slot);
        }
    std::sort(positive.begin(), positive.end());
    const auto P =
        static_cast<integer>(std::unique(positive.begin(), positive.end()) - positive.begin());
    if (P > 0) {
        find_required(f, "*Coupling Matrices");
        check_supply(f, kControl, "*Coupling Matrices",
                     "the matrix order " + std::to_string(M),
                     P * (1 + static_cast<long long>(M) * M));
    }
    try {
        in.icoupling.assign(static_cast<std::size_t>(M) * M * in.NSlots, 0);
    } catch (const std::bad_alloc&) {
        error_alloc();
    }
    if (P > 0) {
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
        warn_unread(f, kControl, "*Coupling Matrices");
    }
}

}  // namespace vetrix
