// now, Best, System, heat_matrix, triad_gbs: timers, the B1 heat matrix and the STREAM triad
// shared by the benchmarks.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "common/array_helpers.hpp"
#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix::bench {

inline double now() {
    using clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(clock::now().time_since_epoch()).count();
}

// Best times of repeated runs: wall clock, and processor time of this (single-threaded) process.
// The machine is shared, so the rates are taken from the processor time, which does not count
// the time slices given to other programs; the wall time is shown beside it.
struct Best {
    double wall = 1e30;
    double cpu = 1e30;
    template <class F>
    void run(F&& f) {
        const double w0 = now();
        const std::clock_t c0 = std::clock();
        f();
        cpu = std::min(cpu, double(std::clock() - c0) / CLOCKS_PER_SEC);
        wall = std::min(wall, now() - w0);
    }
};

// Strictly-upper row storage of the system (IA/JA ascending, AD, AN upper values).
struct System {
    integer n = 0;
    std::vector<integer> IA, JA;
    std::vector<real> AD, AN;
};

// Grid of N x N unit-square cells on [0,1]^2, each cut along its rising diagonal into two
// linear triangles; node (ix, iy) is number iy*(N+1) + ix + 1, one unknown per node. Element
// matrix M/dt + K with consistent mass M = area/12 [2 1 1; 1 2 1; 1 1 2] and stiffness
// K = k (b b' + c c') / (4 area). Boundary nodes are prescribed: identity rows, and no pattern
// entry couples them with anything.
inline System heat_matrix(int N, double dt, double k) {
    const integer side = N + 1;
    System s;
    s.n = side * side;
    const double h = 1.0 / N;
    auto node = [side](int ix, int iy) { return iy * side + ix + 1; };
    auto fixed = [N](int ix, int iy) { return ix == 0 || iy == 0 || ix == N || iy == N; };

    // pattern: a free node couples upwards with its free east, north and north-east neighbours
    s.IA.assign(s.n + 1, 0);
    s.AD.assign(s.n, 0.0);
    F1<integer> IA(s.IA);
    F1<real> AD(s.AD);
    for (int iy = 0; iy <= N; ++iy)
        for (int ix = 0; ix <= N; ++ix) {
            int count = 0;
            if (!fixed(ix, iy)) {
                count += !fixed(ix + 1, iy);
                count += !fixed(ix, iy + 1);
                count += !fixed(ix + 1, iy + 1);
            }
            IA(node(ix, iy)) = count;
        }
    const integer nnz = iearrange(s.IA, s.n);
    s.JA.resize(nnz);
    s.AN.assign(nnz, 0.0);
    F1<integer> JA(s.JA);
    F1<real> AN(s.AN);
    for (int iy = 0; iy <= N; ++iy)
        for (int ix = 0; ix <= N; ++ix) {
            integer p = IA(node(ix, iy));
            if (fixed(ix, iy)) continue;
            if (!fixed(ix + 1, iy)) JA(p++) = node(ix + 1, iy);
            if (!fixed(ix, iy + 1)) JA(p++) = node(ix, iy + 1);
            if (!fixed(ix + 1, iy + 1)) JA(p++) = node(ix + 1, iy + 1);
        }

    // assembly, element by element; prescribed rows become identity rows
    auto add = [&](integer a, integer b, double v) {
        if (a == b) {
            AD(a) += v;
            return;
        }
        const integer i = std::min(a, b), j = std::max(a, b);
        for (integer p = IA(i); p < IA(i + 1); ++p)
            if (JA(p) == j) {
                AN(p) += v;
                return;
            }
    };
    auto element = [&](const int(&ix)[3], const int(&iy)[3]) {
        double b[3], c[3];
        for (int a = 0; a < 3; ++a) {
            const int p = (a + 1) % 3, q = (a + 2) % 3;
            b[a] = (iy[p] - iy[q]) * h;
            c[a] = (ix[q] - ix[p]) * h;
        }
        const double area = 0.5 * std::fabs(b[0] * c[1] - b[1] * c[0]);
        for (int a = 0; a < 3; ++a) {
            if (fixed(ix[a], iy[a])) continue;
            for (int e = 0; e < 3; ++e) {
                if (fixed(ix[e], iy[e])) continue;
                const double m = area / 12.0 * (a == e ? 2.0 : 1.0);
                const double kk = k * (b[a] * b[e] + c[a] * c[e]) / (4.0 * area);
                if (node(ix[a], iy[a]) <= node(ix[e], iy[e]))
                    add(node(ix[a], iy[a]), node(ix[e], iy[e]), m / dt + kk);
            }
        }
    };
    for (int cy = 0; cy < N; ++cy)
        for (int cx = 0; cx < N; ++cx) {
            element({cx, cx + 1, cx + 1}, {cy, cy, cy + 1});
            element({cx, cx + 1, cx}, {cy, cy + 1, cy + 1});
        }
    for (int iy = 0; iy <= N; ++iy)
        for (int ix = 0; ix <= N; ++ix)
            if (fixed(ix, iy)) AD(node(ix, iy)) = 1.0;
    return s;
}

// STREAM triad a = b + s c over arrays far larger than the caches; best of several, GB/s
// counting 3 x 8 bytes per element.
inline double triad_gbs() {
    const std::size_t len = 40u << 20;
    std::vector<double> a(len, 0.0), b(len, 1.0), c(len, 2.0);
    Best best;
    for (int rep = 0; rep < 5; ++rep)
        best.run([&] {
            double* __restrict pa = a.data();
            const double* __restrict pb = b.data();
            const double* __restrict pc = c.data();
            for (std::size_t i = 0; i < len; ++i) pa[i] = pb[i] + 3.0 * pc[i];
        });
    if (a[len / 2] != 7.0) std::printf("triad check failed\n");
    return 24.0 * len / best.cpu / 1e9;
}

}  // namespace vetrix::bench
