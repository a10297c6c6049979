// B1 phase timing: start-up reading, driver set-up, and per time step the assembly (clear,
// prescribed rows, matrixcoef), the solve (factor in the first step, then forward and back
// substitution) and the output (escribir), with the heap allocations counted in each phase.
// It drives the same routines in the same order as the driver's time loop does for one linear
// substep with solver type -1 or 0, the case of the B1 deck, or -2/-3 (sparse direct: the
// symbolic analysis is its own phase, the refill of the values belongs to the factorisation).
//   b1_phases <B1 deck folder> [repetitions]
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assembly/element_dispatch.hpp"
#include "common/array_helpers.hpp"
#include "common/screen.hpp"
#include "driver/driver_state.hpp"
#include "driver/result_files.hpp"
#include "driver/setup.hpp"
#include "input/startup.hpp"
#include "linalg/skyline_factor.hpp"
#include "linalg/sparse_direct.hpp"

// Heap allocations counted while `counting` is set: the C allocator is wrapped, which also
// covers operator new, the standard streams and FILE buffers.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
}
namespace {
bool counting = false;
long long allocations = 0;
}  // namespace
extern "C" void* malloc(std::size_t n) {
    if (counting) ++allocations;
    return __libc_malloc(n);
}
extern "C" void* calloc(std::size_t n, std::size_t m) {
    if (counting) ++allocations;
    return __libc_calloc(n, m);
}
extern "C" void* realloc(void* p, std::size_t n) {
    if (counting) ++allocations;
    return __libc_realloc(p, n);
}

using namespace vetrix;

