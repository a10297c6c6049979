// Tests of jacobian, globalshapeder, productovectorial: affine maps of both orientations, the
// warning and stop paths, the cross product.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "common/screen.hpp"
#include "common/stops.hpp"
#include "elements/jacobian.hpp"
#include "elements/simplex_shape.hpp"

namespace vetrix {
namespace {

// Collects the screen lines written during its lifetime.
struct ScreenCapture {
    std::string text;
    ScreenCapture() { screen().capture(&text); }
    ~ScreenCapture() { screen().capture(nullptr); }
};

struct Simplex {
    int D;
    std::vector<double> X;  // vertices, node-major
    double det;             // expected determinant
};

TEST(Jacobian, AffineSimplicesOfBothOrientations) {
    const Simplex cases[] = {
        {1, {2.0, 5.0}, 3.0},
        {1, {5.0, 2.0}, -3.0},
        {2, {1, 1, 4, 2, 2, 5}, 11.0},    // counter-clockwise
        {2, {1, 1, 2, 5, 4, 2}, -11.0},   // the same triangle clockwise
        {2, {0, 0, 0, 1, 1, 0}, -1.0},
        {3, {0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4}, 24.0},
        {3, {0, 0, 0, 0, 3, 0, 2, 0, 0, 0, 0, 4}, -24.0},
        {3, {1, 0, 2, 3, 1, 1, 0, 2, 1, 1, 1, 5}, 18.0},  // rows (2,1,-1), (-1,2,-1), (0,1,3)
    };
    // u = 2 + 3 x - 5 y + 7 z: its nodal values must give back the gradient
    const double grad[3] = {3.0, -5.0, 7.0};
    for (const Simplex& s : cases) {
        const int D = s.D;
        const int n = D + 1;
        std::vector<double> dN(D * n), G(D * n), inv(D * D);
        const std::array<double, 3> xi{0.1, 0.2, 0.3};
        localshapeder(n, D, F2<real>(dN.data(), D, n), F1<const real>(xi.data(), D), 1, 0);
        ScreenCapture cap;
        real detJ = 0.0;
        jacobian(F2<real>(inv.data(), D, D), detJ, D, n, s.X, F2<const real>(dN.data(), D, n));
        EXPECT_DOUBLE_EQ(detJ, s.det) << "D=" << D;
        EXPECT_EQ(cap.text, detJ < 0 ? " !!!!! WARNING, Jacobian of an element < 0\n" : "");
        globalshapeder(n, D, F2<const real>(dN.data(), D, n), F2<real>(G.data(), D, n),
                       F2<const real>(inv.data(), D, D));
        for (int r = 0; r < D; ++r) {
            double g = 0.0;
            for (int a = 0; a < n; ++a) {
                double u = 2.0;
                for (int c = 0; c < D; ++c) u += grad[c] * s.X[D * a + c];
                g += G[D * a + r] * u;
            }
            EXPECT_NEAR(g, grad[r], 1e-13) << "D=" << D << " r=" << r;
        }
    }
}

TEST(Jacobian, ZeroDeterminantStopsAfterThreeWarnings) {
    const std::vector<double> X{0, 0, 1, 1, 2, 2};  // collinear
    std::vector<double> dN(6), inv(4);
    const std::array<double, 2> xi{0.3, 0.3};
    localshapeder(3, 2, F2<real>(dN.data(), 2, 3), F1<const real>(xi.data(), 2), 1, 0);
    ScreenCapture cap;
    real detJ = 5.0;
    EXPECT_THROW(jacobian(F2<real>(inv.data(), 2, 2), detJ, 2, 3, X,
                          F2<const real>(dN.data(), 2, 3)),
                 OrderlyStop);
    const std::string line = " WARNING, Element Jacobian = 0\n";
    EXPECT_EQ(cap.text, line + line + line);
}

TEST(Jacobian, DimensionOutsideOneToThreeStops) {
    const std::vector<double> X(20, 1.0);
    std::vector<double> dN(20), inv(16);
    ScreenCapture cap;
    real detJ = 0.0;
    EXPECT_THROW(jacobian(F2<real>(inv.data(), 4, 4), detJ, 4, 5, X,
                          F2<const real>(dN.data(), 4, 5)),
                 OrderlyStop);
    const std::string first = " Invalid Case for Determinant of element\"s Jacobian\n";
    ASSERT_EQ(first.size(), 52u);  // blank + 50 characters + end of line
    ASSERT_GT(cap.text.size(), first.size());
    EXPECT_EQ(cap.text.substr(0, first.size()), first);
    const std::string second = cap.text.substr(first.size(), cap.text.find('\n', first.size()) -
                                                                first.size());
    EXPECT_EQ(second.rfind(" Dimension of Simplex not contained in 1-3", 0), 0u);
    EXPECT_EQ(second.back(), '4');
    EXPECT_EQ(cap.text.substr(cap.text.size() - 37), " WARNING, Jacobian of an element = 0\n");
}

TEST(Productovectorial, CrossProductAndNorm) {
    const double a[3] = {1, 2, 3}, b[3] = {4, 5, 6}, ez[3] = {0, 0, 1}, t[3] = {3, -4, 0};
    double c[3], norm = 0;
    productovectorial(F1<const real>(a, 3), F1<const real>(b, 3), F1<real>(c, 3), norm);
    EXPECT_EQ(c[0], -3.0);
    EXPECT_EQ(c[1], 6.0);
    EXPECT_EQ(c[2], -3.0);
    EXPECT_DOUBLE_EQ(norm, std::sqrt(54.0));
    productovectorial(F1<const real>(t, 3), F1<const real>(ez, 3), F1<real>(c, 3), norm);
    EXPECT_EQ(norm, 5.0);
}

}  // namespace
}  // namespace vetrix
