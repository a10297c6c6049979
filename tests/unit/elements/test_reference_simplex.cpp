// Tests of the reference simplex: gaussrule exactness on monomials; sfsimplex nodal values,
// partition of unity and derivatives; jacobian and globalshapeder on affine maps of both
// orientations.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "common/stops.hpp"
#include "element_harness.hpp"
#include "elements/jacobian.hpp"
#include "elements/quadrature.hpp"
#include "elements/simplex_shape.hpp"

namespace vetrix {
namespace {

// Integrals of x^e1 y^e2 z^e3 up to the rule's degree against e1! e2! e3! / (|e| + D)! on the
// simplex, 2 / (e1 + 1) or 0 on [-1, 1] (family 1); tol is the precision of the rule's constants.
void check_monomials(int D, int NPG, int family, int degree, double tol) {
    std::vector<double> p(D * NPG), w(NPG);
    gaussrule(F2<real>(p.data(), D, NPG), w, D, NPG, family);
    for (int e1 = 0; e1 <= degree; ++e1)
        for (int e2 = 0; e2 <= (D > 1) * (degree - e1); ++e2)
            for (int e3 = 0; e3 <= (D > 2) * (degree - e1 - e2); ++e3) {
                double q = 0.0;
                for (int k = 0; k < NPG; ++k)
                    q += w[k] * std::pow(p[D * k], e1) * (D > 1 ? std::pow(p[D * k + 1], e2) : 1) *
                         (D > 2 ? std::pow(p[D * k + 2], e3) : 1);
                const double exact = family == 1 ? (e1 % 2 ? 0.0 : 2.0 / (e1 + 1))
                                                 : std::tgamma(e1 + 1.) * std::tgamma(e2 + 1.) *
                                                       std::tgamma(e3 + 1.) /
                                                       std::tgamma(e1 + e2 + e3 + D + 1.);
                EXPECT_NEAR(q, exact, tol) << "D=" << D << " NPG=" << NPG << " family=" << family
                                           << " e=" << e1 << e2 << e3;
            }
}

TEST(Gaussrule, IntegratesMonomialsOfItsDegree) {
    const double d = 2e-15, s = 2e-7;  // double constants; floats move x^m by up to m 3e-8
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 20, 40})
        check_monomials(1, n, 0, 2 * n - 1, n < 5 ? d : n < 20 ? s : n / 2.5 * s);
    for (int n : {1, 2, 3, 4}) check_monomials(1, n, 1, 2 * n - 1, 4 * d);
    const int simplex_rules[][3] = {{2, 1, 1},  {2, 3, 2}, {2, 4, 3}, {2, 6, 4}, {2, 7, 5},
                                    {2, 13, 7}, {3, 1, 1}, {3, 4, 2}, {3, 5, 3}, {3, 11, 4}};
    for (const auto& r : simplex_rules)
        check_monomials(r[0], r[1], 0, r[2], r[1] == 4 && r[0] == 3 ? 1e-7 : 5 * d);
}

// From five points on, interval rules hold single-precision constants.
TEST(Gaussrule, IntervalRulesFromFivePointsHoldSinglePrecisionConstants) {
    for (int n : {4, 5, 13, 40}) {
        std::vector<double> p(n), w(n);
        gaussrule(F2<real>(p.data(), 1, n), w, 1, n, 0);
        const double x = 2.0 * p[0] - 1.0;  // exact: the map only shifts and halves
        EXPECT_EQ(float(x) == x && float(w[0]) == w[0], n >= 5) << n;
    }
}

using Point = std::array<double, 3>;
using Alpha = std::array<int, 3>;

struct Family {
    int D, order, bubble_degree;  // bubble_degree 0: no bubble after the Lagrange nodes
};
const Family kFamilies[] = {{1, 1, 2}, {1, 2, 0}, {2, 1, 3}, {2, 2, 3}, {3, 1, 4}, {3, 2, 4}};

