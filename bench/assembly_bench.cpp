// Assembly benchmark: one matrixcoef call (heat element routine and ensnumgen) on N x N grids of
// linear triangles, reported in nanoseconds per triangle.
// Usage: assembly_bench [-r repetitions] [N ...]   (defaults: about 4e6 triangles' worth of
// repetitions, at least 3; N = 100 200 400)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "assembly/element_dispatch.hpp"
#include "assembly/equation_numbering.hpp"
#include "common/array_helpers.hpp"

using namespace vetrix;

namespace {

struct HeatGrid {
    integer NodT = 0, NelT = 0;
    std::vector<real> X, sol0, Sol, dirich, commonpar, param{0.0};
    std::vector<integer> IE{1}, JE, type, mat, idoftype, lib, C, ie__param{1}, ie_jparam{1},
        jparam{0};
    std::vector<integer> iDofEq, iEQNode, iEqDof, IAdd, IA, JA, IP;
    integer iRowT = 0, NnzU = 0;
};

// (n+1)^2 nodes numbered row by row, every square cut along its rising diagonal; code 1 with
// rho = c = k = Q = theta = 1, the boundary prescribed, a 3 x 3 all-ones coupling in slot 1.
HeatGrid build(integer n) {
    HeatGrid g;
    const integer side = n + 1;
    g.NodT = side * side;
    g.NelT = 2 * n * n;
    for (integer r = 0; r < side; ++r)
        for (integer c = 0; c < side; ++c) {
            g.X.push_back(static_cast<real>(c) / n);
            g.X.push_back(static_cast<real>(r) / n);
            const bool boundary = r == 0 || c == 0 || r == n || c == n;
            g.idoftype.push_back(boundary ? -1 : 1);
            g.dirich.push_back(boundary ? 0.5 : 0.0);
        }
    auto node = [&](integer r, integer c) { return r * side + c + 1; };
    for (integer r = 0; r < n; ++r)
        for (integer c = 0; c < n; ++c) {
            const integer tri[2][3] = {{node(r, c), node(r, c + 1), node(r + 1, c + 1)},
                                       {node(r, c), node(r + 1, c + 1), node(r + 1, c)}};
            for (const auto& t : tri) {
                g.JE.insert(g.JE.end(), t, t + 3);
                g.IE.push_back(static_cast<integer>(g.JE.size()) + 1);
            }
        }
    g.type.assign(g.NelT, 1);
    g.mat.assign(g.NelT, 1);
    g.lib = {1, 0, 0, 1, 0};
    g.C.assign(9, 1);
    g.commonpar = {1.0, 1.0, 1.0, 1.0, 1.0};
    g.sol0.assign(g.NodT, 0.25);
    g.Sol = g.sol0;

    std::vector<integer> ptr(g.NodT + 1), list(g.JE.size());
    trascomp(F1<const integer>(g.IE), F1<const integer>(g.JE), F1<integer>(ptr), F1<integer>(list),
             g.NodT, g.NelT);
    g.iRowT =
        assembdoftype1(F1<const integer>(g.IE), F1<const integer>(g.JE), F1<integer>(g.idoftype),
                       F1<const integer>(g.type), F1<const integer>(g.lib), F1<const integer>(g.C),
                       g.NodT, g.NelT, 1, 3, 1);
    const StructureInput in{F1<const integer>(g.IE),
                            F1<const integer>(g.JE),
                            F1<const integer>(ptr),
                            F1<const integer>(list),
                            F1<const integer>(g.type),
                            F1<const integer>(g.lib),
                            F1<const integer>(g.C),
                            g.NodT,
                            g.NelT,
                            1,
                            3,
                            1};
    g.iDofEq.assign(g.NodT, 0);
    g.iEQNode.assign(g.iRowT, 0);
    g.iEqDof.assign(g.iRowT, 0);
    g.IAdd.assign(g.iRowT, 0);
    g.IA.assign(g.iRowT + 1, 0);
    g.IP.assign(g.iRowT + 1, 0);
    g.NnzU = preensimgen(in, F1<integer>(g.IA), F1<integer>(g.IP), F1<const integer>(g.idoftype),
                         F1<integer>(g.IAdd), F1<integer>(g.iEQNode), F1<integer>(g.iEqDof),
                         F1<integer>(g.iDofEq));
    g.JA.assign(g.NnzU, 0);
    bigint sky = 0;
    ensimgen(in, F1<integer>(g.IA), F1<integer>(g.JA), F1<integer>(g.IP),
             F1<const integer>(g.idoftype), F1<const integer>(g.iDofEq), g.iRowT, sky);
    // ascending columns in every row: two transposes
    std::vector<integer> IT(g.iRowT + 1), JT(g.NnzU);
    trascomp(F1<const integer>(g.IA), F1<const integer>(g.JA), F1<integer>(IT), F1<integer>(JT),
             g.iRowT, g.iRowT);
    trascomp(F1<const integer>(IT), F1<const integer>(JT), F1<integer>(g.IA), F1<integer>(g.JA),
             g.iRowT, g.iRowT);
    std::fill(g.IP.begin(), g.IP.end(), 0);
    return g;
}

// Stand-in for the heat element with the same pattern of writes and no arithmetic to speak of:
// what remains of the time is gathering and ensnumgen.
void constant_element(F2<real> AE, F1<real> BE, integer, F1<const real>, integer, integer,
                      integer nn, F1<const real>, F1<const real>, F1<const real>, F1<const real>,
                      F1<const integer>, real, real, real) {
    for (integer a = 1; a <= nn; ++a) {
        BE(a) = 1.0;
        for (integer b = 1; b <= nn; ++b) AE(a, b) = a == b ? 2.0 : -1.0;
    }
}

void run(integer n, const char* label, int repetitions) {
    HeatGrid g = build(n);
    std::vector<real> AN(g.NnzU), AD(g.iRowT), B(g.iRowT);
    real DT = 0.0;
    auto assemble = [&] {
        std::fill(AN.begin(), AN.end(), 0.0);
        std::fill(AD.begin(), AD.end(), 0.0);
        std::fill(B.begin(), B.end(), 0.0);
        dirasig(F1<real>(AD), F1<real>(B), F1<const real>(g.dirich), F1<const integer>(g.idoftype),
                F1<const integer>(g.iDofEq), g.NodT);
        matrixcoef(g.IE, g.JE, g.X, g.IA, g.JA, AN, AD, B, g.sol0, g.Sol, g.idoftype, g.IAdd, g.IP,
                   g.param, g.jparam, g.ie__param, g.ie_jparam, 0, g.type, g.mat, g.lib,
                   g.commonpar, g.C, g.iEQNode, g.iEqDof, g.iDofEq, g.NodT, g.NelT, 1, 2, 3, 1, 5,
                   3, 1, 0.01, DT, 0.0, 1);
    };
    assemble();  // warm-up
    const int reps =
        repetitions > 0 ? repetitions : std::max(3, static_cast<int>(4000000 / g.NelT));
    // wall time of the best assembly; CPU time over all of them (the machine may be shared)
    double best = 1e300;
    const std::clock_t c0 = std::clock();
    for (int r = 0; r < reps; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        assemble();
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        best = std::min(best, s);
    }
    const double cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    real trace = 0.0;
    for (real v : AD) trace += v;
    std::printf(
        "%-9s N = %4d  triangles = %8d  equations = %8d  NnzU = %8d  wall (best) %7.1f  CPU (mean)"
        " %7.1f ns/triangle  (trace %.6g)\n",
        label, n, g.NelT, g.iRowT, g.NnzU, 1e9 * best / g.NelT, 1e9 * cpu / reps / g.NelT, trace);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<integer> sizes;
    int repetitions = 0;
    for (int a = 1; a < argc; ++a) {
        if (std::string(argv[a]) == "-r" && a + 1 < argc)
            repetitions = std::atoi(argv[++a]);
        else
            sizes.push_back(std::atoi(argv[a]));
    }
    if (sizes.empty()) sizes = {100, 200, 400};
    for (integer n : sizes) run(n, "heat", repetitions);
    // the same assemblies with the stand-in element: gathering and ensnumgen alone
    const ElementRoutine heat = set_element_routine(1, constant_element);
    for (integer n : sizes) run(n, "stand-in", repetitions);
    set_element_routine(1, heat);
    return 0;
}
