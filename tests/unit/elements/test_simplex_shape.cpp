// Tests of sfsimplex, shapef, localshapeder: Kronecker property, partition of unity, bubbles,
// every derivative against finite differences, the cut-off of unused nodes.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "elements/simplex_shape.hpp"

namespace vetrix {
namespace {

using Point = std::array<double, 3>;

struct Family {
    int D, order;
    std::vector<Point> nodes;  // Lagrange nodes in incidence order (bubble not included)
    int bubble_degree;
};

const std::vector<Family>& families() {
    static const std::vector<Family> f = {
        {1, 1, {{0, 0, 0}, {1, 0, 0}}, 2},
        {1, 2, {{0, 0, 0}, {1, 0, 0}, {0.5, 0, 0}}, 0},
        {2, 1, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 3},
        {2, 2, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.5, 0, 0}, {0.5, 0.5, 0}, {0, 0.5, 0}}, 3},
        {3, 1, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 4},
        {3, 2, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.5, 0, 0}, {0.5, 0.5, 0},
                {0, 0.5, 0}, {0, 0, 0.5}, {0.5, 0, 0.5}, {0, 0.5, 0.5}}, 4},
    };
    return f;
}

double value(const Point& xi, const std::array<int, 3>& alpha, int order, int a, int D) {
    return sfsimplex(F1<const real>(xi.data(), D), F1<const integer>(alpha.data(), D), order, a, D);
}

const std::array<int, 3> kValue{0, 0, 0};
const std::vector<Point> kSamples = {{0.2, 0.3, 0.1}, {0.05, 0.7, 0.15}, {0.6, 0.1, 0.25}};

TEST(Sfsimplex, NodalValuesPartitionOfUnityAndBubble) {
    for (const Family& f : families()) {
        const int n = static_cast<int>(f.nodes.size());
        for (int a = 1; a <= n; ++a) {
            for (int b = 1; b <= n; ++b) {
                EXPECT_EQ(value(f.nodes[b - 1], kValue, f.order, a, f.D), a == b ? 1.0 : 0.0)
                    << "D=" << f.D << " order=" << f.order << " a=" << a << " node " << b;
            }
        }
        for (const Point& xi : kSamples) {
            double sum = 0.0;
            for (int a = 1; a <= n; ++a) sum += value(xi, kValue, f.order, a, f.D);
            EXPECT_NEAR(sum, 1.0, 1e-15) << "D=" << f.D << " order=" << f.order;
        }
        // the bubble follows the Lagrange nodes: zero at all of them, one at the centroid
        if (f.bubble_degree == 0) {
            EXPECT_EQ(value(kSamples[0], kValue, f.order, n + 1, f.D), 0.0);
            continue;
        }
        const double c = 1.0 / (f.D + 1);
        EXPECT_NEAR(value({c, c, c}, kValue, f.order, n + 1, f.D), 1.0, 1e-15);
        for (const Point& x : f.nodes) EXPECT_EQ(value(x, kValue, f.order, n + 1, f.D), 0.0);
        // linear families: every index past the vertices is the bubble; quadratic: zero
        const double next = value(kSamples[0], kValue, f.order, n + 2, f.D);
        EXPECT_EQ(next, f.order == 1 ? value(kSamples[0], kValue, 1, n + 1, f.D) : 0.0);
    }
}

// Every multi-index derivative up to total order 4, checked as a central difference of the
// derivative one order lower; above the polynomial degree the derivative is exactly 0.
TEST(Sfsimplex, DerivativesMatchFiniteDifferences) {
    const double h = 1e-5;
    for (const Family& f : families()) {
        const int n = static_cast<int>(f.nodes.size()) + (f.bubble_degree ? 1 : 0);
        for (int a = 1; a <= n; ++a) {
            const bool is_bubble = a > static_cast<int>(f.nodes.size());
            const int degree = is_bubble ? f.bubble_degree : f.order;
            for (int i1 = 0; i1 <= 4; ++i1)
                for (int i2 = 0; i2 <= (f.D >= 2 ? 4 : 0); ++i2)
                    for (int i3 = 0; i3 <= (f.D >= 3 ? 4 : 0); ++i3) {
                        const std::array<int, 3> alpha{i1, i2, i3};
                        const int total = i1 + i2 + i3;
                        if (total == 0 || total > 4) continue;
                        const Point& xi = kSamples[a % 3];
                        const double d = value(xi, alpha, f.order, a, f.D);
                        if (total > degree) {
                            EXPECT_EQ(d, 0.0);
                            continue;
                        }
                        const int r = i1 > 0 ? 0 : (i2 > 0 ? 1 : 2);
                        std::array<int, 3> lower = alpha;
                        --lower[r];
                        Point xp = xi, xm = xi;
                        xp[r] += h;
                        xm[r] -= h;
                        const double fd = (value(xp, lower, f.order, a, f.D) -
                                           value(xm, lower, f.order, a, f.D)) / (2 * h);
                        EXPECT_NEAR(d, fd, 1e-6 * (1.0 + std::abs(d)))
                            << "D=" << f.D << " order=" << f.order << " a=" << a << " alpha="
                            << i1 << i2 << i3;
                    }
        }
    }
}

