// Tests of directf, directg and the Laplace boundary elements: segment integrals against adaptive
// Gauss-Legendre quadrature of the kernels, and a collocation solve of harmonic data on polygons
// that must converge under refinement.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "common/stops.hpp"
#include "element_harness.hpp"
#include "elements/laplace_bem.hpp"
#include "elements/quadrature.hpp"

namespace vetrix {
namespace {

using test::call_element;
using V2 = std::vector<double>;
const double pi = std::acos(-1.0);

const auto F = [](const V2& p, const V2& a, const V2& b) { return directf(2, p, a, b); };
const auto G = [](const V2& p, const V2& a, const V2& b) { return directg(2, p, a, b); };

// Adaptive bisection: the 4-point Gauss-Legendre rule on [lo, hi] against the same on its halves.
double integrate(const std::function<double(double)>& f, double lo, double hi, int depth = 0) {
    static std::vector<double> x(4), w(4);
    if (w[0] == 0.0) gaussrule(F2<real>(x.data(), 1, 4), w, 1, 4, 1);
    auto gl = [&](double l, double h) {
        double s = 0.0;
        for (int k = 0; k < 4; ++k) s += w[k] * f(0.5 * (l + h) + 0.5 * (h - l) * x[k]);
        return 0.5 * (h - l) * s;
    };
    const double mid = 0.5 * (lo + hi), halves = gl(lo, mid) + gl(mid, hi);
    if (!(hi > lo) || std::abs(gl(lo, hi) - halves) < 1e-15 * (1 + std::abs(halves)) || depth > 60)
        return hi > lo ? halves : 0.0;
    return integrate(f, lo, mid, depth + 1) + integrate(f, mid, hi, depth + 1);
}

// Kernel integrals over a -> b seen from p off the segment: the normal derivative of
// -ln r / (2 pi) along (t_y, -t_x), and the kernel itself, split where p projects onto the segment.
TEST(DirectSegmentIntegrals, AgreeWithQuadratureOfTheKernels) {
    for (const auto& [a, b] : {std::pair<V2, V2>{{0, 0}, {1, 0}}, {{1, 2}, {-0.5, 3}}}) {
        const double L = std::hypot(b[0] - a[0], b[1] - a[1]), tx = (b[0] - a[0]) / L,
                     ty = (b[1] - a[1]) / L;
        // p = a + s (b - a) + e L n: far, near either side, beyond the ends, on the line beyond
        const double points[][2] = {{0.3, 40},   {0.5, 1e-3}, {0.5, -1e-3}, {1.001, 1e-3},
                                    {-2.0, 0.0}, {0.2, -0.7}, {0.9, 0.05}};
        for (auto [s, e] : points) {
            const V2 p{a[0] + L * (s * tx + e * ty), a[1] + L * (s * ty - e * tx)};
            const double foot = std::clamp((p[0] - a[0]) * tx + (p[1] - a[1]) * ty, 0.0, L);
            auto both = [&, &a0 = a](bool nd) {  // clang before 16 cannot capture a binding
                auto k = [&](double t) {
                    const double dx = a0[0] + t * tx - p[0], dy = a0[1] + t * ty - p[1];
                    return nd ? -(dx * ty - dy * tx) / (2 * pi * (dx * dx + dy * dy))
                              : -std::log(dx * dx + dy * dy) / (4 * pi);
                };
                return integrate(k, 0.0, foot) + integrate(k, foot, L);
            };
            EXPECT_NEAR(F(p, a, b), both(true), 1e-12) << s << " " << e;
            EXPECT_NEAR(F(p, b, a), -both(true), 1e-12);  // reversed: the normal and F flip
            EXPECT_NEAR(G(p, a, b), both(false), 1e-12 * std::max(1.0, std::abs(both(false))));
        }
    }
    // on the segment: F is the limit from the side away from the normal; G at the own midpoint
    // is L (1 - ln(L / 2)) / (2 pi)
    EXPECT_EQ(F({0.5, 0}, {0, 0}, {2, 0}), -0.5);
    EXPECT_NEAR(G({1.5, 2}, {1, 2}, {2, 2}), (1 + std::log(2.0)) / (2 * pi), 1e-15);
}

// Regular 4m-gon in the unit circle, counter-clockwise, with harmonic u (u, u_x, u_y from
// u_grad): u prescribed on the upper half, the flux on the lower. Assembled as the dispatch
// does: one self element per segment, one mutual element per pair, u and q in slots 1 and 2 of
// each segment's first node (of three slots), element rows added into the free rows,
// prescribed rows kept as identities. Returns the largest error of the unknowns.
double collocation_error(int m, V2 (*u_grad)(double, double)) {
    const int n = 4 * m, N = 2 * n;
    std::vector<V2> X, A(N, V2(N, 0.0));
    V2 rhs(N, 0.0), exact(N);
    std::vector<bool> prescribed(N);
    for (int k = 0; k < n; ++k) X.push_back({std::cos(2 * pi * k / n), std::sin(2 * pi * k / n)});
    const double L = std::hypot(X[1][0] - X[0][0], X[1][1] - X[0][1]);
    for (int i = 0; i < n; ++i) {
        const V2 &a = X[i], &b = X[(i + 1) % n];
        const V2 ug = u_grad(0.5 * (a[0] + b[0]), 0.5 * (a[1] + b[1]));
        exact[2 * i] = ug[0];
        exact[2 * i + 1] = (ug[1] * (b[1] - a[1]) - ug[2] * (b[0] - a[0])) / L;  // grad u . n
        const int known = a[1] + b[1] > 0 ? 2 * i : 2 * i + 1;
        prescribed[known] = true, A[known][known] = 1.0, rhs[known] = exact[known];
    }
    auto add = [&](ElementRoutine f, const std::vector<int>& el) {
        V2 XE;
        for (int k : el) XE.insert(XE.end(), X[k].begin(), X[k].end());
        const auto r = call_element(f, 2, 3, XE, {});
        for (size_t l = 0; l < 2 * el.size(); ++l)
            for (size_t c = 0; c < 2 * el.size() && !prescribed[2 * el[l / 2] + l % 2]; ++c)
                A[2 * el[l / 2] + l % 2][2 * el[c / 2] + c % 2] +=
                    r.ae(3 * (l / 2) + l % 2 + 1, 3 * (c / 2) + c % 2 + 1);
    };
    for (int i = 0; i < n; ++i) {
        add(laplace_bem_c_d_2d, {i, (i + 1) % n});
        for (int j = i + 1; j < n; ++j) add(laplace_bem_c_m_2d, {i, (i + 1) % n, j, (j + 1) % n});
    }
    for (int k = 0; k < N; ++k) {  // Gaussian elimination with partial pivoting
        const int piv = std::max_element(A.begin() + k, A.end(),
                                         [k](const V2& r, const V2& s) {
                                             return std::abs(r[k]) < std::abs(s[k]);
                                         }) -
                        A.begin();
        std::swap(A[k], A[piv]), std::swap(rhs[k], rhs[piv]);
        for (int i = k + 1; i < N; ++i) {
            const double f = A[i][k] / A[k][k];
            for (int j = k; j < N; ++j) A[i][j] -= f * A[k][j];
            rhs[i] -= f * rhs[k];
        }
    }
    double err = 0.0;
    for (int k = N; k-- > 0;) {
        for (int j = k + 1; j < N; ++j) rhs[k] -= A[k][j] * rhs[j];
        rhs[k] /= A[k][k];
        err = std::max(err, std::abs(rhs[k] - exact[k]));
    }
    return err;
}

TEST(LaplaceBem, CollocationErrorFallsUnderRefinement) {
    const auto linear = [](double x, double) { return V2{x, 1, 0}; };
    const auto saddle = [](double x, double y) { return V2{x * x - y * y, 2 * x, -2 * y}; };
    for (V2 (*field)(double, double) : {+linear, +saddle})
        EXPECT_GT(std::log2(collocation_error(8, field) / collocation_error(16, field)), 1.3);
    test::ScreenCapture cap;  // a segment of zero length has no normal
    EXPECT_THROW(call_element(laplace_bem_c_d_2d, 2, 2, {1.5, 2, 1.5, 2}, {}), OrderlyStop);
    EXPECT_TRUE(cap.text.starts_with(" !!!!! ERROR, boundary segment of zero length (no normal)"));
}

}  // namespace
}  // namespace vetrix
