// Renumbering benchmark: wall and CPU time of cathill, wall time of permutar, on shuffled
// N x N triangle grids, with the bandwidth before and after.
// Usage: renumber_bench [candidates] [N ...]   (defaults: 4 candidates; N = 200 400 800)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "common/array_helpers.hpp"
#include "common/screen.hpp"
#include "driver/renumbering.hpp"

using namespace vetrix;

namespace {

double seconds_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void run(integer n, integer candidates) {
    // (n+1)^2 nodes, every square cut along its rising diagonal into two linear triangles
    const integer side = n + 1;
    const integer NodT = side * side;
    const integer NelT = 2 * n * n;

    // label[g] = node number of grid point g; a Fisher-Yates shuffle with a fixed seed written
    // out here, so the same mesh comes out with every standard library
    std::vector<integer> label(NodT);
    for (integer g = 0; g < NodT; ++g) label[g] = g + 1;
    std::mt19937 gen(2024u);
    for (integer g = NodT - 1; g > 0; --g) {
        const integer h = static_cast<integer>(gen() % static_cast<unsigned>(g + 1));
        std::swap(label[g], label[h]);
    }
    auto node = [&](integer r, integer c) { return label[r * side + c]; };

    std::vector<integer> IE(NelT + 1), JE(3 * static_cast<std::size_t>(NelT));
    std::size_t p = 0;
    integer e = 0;
    for (integer r = 0; r < n; ++r)
        for (integer c = 0; c < n; ++c) {
            for (integer v : {node(r, c), node(r, c + 1), node(r + 1, c + 1)}) JE[p++] = v;
            IE[e++] = static_cast<integer>(p) - 2;
            for (integer v : {node(r, c), node(r + 1, c + 1), node(r + 1, c)}) JE[p++] = v;
            IE[e++] = static_cast<integer>(p) - 2;
        }
    IE[NelT] = static_cast<integer>(p) + 1;
    std::vector<integer> node_el_ptr(NodT + 1), node_el(JE.size());
    trascomp(IE, JE, node_el_ptr, node_el, NodT, NelT);

    const integer before = mesh_bandwidth(IE, JE, NelT);
    std::vector<integer> Nodos(NodT), NOlds(NodT);
    std::string screen_text;
    screen().capture(&screen_text);
    const std::clock_t c0 = std::clock();
    auto t0 = std::chrono::steady_clock::now();
    cathill(IE, JE, node_el_ptr, node_el, NOlds, Nodos, NelT, NodT, candidates);
    const double t_cathill = seconds_since(t0);
    const double cpu_cathill = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    screen().capture(nullptr);
    const integer after = mesh_bandwidth(IE, JE, NelT);

    // one substep, one dof, two levels, two coordinates: the nodal data of a heat problem
    std::vector<real> X(2 * static_cast<std::size_t>(NodT), 1.0), dirich(NodT, 0.0),
        sol0(2 * static_cast<std::size_t>(NodT), 0.0);
    std::vector<integer> idoftype(NodT, 1);
    t0 = std::chrono::steady_clock::now();
    permutar(X, idoftype, dirich, sol0, Nodos, NodT, 1, 2, 2, 1);
    const double t_permutar = seconds_since(t0);

    std::printf("%6d %9d %9d %5d %12.4f %12.4f %12.4f %10d %10d\n", n, NodT, NelT, candidates,
                t_cathill, cpu_cathill, t_permutar, before, after);
}

}  // namespace

int main(int argc, char** argv) {
    const integer candidates = argc > 1 ? std::atoi(argv[1]) : 4;
    std::vector<integer> sizes;
    for (int a = 2; a < argc; ++a) sizes.push_back(std::atoi(argv[a]));
    if (sizes.empty()) sizes = {200, 400, 800};
    std::printf("%6s %9s %9s %5s %12s %12s %12s %10s %10s\n", "N", "NodT", "NelT", "cand",
                "cathill [s]", "cathill cpu", "permutar [s]", "band in", "band out");
    for (integer n : sizes) run(n, candidates);
    return 0;
}