TEST(Sfsimplex, UnsupportedRequestsGiveZero) {
    const Point xi{0.2, 0.3, 0.1};
    EXPECT_EQ(value(xi, kValue, 3, 1, 2), 0.0);      // order 3
    EXPECT_EQ(value(xi, kValue, 2, 8, 2), 0.0);      // beyond the quadratic bubble
    EXPECT_EQ(value(xi, kValue, 2, 4, 1), 0.0);      // no quadratic bubble on the interval
    EXPECT_EQ(value(xi, kValue, 1, 0, 2), 0.0);      // node 0
    EXPECT_EQ(value(xi, {-1, 0, 0}, 1, 1, 2), 0.0);  // negative order
    const std::array<double, 4> x4{0.1, 0.1, 0.1, 0.1};
    const std::array<int, 4> a4{};
    EXPECT_EQ(sfsimplex(F1<const real>(x4.data(), 4), F1<const integer>(a4.data(), 4), 1, 1, 4),
              0.0);
}

TEST(Shapef, LinearTriangleCutsOrKeepsTheBubble) {
    const Point xi{0.2, 0.3, 0};
    const double bubble = 27 * 0.5 * 0.2 * 0.3;
    struct Case {
        int NNod, NBubble;
        std::vector<double> expected;
    };
    const Case cases[] = {
        {4, 0, {0.5, 0.2, 0.3, 0.0}},
        {4, 1, {0.5, 0.2, 0.3, bubble}},
        {5, 1, {0.5, 0.2, 0.3, bubble, 0.0}},
    };
    for (const Case& c : cases) {
        std::vector<double> N(c.NNod, -1.0);
        shapef(c.NNod, 2, N, F1<const real>(xi.data(), 2), 1, c.NBubble);
        for (int a = 0; a < c.NNod; ++a) EXPECT_NEAR(N[a], c.expected[a], 1e-15) << a;
        std::vector<double> dN(2 * c.NNod, -1.0);
        localshapeder(c.NNod, 2, F2<real>(dN.data(), 2, c.NNod), F1<const real>(xi.data(), 2), 1,
                      c.NBubble);
        EXPECT_EQ(dN[0], -1.0);
        EXPECT_EQ(dN[5], 1.0);
        // d bubble / d xi1 = 27 xi2 (l0 - xi1), or 0 when the bubble is cut
        EXPECT_NEAR(dN[6], c.NBubble == 1 ? 27 * 0.3 * (0.5 - 0.2) : 0.0, 1e-14);
        if (c.NNod == 5) {
            EXPECT_EQ(dN[8], 0.0);
        }
    }
}

TEST(Shapef, QuadraticTriangleHandValues) {
    // at (0.2, 0.3): l0 = 0.5, l1 = 0.2, l2 = 0.3
    const Point xi{0.2, 0.3, 0};
    std::vector<double> N(6), dN(12);
    shapef(6, 2, N, F1<const real>(xi.data(), 2), 2, 0);
    localshapeder(6, 2, F2<real>(dN.data(), 2, 6), F1<const real>(xi.data(), 2), 2, 0);
    const double eN[6] = {0.0, 0.2 * (0.4 - 1), 0.3 * (0.6 - 1), 0.4, 0.24, 0.6};
    // columns (d/dxi1, d/dxi2) per node
    const double edN[12] = {-1, -1, 4 * 0.2 - 1, 0, 0, 4 * 0.3 - 1, 4 * (0.5 - 0.2), -0.8,
                            1.2,  0.8, -1.2,  4 * (0.5 - 0.3)};
    for (int a = 0; a < 6; ++a) EXPECT_NEAR(N[a], eN[a], 1e-15) << a;
    for (int k = 0; k < 12; ++k) EXPECT_NEAR(dN[k], edN[k], 1e-15) << k;
}

}  // namespace
}  // namespace vetrix
