// Tests of directf, directg and the Laplace boundary elements: segment integrals against adaptive
// Gauss-Legendre quadrature of the kernels, element matrices, and a collocation solve of harmonic
// data on polygons that must converge under refinement.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <utility>

#include "common/process_state.hpp"
#include "common/stops.hpp"
#include "element_harness.hpp"
#include "elements/laplace_bem.hpp"

namespace vetrix {
namespace {

using test::call_element;
using V2 = std::vector<double>;
const double pi = std::acos(-1.0);

const auto F = [](const V2& p, const V2& a, const V2& b) { return directf(2, p, a, b); };
const auto G = [](const V2& p, const V2& a, const V2& b) { return directg(2, p, a, b); };

// Gauss-Legendre points and weights on [-1, 1] by Newton's method on P_n.
std::vector<std::pair<double, double>> gauss_legendre(int n) {
    std::vector<std::pair<double, double>> rule;
    for (int i = 1; i <= n; ++i) {
        double x = std::cos(pi * (i - 0.25) / (n + 0.5)), dp = 1.0;
        for (int it = 0; it < 50; ++it) {
            double p0 = 1.0, p1 = x;
            for (int k = 2; k <= n; ++k)
                std::tie(p0, p1) = std::pair(p1, ((2 * k - 1) * x * p1 - (k - 1) * p0) / k);
            dp = n * (x * p1 - p0) / (x * x - 1.0);
            x -= p1 / dp;
        }
        rule.emplace_back(x, 2.0 / ((1.0 - x * x) * dp * dp));
    }
    return rule;
}

// Adaptive bisection: a 12-point rule on [lo, hi] against the same rule on its halves.
double integrate(const std::function<double(double)>& f, double lo, double hi, int depth = 0) {
    static const auto rule = gauss_legendre(12);
    if (!(hi > lo)) return 0.0;
    auto gl = [&](double l, double h) {
        double s = 0.0;
        for (auto [x, w] : rule) s += w * f(0.5 * (l + h) + 0.5 * (h - l) * x);
        return 0.5 * (h - l) * s;
    };
    const double mid = 0.5 * (lo + hi), halves = gl(lo, mid) + gl(mid, hi);
    if (std::abs(gl(lo, hi) - halves) < 1e-14 * (1 + std::abs(halves)) || depth > 50) return halves;
    return integrate(f, lo, mid, depth + 1) + integrate(f, mid, hi, depth + 1);
}

// Kernel integrals over a -> b seen from p: single layer -ln r / (2 pi) and its derivative along
// the normal (t_y, -t_x) / L, split where p projects onto the segment.
std::pair<double, double> quadrature_fg(const V2& p, const V2& a, const V2& b) {
    const double L = std::hypot(b[0] - a[0], b[1] - a[1]);
    const double tx = (b[0] - a[0]) / L, ty = (b[1] - a[1]) / L;
    const double foot = std::clamp((p[0] - a[0]) * tx + (p[1] - a[1]) * ty, 0.0, L);
    auto kernel = [&](bool normal_derivative) {
        return [&, normal_derivative](double s) {
            const double dx = a[0] + s * tx - p[0], dy = a[1] + s * ty - p[1],
                         r2 = dx * dx + dy * dy;
            return normal_derivative ? -(dx * ty - dy * tx) / (2 * pi * r2)
                                     : -std::log(r2) / (4 * pi);
        };
    };
    auto both = [&](bool nd) {
        return integrate(kernel(nd), 0.0, foot) + integrate(kernel(nd), foot, L);
    };
    return {both(true), both(false)};
}

TEST(DirectSegmentIntegrals, AgreeWithQuadratureOfTheKernels) {
    const std::pair<V2, V2> segments[] = {
        {{0, 0}, {1, 0}}, {{1, 2}, {-0.5, 3}}, {{3, -1}, {3, -1.25}}};
    // p = a + s t + e L n: far, near either side, beyond the ends, on the line, behind
    const std::pair<double, double> points[] = {
        {0.3, 40}, {-30, -25}, {0.5, 1e-3}, {0.5, -1e-3}, {1.001, 1e-3}, {-1e-3, 2e-3},
        {1.5, 0},  {-2, 0},    {0.2, -0.7}, {0.9, 0.05},  {0.5, 0},      {0, 0}};
    for (const auto& [a, b] : segments) {
        const double tx = b[0] - a[0], ty = b[1] - a[1];
        for (auto [s, e] : points) {
            const V2 p{a[0] + s * tx + e * ty, a[1] + s * ty - e * tx};
            const auto [fq, gq] = quadrature_fg(p, a, b);
            const bool on_segment = e == 0 && s >= 0 && s <= 1;  // F there is a one-sided limit
            if (!on_segment) {
                EXPECT_NEAR(F(p, a, b), fq, 1e-12) << s << " " << e;
                EXPECT_NEAR(F(p, b, a), -fq, 1e-12);  // reversed: the normal and F flip
            }
            EXPECT_NEAR(G(p, a, b), gq, 1e-12 * std::max(1.0, std::abs(gq))) << s << " " << e;
            EXPECT_NEAR(G(p, b, a), gq, 1e-12 * std::max(1.0, std::abs(gq)));
        }
    }
}

TEST(DirectSegmentIntegrals, LineMidpointEndsAndZeroLength) {
    const V2 a{0, 0}, b{2, 0};
    EXPECT_EQ(F({2.5, 0}, a, b), 0.0);  // on the line beyond either end
    EXPECT_EQ(F({-1, 0}, a, b), 0.0);
    EXPECT_EQ(F({0.5, 0}, a, b), -0.5);  // inside: the limit from the side away from the normal
    EXPECT_NEAR(F({0.5, 1e-12}, a, b), -0.5, 1e-11);
    EXPECT_NEAR(F({0.5, -1e-12}, a, b), 0.5, 1e-11);
    EXPECT_EQ(F({0, 0}, a, b), 0.0);  // at an end
    EXPECT_NEAR(G({0, 0}, a, b), 2 * (1 - std::log(2.0)) / (2 * pi), 1e-15);
    EXPECT_NEAR(G({2, 0}, a, b), 2 * (1 - std::log(2.0)) / (2 * pi), 1e-15);
    EXPECT_EQ(F({1, 1}, {3, 3}, {3, 3}), 0.0);
    EXPECT_EQ(G({3, 3}, {3, 3}, {3, 3}), 0.0);
    // own midpoint: L (1 - ln(L / 2)) / (2 pi)
    for (double L : {1.0, 2.0, 0.01, 37.5}) {
        for (double angle : {0.0, 0.7, 2.0, -2.9}) {
            const V2 x1{1.25, -0.5}, x2{x1[0] + L * std::cos(angle), x1[1] + L * std::sin(angle)};
            const V2 mid{0.5 * (x1[0] + x2[0]), 0.5 * (x1[1] + x2[1])};
            EXPECT_NEAR(G(mid, x1, x2), L * (1 - std::log(L / 2)) / (2 * pi),
                        1e-14 * std::max(1.0, L));
        }
    }
}

TEST(LaplaceBem, ElementMatricesHoldTheSegmentIntegrals) {
    const V2 x1{0.1, 0.2}, x2{1.3, -0.4}, x3{2.0, 1.0}, x4{0.5, 1.7};
    const V2 pa{0.7, -0.1}, pb{1.25, 1.35};
    for (int NDof : {2, 3}) {
        const int uA = 1, qA = 2, uB = 2 * NDof + 1, qB = 2 * NDof + 2;
        const auto self = call_element(laplace_bem_c_d_2d, 2, NDof, {0.1, 0.2, 1.3, -0.4}, {});
        const auto mutual = call_element(laplace_bem_c_m_2d, 2, NDof,
                                         {0.1, 0.2, 1.3, -0.4, 2.0, 1.0, 0.5, 1.7}, {});
        const auto swapped = call_element(laplace_bem_c_m_2d, 2, NDof,
                                          {2.0, 1.0, 0.5, 1.7, 0.1, 0.2, 1.3, -0.4}, {});
        for (int l = 1; l <= mutual.n; ++l) {
            const bool rowA = l == uA || l == qA, rowB = l == uB || l == qB;
            for (int m = 1; m <= mutual.n; ++m) {
                double s = 0.0, e = 0.0;
                if (l <= self.n && m <= self.n && rowA)
                    s = m == uA ? 0.5 : m == qA ? -G(pa, x1, x2) : 0.0;
                if (rowA) e = m == uB ? F(pa, x3, x4) : m == qB ? -G(pa, x3, x4) : 0.0;
                if (rowB) e = m == uA ? F(pb, x1, x2) : m == qA ? -G(pb, x1, x2) : 0.0;
                if (l <= self.n && m <= self.n) {
                    EXPECT_NEAR(self.ae(l, m), s, 1e-14) << l << " " << m;
                }
                EXPECT_NEAR(mutual.ae(l, m), e, 1e-14) << l << " " << m;
                // A and B exchanged: the same blocks in exchanged positions
                const int l2 = l > 2 * NDof ? l - 2 * NDof : l + 2 * NDof,
                          m2 = m > 2 * NDof ? m - 2 * NDof : m + 2 * NDof;
                EXPECT_EQ(swapped.ae(l2, m2), mutual.ae(l, m));
            }
            EXPECT_EQ(mutual.be(l), 0.0);
        }
    }
}

TEST(LaplaceBem, MeshesTheElementsCannotTakeStopInOrder) {
    struct Case {
        ElementRoutine f;
        int NDim, NDof, element;
        V2 XE;
        std::string first_line;
    };
    const std::string zero = " !!!!! ERROR, boundary segment of zero length (no normal)";
    const std::string layout = " !!!!! ERROR, Laplace boundary element needs ";
    // clang-format off
    const Case cases[] = {
        {laplace_bem_c_d_2d, 2, 2, 0, {1.5, 2, 1.5, 2}, zero},
        {laplace_bem_c_m_2d, 2, 2, 17, {0, 0, 1, 0, 4, -1, 4, -1}, zero + " in element          17"},
        {laplace_bem_c_m_2d, 2, 2, 3, {0, 0, 0, 0, 1, 0, 2, 0}, zero + " in element           3"},
        {laplace_bem_c_d_2d, 2, 1, 0, {0, 0, 1, 0}, layout + "NDim = 2 and NDof >= 2, found           2           1"},
        {laplace_bem_c_d_2d, 3, 2, 0, {0, 0, 0, 1, 0, 0}, layout + "NDim = 2 and NDof >= 2, found           3           2"},
        {laplace_bem_c_m_2d, 2, 2, 0, {0, 0, 1, 0, 2, 0}, layout + "          4 nodes, found           3"},
    };
    // clang-format on
    for (const Case& c : cases) {
        test::ScreenCapture cap;
        current_element = c.element;
        EXPECT_THROW(call_element(c.f, c.NDim, c.NDof, c.XE, {}), OrderlyStop);
        current_element = 0;
        EXPECT_EQ(cap.text.substr(0, cap.text.find('\n')), c.first_line);
        if (c.first_line.starts_with(zero)) {
            EXPECT_EQ(cap.text.find("\n segment from"), c.first_line.size());  // then the ends
        }
    }
}

// Dense solve with partial pivoting; A is n x n by rows.
V2 dense_solve(std::vector<V2> A, V2 b) {
    const size_t n = b.size();
    for (size_t k = 0; k < n; ++k) {
        size_t piv = k;
        for (size_t i = k + 1; i < n; ++i) {
            if (std::abs(A[i][k]) > std::abs(A[piv][k])) piv = i;
        }
        std::swap(A[k], A[piv]);
        std::swap(b[k], b[piv]);
        for (size_t i = k + 1; i < n; ++i) {
            const double f = A[i][k] / A[k][k];
            for (size_t j = k; j < n; ++j) A[i][j] -= f * A[k][j];
            b[i] -= f * b[k];
        }
    }
    for (size_t k = n; k-- > 0;) {
        for (size_t j = k + 1; j < n; ++j) b[k] -= A[k][j] * b[j];
        b[k] /= A[k][k];
    }
    return b;
}

// Closed counter-clockwise polygon with harmonic u (u_grad gives u, u_x, u_y): the potential is
// prescribed on the segments whose midpoint satisfies `dirichlet`, the flux elsewhere. Assembled
// as the dispatch does: one self element per segment, one mutual element per pair, u and q in
// slots 1 and 2 of each segment's first node, element rows added into the free row, prescribed
// rows kept as identities. Returns the largest error of the unknowns at the midpoints and the
// sum of the errors times the segment lengths.
using Field = V2 (*)(double, double);
std::pair<double, double> collocation_error(const std::vector<V2>& X, Field u_grad,
                                            bool (*dirichlet)(const V2&)) {
    const int n = static_cast<int>(X.size());
    std::vector<V2> A(2 * n, V2(2 * n, 0.0)), mid(n);
    V2 rhs(2 * n, 0.0), exact(2 * n), L(n);
    std::vector<bool> prescribed(2 * n);
    auto next = [n](int i) { return (i + 1) % n; };
    for (int i = 0; i < n; ++i) {
        const V2 &a = X[i], &b = X[next(i)];
        mid[i] = {0.5 * (a[0] + b[0]), 0.5 * (a[1] + b[1])};
        L[i] = std::hypot(b[0] - a[0], b[1] - a[1]);
        const V2 ug = u_grad(mid[i][0], mid[i][1]);
        exact[2 * i] = ug[0];
        exact[2 * i + 1] = (ug[1] * (b[1] - a[1]) - ug[2] * (b[0] - a[0])) / L[i];  // grad u . n
        const int known = dirichlet(mid[i]) ? 2 * i : 2 * i + 1;
        prescribed[known] = true;
        A[known][known] = 1.0;
        rhs[known] = exact[known];
    }
    auto add = [&](ElementRoutine f, const std::vector<int>& el) {
        V2 XE;
        for (int k : el) XE.insert(XE.end(), X[k].begin(), X[k].end());
        const auto r = call_element(f, 2, 2, XE, {});
        for (size_t l = 0; l < 2 * el.size(); ++l) {
            const int row = 2 * el[l / 2] + l % 2;
            if (prescribed[row]) continue;
            for (size_t m = 0; m < 2 * el.size(); ++m) {
                A[row][2 * el[m / 2] + m % 2] += r.ae(l + 1, m + 1);
            }
        }
    };
    for (int i = 0; i < n; ++i) {
        add(laplace_bem_c_d_2d, {i, next(i)});
        double closure = 0.5;  // u = 1, q = 0 solves every row: 1/2 + sum F = 0
        for (int j = 0; j < n; ++j) {
            if (j > i) add(laplace_bem_c_m_2d, {i, next(i), j, next(j)});
            if (j != i) closure += F(mid[i], X[j], X[next(j)]);
        }
        EXPECT_NEAR(closure, 0.0, 1e-12);
    }
    const V2 x = dense_solve(A, rhs);
    std::pair<double, double> err{0.0, 0.0};
    for (int k = 0; k < 2 * n; ++k) {
        err.first = std::max(err.first, std::abs(x[k] - exact[k]));
        err.second += std::abs(x[k] - exact[k]) * L[k / 2];
    }
    return err;
}

std::vector<V2> square(int m) {  // unit square, m segments a side
    std::vector<V2> X;
    const double c[5][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};
    for (int s = 0; s < 4; ++s) {
        for (int k = 0; k < m; ++k) {
            X.push_back({c[s][0] + (c[s + 1][0] - c[s][0]) * k / m,
                         c[s][1] + (c[s + 1][1] - c[s][1]) * k / m});
        }
    }
    return X;
}

std::vector<V2> polygon(int m) {  // regular 4m-gon in the unit circle
    std::vector<V2> X;
    for (int k = 0; k < 4 * m; ++k)
        X.push_back({std::cos(pi * k / (2 * m)), std::sin(pi * k / (2 * m))});
    return X;
}

const auto linear = [](double x, double) { return V2{x, 1, 0}; };  // u, u_x, u_y
const auto saddle = [](double x, double y) { return V2{x * x - y * y, 2 * x, -2 * y}; };
const auto top_or_bottom = [](const V2& p) { return p[1] < 1e-9 || p[1] > 1 - 1e-9; };
const auto upper_half = [](const V2& p) { return p[1] > 0; };

TEST(LaplaceBem, CollocationErrorFallsUnderRefinement) {
    // On the square the flux beside a corner keeps an error of its own size (constant elements
    // meet a corner unsymmetrically), so only the integrated error falls there.
    struct Case {
        const char* name;
        std::vector<V2> (*mesh)(int);
        bool (*dirichlet)(const V2&);
        Field field;
        double min_order_max, min_order_integral;
    } cases[] = {
        {"square, u = x", square, top_or_bottom, linear, -1.0, 0.85},
        {"square, u = x^2 - y^2", square, top_or_bottom, saddle, -1.0, 0.85},
        {"polygon, u = x", polygon, upper_half, linear, 1.3, 1.8},
        {"polygon, u = x^2 - y^2", polygon, upper_half, saddle, 1.3, 1.8},
    };
    for (const Case& c : cases) {
        std::pair<double, double> prev{0.0, 0.0}, order{0.0, 0.0};
        for (int m : {4, 8, 16, 32}) {
            const auto err = collocation_error(c.mesh(m), c.field, c.dirichlet);
            if (m > 4)
                order = {std::log2(prev.first / err.first), std::log2(prev.second / err.second)};
            std::printf(
                "%-22s %3d segments: max error %.3e (order %5.2f), integrated %.3e (order %5.2f)\n",
                c.name, 4 * m, err.first, order.first, err.second, order.second);
            prev = err;
        }
        EXPECT_GT(order.first, c.min_order_max) << c.name;
        EXPECT_GT(order.second, c.min_order_integral) << c.name;
    }
}

}  // namespace
}  // namespace vetrix