// Vertices, then for order 2 the midpoints of the edges (0,1), (1,2), (2,0), (0,3), (1,3), (2,3).
std::vector<Point> lagrange_nodes(const Family& f) {
    std::vector<Point> x(f.D + 1, Point{});
    for (int c = 0; c < f.D; ++c) x[c + 1][c] = 1.0;
    const int edges[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
    for (int e = 0; f.order == 2 && e < (f.D == 1 ? 1 : 3 * f.D - 3); ++e)
        x.push_back({0.5 * (x[edges[e][0]][0] + x[edges[e][1]][0]),
                     0.5 * (x[edges[e][0]][1] + x[edges[e][1]][1]),
                     0.5 * (x[edges[e][0]][2] + x[edges[e][1]][2])});
    return x;
}
const Point kSamples[] = {{0.2, 0.3, 0.1}, {0.05, 0.7, 0.15}, {0.6, 0.1, 0.25}};

double sf(const Point& xi, const Alpha& alpha, const Family& f, int a) {
    return sfsimplex(F1<const real>(xi.data(), f.D), F1<const integer>(alpha.data(), f.D), f.order,
                     a, f.D);
}

// Kronecker property at the nodes, sum 1 inside, bubble 1 at the centroid; every derivative up
// to total order 3 against the central difference of the one an order lower (0 above the
// polynomial degree).
TEST(Sfsimplex, NodalValuesPartitionOfUnityAndDerivatives) {
    const double h = 1e-5;
    for (const Family& f : kFamilies) {
        const std::vector<Point> nodes = lagrange_nodes(f);
        const int n = static_cast<int>(nodes.size());
        for (int a = 1; a <= n; ++a)
            for (int b = 1; b <= n; ++b) EXPECT_EQ(sf(nodes[b - 1], {}, f, a), a == b);
        for (const Point& xi : kSamples) {
            double sum = 0.0;
            for (int a = 1; a <= n; ++a) sum += sf(xi, {}, f, a);
            EXPECT_NEAR(sum, 1.0, 1e-15) << "D=" << f.D << " order=" << f.order;
        }
        const double c = 1.0 / (f.D + 1);
        EXPECT_NEAR(sf({c, c, c}, {}, f, n + 1), f.bubble_degree ? 1.0 : 0.0, 1e-15);
        for (int a = 1; a <= n + (f.bubble_degree > 0); ++a)
            for (int code = 1; code < (f.D == 1 ? 4 : f.D == 2 ? 16 : 64); ++code) {
                const Alpha alpha{code % 4, code / 4 % 4, code / 16};
                const int total = alpha[0] + alpha[1] + alpha[2];
                const int r = alpha[0] ? 0 : (alpha[1] ? 1 : 2);  // direction of the difference
                if (total > 3) continue;
                const Point& xi = kSamples[a % 3];
                Alpha lower = alpha;
                --lower[r];
                Point xp = xi, xm = xi;
                xp[r] += h, xm[r] -= h;
                const double d = sf(xi, alpha, f, a),
                             fd = (sf(xp, lower, f, a) - sf(xm, lower, f, a)) / (2 * h);
                EXPECT_TRUE(total <= (a > n ? f.bubble_degree : f.order) || d == 0.0);
                EXPECT_NEAR(d, fd, 1e-6 * (1 + std::abs(d)))
                    << "D=" << f.D << " order=" << f.order << " a=" << a << " code=" << code;
            }
    }
}

// Runs jacobian on the linear simplex with vertices X; returns det and fills G (global
// derivatives of the D + 1 shape functions).
double run_jacobian(int D, const std::vector<double>& X, std::vector<double>& G) {
    const int n = D + 1;
    std::vector<double> dN(D * n), inv(D * D);
    G.assign(D * n, 0.0);
    const std::array<double, 3> xi{0.1, 0.2, 0.3};
    localshapeder(n, D, F2<real>(dN.data(), D, n), F1<const real>(xi.data(), D), 1, 0);
    real detJ = 0.0;
    jacobian(F2<real>(inv.data(), D, D), detJ, D, n, X, F2<const real>(dN.data(), D, n));
    globalshapeder(n, D, F2<const real>(dN.data(), D, n), F2<real>(G.data(), D, n),
                   F2<const real>(inv.data(), D, D));
    return detJ;
}

// The gradient of u = 2 + 3 x - 5 y + 7 z is recovered from its vertex values.
TEST(Jacobian, AffineSimplicesOfBothOrientations) {
    const struct {
        int D;
        std::vector<double> X;
        double det;
    } cases[] = {
        {1, {2, 5}, 3},
        {1, {5, 2}, -3},
        {2, {1, 1, 4, 2, 2, 5}, 11},
        {2, {1, 1, 2, 5, 4, 2}, -11},  // clockwise
        {3, {0, 0, 0, 0, 3, 0, 2, 0, 0, 0, 0, 4}, -24},
        {3, {1, 0, 2, 3, 1, 1, 0, 2, 1, 1, 1, 5}, 18},  // rows (2,1,-1), (-1,2,-1), (0,1,3)
    };
    const double grad[3] = {3.0, -5.0, 7.0};
    for (const auto& c : cases) {
        test::ScreenCapture cap;
        std::vector<double> G;
        EXPECT_DOUBLE_EQ(run_jacobian(c.D, c.X, G), c.det);
        EXPECT_EQ(cap.text, c.det < 0 ? " !!!!! WARNING, Jacobian of an element < 0\n" : "");
        for (int r = 0; r < c.D; ++r) {
            double g = 0.0;
            for (int a = 0; a <= c.D; ++a) {
                double u = 2.0;
                for (int k = 0; k < c.D; ++k) u += grad[k] * c.X[c.D * a + k];
                g += G[c.D * a + r] * u;
            }
            EXPECT_NEAR(g, grad[r], 1e-13) << "D=" << c.D << " det=" << c.det;
        }
    }
}

TEST(Jacobian, ZeroDeterminantStops) {
    std::vector<double> G;
    test::ScreenCapture cap;
    EXPECT_THROW(run_jacobian(2, {0, 0, 1, 1, 2, 2}, G), OrderlyStop);  // collinear
    const std::string zero = " WARNING, Element Jacobian = 0\n";
    EXPECT_EQ(cap.text, zero + zero + zero);
}

}  // namespace
}  // namespace vetrix
