// Test harness: screen capture, one element routine called with the common argument list, and
// slot 1 of a small mesh assembled into a residual.
#pragma once

#include <string>
#include <vector>

#include "common/screen.hpp"
#include "elements/element_routine.hpp"

namespace vetrix::test {

struct ScreenCapture {  // collects the screen lines written during its lifetime
    std::string text;
    ScreenCapture() { screen().capture(&text); }
    ~ScreenCapture() { screen().capture(nullptr); }
};

struct ElementResult {
    int n = 0;  // NDofEl
    std::vector<double> AE, BE;
    double ae(int l, int m) const { return AE[(m - 1) * n + (l - 1)]; }
    double be(int l) const { return BE[l - 1]; }
};

// XE.size() / NDim nodes (= MaxNodEl); UH is level 1 (zeros when empty); BE arrives as BE0.
inline ElementResult call_element(ElementRoutine f, int NDim, int NDof,
                                  const std::vector<double>& XE, const std::vector<double>& CP,
                                  std::vector<double> UH = {},
                                  const std::vector<double>& PR = {1.0}, double DT = 1.0,
                                  double BE0 = 0.0) {
    const int n = NDof * static_cast<int>(XE.size()) / NDim;
    ElementResult r{n, std::vector<double>(n * n), std::vector<double>(n, BE0)};
    if (UH.empty()) UH.assign(n, 0.0);
    const std::vector<integer> JP{0};
    f(F2<real>(r.AE.data(), n, n), r.BE, n, XE, NDim, NDof, n / NDof, UH, UH, CP, PR, JP, DT, DT,
      0.0);
    return r;
}

struct Mesh {
    int NDim = 2;
    std::vector<double> X;              // node-major coordinates
    std::vector<std::vector<int>> els;  // 0-based node numbers in incidence order
    int nodes() const { return static_cast<int>(X.size()) / NDim; }
};

// K u - F on slot 1 of every node, from elements with two slots per node whose level-1 values
// are u_old (slot 1) and 99 (slot 2).
inline std::vector<double> assembled_residual(ElementRoutine f, const Mesh& m,
                                              const std::vector<double>& CP,
                                              const std::vector<double>& u_old,
                                              const std::vector<double>& u, double DT) {
    const int NDof = 2;
    std::vector<double> res(m.nodes(), 0.0);
    for (const auto& el : m.els) {
        std::vector<double> XE, UH;
        for (int node : el) {
            XE.insert(XE.end(), m.X.begin() + m.NDim * node, m.X.begin() + m.NDim * (node + 1));
            for (int s = 0; s < NDof; ++s) UH.push_back(s == 0 ? u_old[node] : 99.0);
        }
        const ElementResult r = call_element(f, m.NDim, NDof, XE, CP, UH, {1.0}, DT);
        for (size_t a = 0; a < el.size(); ++a) {
            res[el[a]] -= r.be(NDof * a + 1);
            for (size_t b = 0; b < el.size(); ++b)
                res[el[a]] += r.ae(NDof * a + 1, NDof * b + 1) * u[el[b]];
        }
    }
    return res;
}

}  // namespace vetrix::test
