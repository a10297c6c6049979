// Tests of jacobian, globalshapeder, productovectorial: affine maps of both orientations, the
// warning and stop paths, the cross product.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "common/stops.hpp"
#include "element_harness.hpp"
#include "elements/jacobian.hpp"
#include "elements/simplex_shape.hpp"

namespace vetrix {
namespace {

using test::ScreenCapture;

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

TEST(Jacobian, AffineSimplicesOfBothOrientations) {
    const struct {
        int D;
        std::vector<double> X;
        double det;
    } cases[] = {
        {1, {2, 5}, 3},
        {1, {5, 2}, -3},
        {2, {1, 1, 4, 2, 2, 5}, 11},
        {2, {1, 1, 2, 5, 4, 2}, -11},
        {3, {0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4}, 24},
        {3, {0, 0, 0, 0, 3, 0, 2, 0, 0, 0, 0, 4}, -24},
        {3, {1, 0, 2, 3, 1, 1, 0, 2, 1, 1, 1, 5}, 18},  // rows (2,1,-1), (-1,2,-1), (0,1,3)
    };
    const double grad[3] = {3.0, -5.0, 7.0};  // of u = 2 + 3 x - 5 y + 7 z
    for (const auto& c : cases) {
        ScreenCapture cap;
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

TEST(Jacobian, ZeroDeterminantOrBadDimensionStops) {
    std::vector<double> G;
    ScreenCapture cap;
    EXPECT_THROW(run_jacobian(2, {0, 0, 1, 1, 2, 2}, G), OrderlyStop);  // collinear
    const std::string zero = " WARNING, Element Jacobian = 0\n";
    EXPECT_EQ(cap.text, zero + zero + zero);
    cap.text.clear();
    std::vector<double> dN(20), inv(16);
    real detJ = 0.0;
    EXPECT_THROW(jacobian(F2<real>(inv.data(), 4, 4), detJ, 4, 5, std::vector<double>(20, 1.0),
                          F2<const real>(dN.data(), 4, 5)),
                 OrderlyStop);
    const std::string first = " Invalid Case for Determinant of element\"s Jacobian\n";  // 50 + 2
    ASSERT_EQ(first.size(), 52u);
    EXPECT_EQ(cap.text.rfind(first + " Dimension of Simplex not contained in 1-3 ", 0), 0u);
    EXPECT_NE(cap.text.find(" 4\n WARNING, Jacobian of an element = 0\n"), std::string::npos);
}

TEST(Productovectorial, CrossProductAndNorm) {
    const double a[3] = {1, 2, 3}, b[3] = {4, 5, 6}, t[3] = {3, -4, 0}, ez[3] = {0, 0, 1};
    double c[3], norm = 0;
    productovectorial(F1<const real>(a, 3), F1<const real>(b, 3), F1<real>(c, 3), norm);
    EXPECT_EQ(std::vector<double>(c, c + 3), (std::vector<double>{-3, 6, -3}));
    EXPECT_DOUBLE_EQ(norm, std::sqrt(54.0));
    productovectorial(F1<const real>(t, 3), F1<const real>(ez, 3), F1<real>(c, 3), norm);
    EXPECT_EQ(norm, 5.0);
}

}  // namespace
}  // namespace vetrix