namespace {

using Clock = std::chrono::steady_clock;

// Wall and processor seconds and allocations of one phase, summed over its calls.
struct Phase {
    double wall = 0.0, cpu = 0.0;
    long long allocs = 0;
    Clock::time_point t0;
    std::clock_t c0 = 0;
    long long a0 = 0;
    void begin() {
        a0 = allocations;
        c0 = std::clock();
        t0 = Clock::now();
    }
    void end() {
        wall += std::chrono::duration<double>(Clock::now() - t0).count();
        cpu += double(std::clock() - c0) / CLOCKS_PER_SEC;
        allocs += allocations - a0;
    }
};

struct Run {
    Phase read, setup, analyse, factor, assembly, solve, output;
    int steps = 0;
    double umax = 0.0;
};

Run run_once() {
    Run r;
    std::string sink;
    screen().capture(&sink);
    counting = true;
    r.read.begin();
    RunInput in = read_run_input();
    r.read.end();
    DriverState w;
    r.setup.begin();
    driver_setup(in, w);
    r.setup.end();

    const integer NodT = in.NodT, NDof = in.NDof, NTotDof = in.NTotDof();
    const integer n = w.iRowT[0], z = w.NnzU[0], t = in.isolvertype[0];
    const bool sym = in.sym[0] != 0;
    F1<real> sol0(in.sol0), Sol(w.Sol);
    F1<const integer> kinds = F1<const integer>(in.idoftype).section(1, NTotDof);
    F1<const integer> eqs = F1<const integer>(w.iDofEq).section(1, NTotDof);
    F1<const integer> eq_node = F1<const integer>(w.iEQNode).section(w.eq_start[0], n);
    F1<const integer> eq_dof = F1<const integer>(w.iEqDof).section(w.eq_start[0], n);
    F1<const integer> IA = F1<const integer>(w.IA).section(w.ia_start[0], n + 1);
    F1<const integer> JA = F1<const integer>(w.JA).section(w.ja_start[0], z);
    F1<const integer> IU = F1<const integer>(w.IU).section(w.iu_start[0], n + 1);
    F1<const integer> JU = F1<const integer>(w.JU).section(w.ju_start[0], w.LJU[0]);
    F1<real> AN(w.AN), UN(w.UN), UD(w.UD);
    F1<real> upper = AN.section(1, z), lower = sym ? upper : AN.section(z + 1, z);
    EscribirState out_state;
    auto write_output = [&](real T, integer istep) {
        escribir(F1<const integer>(in.IE), F1<const integer>(in.JE), F1<const real>(in.X),
                 F1<const real>(in.sol0), T, in.DT, istep, in.NOut, F1<const integer>(w.Nodos),
                 F1<const integer>(w.NOlds), in.NNodesOut, F1<const integer>(in.nodesout), NodT,
                 NDof, in.NelT, in.NDim, F1<const integer>(in.iElementType), in.NTimeLevels,
                 out_state);
    };
    real T = in.Tini;
    integer istep = 0;
    r.output.begin();
    write_output(T, istep);
    r.output.end();
    while (in.tfinal > T) {
        asigreal(Sol, sol0.section(1, NTotDof), NTotDof);
        r.assembly.begin();
        std::fill(w.IP.begin(), w.IP.end(), 0);
        std::fill(w.B_Load.begin(), w.B_Load.end(), 0.0);
        std::fill_n(w.AD.begin(), n, 0.0);
        std::fill_n(w.AN.begin(), sym ? z : 2 * z, 0.0);
        dirasig(F1<real>(w.AD), F1<real>(w.B_Load), F1<const real>(in.dirich).section(1, NTotDof),
                kinds, eqs, NTotDof);
        matrixcoef(F1<const integer>(in.IE), F1<const integer>(in.JE), F1<const real>(in.X), IA, JA,
                   AN, F1<real>(w.AD), F1<real>(w.B_Load), F1<const real>(in.sol0),
                   F1<const real>(w.Sol), kinds, F1<const integer>(w.IAdd).section(w.eq_start[0], n),
                   F1<integer>(w.IP), F1<const real>(in.param), F1<const integer>(in.jparam),
                   F1<const integer>(in.ie__param), F1<const integer>(in.ie_jparam),
                   in.NParamGroups, F1<const integer>(in.iElementType),
                   F1<const integer>(in.iElementMat),
                   F1<const integer>(in.ielementlib).section(1, 5 * in.NTypes),
                   F1<const real>(in.commonpar).section(1, in.NCommon * in.NTypes),
                   F1<const integer>(in.icoupling), eq_node, eq_dof, eqs, NodT, in.NelT, NDof,
                   in.NDim, in.MaxNodEl, in.NTypes, in.NCommon, in.NDofEl(), in.sym[0], in.DT,
                   in.DT, T, in.NTimeLevels, &w.assembly);
        r.assembly.end();
        if (t == -2 || t == -3) {
            SparseDirect& f = *w.sparse[0];
            if (!f.analysed()) {
                r.analyse.begin();
                f.analyse();
                r.analyse.end();
            }
            if (t == -3 || istep == 0) {
                r.factor.begin();
                f.refill(upper, lower, F1<const real>(w.AD).section(1, n));
                if (f.factor().status != SparseStatus::ok) {
                    std::fprintf(stderr, "sparse factorisation failed\n");
                    std::exit(1);
                }
                r.factor.end();
            }
            r.solve.begin();
            f.solve(F1<const real>(w.B_Load).section(1, n), F1<real>(w.Unk1).section(1, n));
        } else {
            F1<real> Uu = UN.section(w.un_upper[0]), Ul = UN.section(w.un_lower[0]);
            F1<real> DI = UD.section(w.ud_first[0]), XL = UD.section(w.ud_second[0]);
            if (t == 0 || istep == 0) {
                r.factor.begin();
                trianns(IA, JA, upper, lower, F1<const real>(w.AD).section(1, n), IU, JU, Uu, Ul, DI,
                        XL, F1<integer>(w.IP), F1<integer>(w.IUP), n, sym);
                r.factor.end();
        }
        r.solve.begin();
        forwback(IU, JU, DI, Uu, Ul, F1<const real>(w.B_Load).section(1, n),
                 F1<real>(w.Unk1).section(1, n), n);
        }
        spanvect(eq_node, eq_dof, F1<const real>(w.Unk1), Sol, n, NDof);
        asigreal(sol0.section(1, NTotDof), Sol, NTotDof);
        r.solve.end();
        ++istep;
        T = T + in.DT;
        r.output.begin();
        write_output(T, istep);
        r.output.end();
    }
    counting = false;
    screen().capture(nullptr);
    r.steps = istep;
    for (integer k = 1; k <= NTotDof; ++k) r.umax = std::max(r.umax, sol0(k));
    return r;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: b1_phases <B1 deck folder> [repetitions]\n");
        return 1;
    }
    const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::filesystem::current_path(argv[1]);
    // every run rewrites IniFile.txt with its final state: each one starts from the deck's own
    std::stringstream initial;
    initial << std::ifstream("IniFile.txt").rdbuf();
    std::vector<Run> runs;
    for (int k = 0; k < reps; ++k) {
        std::ofstream("IniFile.txt") << initial.str();
        runs.push_back(run_once());
    }
    std::ofstream("IniFile.txt") << initial.str();
    const Run& last = runs.back();
    const double steps = last.steps;
    std::printf("steps %d, max u %.7f, medians of %d runs (wall / processor seconds, heap "
                "allocations of the phase over the whole last run)\n", last.steps, last.umax, reps);
    struct Row {
        const char* name;
        Phase Run::*phase;
        double per;
    };
    const Row rows[] = {{"read input", &Run::read, 1.0},       {"set-up", &Run::setup, 1.0},
                        {"analyse", &Run::analyse, 1.0},
                        {"factor (sum of steps)", &Run::factor, 1.0},
                        {"assembly per step", &Run::assembly, steps},
                        {"solve per step", &Run::solve, steps},
                        {"output per record", &Run::output, 2.0}};
    for (const Row& row : rows) {
        std::vector<double> wall, cpu;
        for (const Run& r : runs) {
            wall.push_back((r.*row.phase).wall / row.per);
            cpu.push_back((r.*row.phase).cpu / row.per);
        }
        std::printf("  %-22s %9.4f s wall %9.4f s cpu   %lld allocations\n", row.name,
                    median(wall), median(cpu), (last.*row.phase).allocs);
    }
    return 0;
}
