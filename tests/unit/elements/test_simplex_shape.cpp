// Tests of sfsimplex, shapef, localshapeder: Kronecker property, partition of unity, bubbles,
// every derivative against finite differences, the cut-off of unused nodes.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "elements/simplex_shape.hpp"

namespace vetrix {
namespace {

using Point = std::array<double, 3>;
using Alpha = std::array<int, 3>;

struct Family {
    int D, order, bubble_degree;  // bubble_degree 0: no bubble after the Lagrange nodes
    std::vector<Point> nodes;
};
const Family kFamilies[] = {
    {1, 1, 2, {{0, 0, 0}, {1, 0, 0}}},
    {1, 2, 0, {{0, 0, 0}, {1, 0, 0}, {0.5, 0, 0}}},
    {2, 1, 3, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}},
    {2, 2, 3, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.5, 0, 0}, {0.5, 0.5, 0}, {0, 0.5, 0}}},
    {3, 1, 4, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
    {3,
     2,
     4,
     {{0, 0, 0},
      {1, 0, 0},
      {0, 1, 0},
      {0, 0, 1},
      {0.5, 0, 0},
      {0.5, 0.5, 0},
      {0, 0.5, 0},
      {0, 0, 0.5},
      {0.5, 0, 0.5},
      {0, 0.5, 0.5}}}};
const Point kSamples[] = {{0.2, 0.3, 0.1}, {0.05, 0.7, 0.15}, {0.6, 0.1, 0.25}};

double sf(const Point& xi, const Alpha& alpha, int order, int a, int D) {
    return sfsimplex(F1<const real>(xi.data(), D), F1<const integer>(alpha.data(), D), order, a, D);
}

TEST(Sfsimplex, NodalValuesPartitionOfUnityAndBubble) {
    for (const Family& f : kFamilies) {
        const int n = static_cast<int>(f.nodes.size());
        for (int a = 1; a <= n + 2; ++a) {
            for (int b = 1; b <= n; ++b) EXPECT_EQ(sf(f.nodes[b - 1], {}, f.order, a, f.D), a == b);
        }
        for (const Point& xi : kSamples) {
            double sum = 0.0;
            for (int a = 1; a <= n; ++a) sum += sf(xi, {}, f.order, a, f.D);
            EXPECT_NEAR(sum, 1.0, 1e-15) << "D=" << f.D << " order=" << f.order;
        }
        const double c = 1.0 / (f.D + 1);  // the bubble is 1 at the centroid
        EXPECT_NEAR(sf({c, c, c}, {}, f.order, n + 1, f.D), f.bubble_degree ? 1.0 : 0.0, 1e-15);
        // past the bubble: the bubble again (linear) or 0 (quadratic)
        EXPECT_EQ(sf({c, c, c}, {}, f.order, n + 2, f.D),
                  f.order == 1 ? sf({c, c, c}, {}, 1, n + 1, f.D) : 0.0);
    }
}

// Every derivative up to total order 4 against the central difference of the derivative one
// order lower; above the polynomial degree exactly 0.
TEST(Sfsimplex, DerivativesMatchFiniteDifferences) {
    const double h = 1e-5;
    for (const Family& f : kFamilies) {
        const int n = static_cast<int>(f.nodes.size());
        for (int a = 1; a <= n + (f.bubble_degree > 0); ++a) {
            const int degree = a > n ? f.bubble_degree : f.order;
            for (int code = 1; code < 125; ++code) {
                const Alpha alpha{code % 5, f.D > 1 ? code / 5 % 5 : 0, f.D > 2 ? code / 25 : 0};
                const int total = alpha[0] + alpha[1] + alpha[2],
                          r = alpha[0] ? 0 : (alpha[1] ? 1 : 2);
                if (total == 0 || total > 4 || (f.D < 3 && code >= 25) || (f.D < 2 && code >= 5))
                    continue;
                const Point& xi = kSamples[a % 3];
                const double d = sf(xi, alpha, f.order, a, f.D);
                Alpha lower = alpha;
                --lower[r];
                Point xp = xi, xm = xi;
                xp[r] += h;
                xm[r] -= h;
                const double fd =
                    (sf(xp, lower, f.order, a, f.D) - sf(xm, lower, f.order, a, f.D)) / (2 * h);
                EXPECT_NEAR(d, total > degree ? 0.0 : fd, 1e-6 * (1 + std::abs(d)))
                    << "D=" << f.D << " order=" << f.order << " a=" << a << " code=" << code;
                EXPECT_TRUE(total <= degree || d == 0.0);
            }
        }
    }
}

TEST(Sfsimplex, UnsupportedRequestsGiveZero) {
    const Point xi{0.2, 0.3, 0.1};
    EXPECT_EQ(sf(xi, {}, 3, 1, 2), 0.0);          // order 3
    EXPECT_EQ(sf(xi, {}, 2, 8, 2), 0.0);          // past the quadratic bubble
    EXPECT_EQ(sf(xi, {}, 2, 4, 1), 0.0);          // no quadratic bubble on the interval
    EXPECT_EQ(sf(xi, {}, 1, 0, 2), 0.0);          // node 0
    EXPECT_EQ(sf(xi, {-1, 0, 0}, 1, 1, 2), 0.0);  // negative order
    const std::array<double, 4> x4{0.1, 0.1, 0.1, 0.1};
    const std::array<int, 4> a4{};
    EXPECT_EQ(sfsimplex(F1<const real>(x4.data(), 4), F1<const integer>(a4.data(), 4), 1, 1, 4),
              0.0);
}

// Linear triangle with NNod past the vertices: the bubble only where NBubble allows it.
TEST(Shapef, LinearTriangleCutsOrKeepsTheBubble) {
    const Point xi{0.2, 0.3, 0};  // l0 = 0.5
    const double bubble = 27 * 0.5 * 0.2 * 0.3, dbubble = 27 * 0.3 * (0.5 - 0.2);
    for (auto [NNod, NBubble] : {std::pair{4, 0}, {4, 1}, {5, 1}}) {
        std::vector<double> N(NNod, -1.0), dN(2 * NNod, -1.0);
        shapef(NNod, 2, N, F1<const real>(xi.data(), 2), 1, NBubble);
        localshapeder(NNod, 2, F2<real>(dN.data(), 2, NNod), F1<const real>(xi.data(), 2), 1,
                      NBubble);
        std::vector<double> eN{0.5, 0.2, 0.3, NBubble ? bubble : 0.0},
            edN{-1, -1, 1, 0, 0, 1, NBubble ? dbubble : 0.0};
        if (NNod == 5) eN.push_back(0.0);
        for (int a = 0; a < NNod; ++a) EXPECT_NEAR(N[a], eN[a], 1e-15) << a;
        for (int k = 0; k < 7; ++k) EXPECT_NEAR(dN[k], edN[k], 1e-14) << k;
        EXPECT_TRUE(NNod < 5 || (dN[8] == 0.0 && dN[9] == 0.0));
    }
}

}  // namespace
}  // namespace vetrix
