// Test harness: calls one element routine with the common argument list, and assembles slot 1
// of small meshes into dense matrices.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "common/screen.hpp"
#include "elements/element_routine.hpp"

namespace vetrix::test {

// Collects the screen lines written during its lifetime.
struct ScreenCapture {
    std::string text;
    ScreenCapture() { screen().capture(&text); }
    ~ScreenCapture() { screen().capture(nullptr); }
};

struct ElementResult {
    int ndofel = 0;
    std::vector<double> AE, BE;
    double ae(int l, int m) const { return AE[(m - 1) * ndofel + (l - 1)]; }
    double be(int l) const { return BE[l - 1]; }
};

// One element of nn = XE.size() / NDim nodes, MaxNodEl = nn; UH is level 1 (zeros if empty).
inline ElementResult call_element(ElementRoutine f, int NDim, int NDof, const std::vector<double>& XE,
                                  const std::vector<double>& CP, std::vector<double> UH = {},
                                  const std::vector<double>& PR = {1.0}, double DT = 1.0,
                                  double BE_initial = 0.0) {
    const int nn = static_cast<int>(XE.size()) / NDim;
    ElementResult r;
    r.ndofel = NDof * nn;
    r.AE.assign(static_cast<size_t>(r.ndofel * r.ndofel), 0.0);
    r.BE.assign(static_cast<size_t>(r.ndofel), BE_initial);
    if (UH.empty()) UH.assign(static_cast<size_t>(r.ndofel), 0.0);
    const std::vector<double> UE(UH);
    const std::vector<integer> JP{0};
    f(F2<real>(r.AE.data(), r.ndofel, r.ndofel), r.BE, r.ndofel, XE, NDim, NDof, nn, UH, UE, CP,
      PR, JP, DT, DT, 0.0);
    return r;
}

struct Mesh {
    int NDim = 2;
    std::vector<double> X;              // node-major coordinates
    std::vector<std::vector<int>> els;  // 0-based node numbers in incidence order
    int nodes() const { return static_cast<int>(X.size()) / NDim; }
};

struct Dense {
    int n = 0;
    std::vector<double> K, F;  // K(i, j) at j * n + i
    double& k(int i, int j) { return K[static_cast<size_t>(j * n + i)]; }
};

// Slot 1 of every node, assembled from elements with NDof slots per node; u_old nodal.
inline Dense assemble(ElementRoutine f, const Mesh& m, const std::vector<double>& CP,
                      const std::vector<double>& u_old, int NDof = 1, double DT = 1.0) {
    Dense d;
    d.n = m.nodes();
    d.K.assign(static_cast<size_t>(d.n * d.n), 0.0);
    d.F.assign(static_cast<size_t>(d.n), 0.0);
    for (const auto& el : m.els) {
        std::vector<double> XE, UH;
        for (int node : el) {
            for (int c = 0; c < m.NDim; ++c) XE.push_back(m.X[m.NDim * node + c]);
            for (int s = 0; s < NDof; ++s) UH.push_back(s == 0 ? u_old[node] : 99.0);
        }
        const ElementResult r = call_element(f, m.NDim, NDof, XE, CP, UH, {1.0}, DT);
        const int nn = static_cast<int>(el.size());
        for (int a = 1; a <= nn; ++a) {
            d.F[el[a - 1]] += r.be(NDof * (a - 1) + 1);
            for (int b = 1; b <= nn; ++b) {
                d.k(el[a - 1], el[b - 1]) += r.ae(NDof * (a - 1) + 1, NDof * (b - 1) + 1);
            }
        }
    }
    return d;
}

// (K u - F)(i) for every node.
inline std::vector<double> residual(Dense& d, const std::vector<double>& u) {
    std::vector<double> res(static_cast<size_t>(d.n));
    for (int i = 0; i < d.n; ++i) {
        double s = -d.F[i];
        for (int j = 0; j < d.n; ++j) s += d.k(i, j) * u[j];
        res[i] = s;
    }
    return res;
}

}  // namespace vetrix::test
