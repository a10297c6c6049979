// Tests of gaussrule: exactness on monomials, weight sums, single-precision constants.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "elements/quadrature.hpp"

namespace vetrix {
namespace {

struct Rule {
    integer D, NPG, family, degree;
    double tol;  // absolute error allowed on a monomial integral (precision of the constants)
};

// Exact integral of x1^e1 x2^e2 x3^e3 over the reference simplex: e1! e2! e3! / (|e| + D)!.
double simplex_monomial(int D, int e1, int e2, int e3) {
    double num = std::tgamma(e1 + 1.0) * std::tgamma(e2 + 1.0) * std::tgamma(e3 + 1.0);
    return num / std::tgamma(e1 + e2 + e3 + D + 1.0);
}

// Integrates every monomial of total degree <= degree; returns the largest error.
double max_monomial_error(const Rule& r, const std::vector<double>& p, const std::vector<double>& w) {
    double worst = 0.0;
    const int e2max = r.D >= 2 ? r.degree : 0;
    const int e3max = r.D >= 3 ? r.degree : 0;
    for (int e1 = 0; e1 <= r.degree; ++e1) {
        for (int e2 = 0; e2 <= e2max && e1 + e2 <= r.degree; ++e2) {
            for (int e3 = 0; e3 <= e3max && e1 + e2 + e3 <= r.degree; ++e3) {
                double q = 0.0;
                for (int k = 0; k < r.NPG; ++k) {
                    double f = std::pow(p[r.D * k], e1);
                    if (r.D >= 2) f *= std::pow(p[r.D * k + 1], e2);
                    if (r.D >= 3) f *= std::pow(p[r.D * k + 2], e3);
                    q += w[k] * f;
                }
                // Gauss-Legendre on [-1, 1]: odd powers vanish, even ones give 2 / (e + 1)
                const double exact = r.family == 1 ? (e1 % 2 ? 0.0 : 2.0 / (e1 + 1))
                                                   : simplex_monomial(r.D, e1, e2, e3);
                worst = std::max(worst, std::abs(q - exact));
            }
        }
    }
    return worst;
}

TEST(Gaussrule, IntegratesMonomialsOfItsDegree) {
    const double dbl = 2e-15;
    const double sgl = 2e-7;  // a float node moves x^m by at most m 3e-8
    const Rule rules[] = {
        {1, 1, 0, 1, dbl},   {1, 2, 0, 3, dbl},   {1, 3, 0, 5, dbl},   {1, 4, 0, 7, dbl},
        {1, 5, 0, 9, sgl},   {1, 6, 0, 11, sgl},  {1, 7, 0, 13, sgl},  {1, 8, 0, 15, sgl},
        {1, 9, 0, 17, sgl},  {1, 10, 0, 19, sgl}, {1, 11, 0, 21, sgl}, {1, 12, 0, 23, sgl},
        {1, 13, 0, 25, sgl}, {1, 20, 0, 39, 1.5e-6}, {1, 40, 0, 79, 3e-6},
        {1, 1, 1, 1, dbl},   {1, 2, 1, 3, dbl},   {1, 3, 1, 5, dbl},   {1, 4, 1, 7, 4 * dbl},
        {2, 1, 0, 1, dbl},   {2, 3, 0, 2, dbl},   {2, 4, 0, 3, dbl},   {2, 6, 0, 4, 1e-14},
        {2, 7, 0, 5, 1e-14}, {2, 13, 0, 7, 1e-14},
        {3, 1, 0, 1, dbl},   {3, 4, 0, 2, 1e-7},  {3, 5, 0, 3, dbl},   {3, 11, 0, 4, 1e-15},
    };
    for (const Rule& r : rules) {
        std::vector<double> p(r.D * r.NPG, -99.0), w(r.NPG, -99.0);
        gaussrule(F2<real>(p.data(), r.D, r.NPG), w, r.D, r.NPG, r.family);
        EXPECT_LE(max_monomial_error(r, p, w), r.tol)
            << "D=" << r.D << " NPG=" << r.NPG << " family=" << r.family;
        double sum = 0.0;
        for (double wk : w) sum += wk;
        EXPECT_NEAR(sum, r.family == 1 ? 2.0 : 1.0 / std::tgamma(r.D + 1.0), r.tol);
    }
}

TEST(Gaussrule, OneDimensionalRulesFromFiveOnHoldSinglePrecisionConstants) {
    for (int n : {5, 6, 7, 8, 9, 10, 11, 12, 13, 20, 40}) {
        std::vector<double> p(n), w(n);
        gaussrule(F2<real>(p.data(), 1, n), w, 1, n, 0);
        for (int k = 0; k < n; ++k) {
            const double x = 2.0 * p[k] - 1.0;  // exact: the mapping only halves and shifts
            EXPECT_EQ(static_cast<double>(static_cast<float>(x)), x) << n << " " << k;
            EXPECT_EQ(static_cast<double>(static_cast<float>(w[k])), w[k]) << n << " " << k;
            EXPECT_TRUE(p[k] > 0.0 && p[k] < 1.0);
        }
    }
    // rules of up to four points keep double constants
    std::vector<double> p(2), w(2);
    gaussrule(F2<real>(p.data(), 1, 2), w, 1, 2, 0);
    EXPECT_EQ(p[1], (1.0 + 0.5773502691896258) / 2.0);
    EXPECT_NE(static_cast<double>(static_cast<float>(2.0 * p[1] - 1.0)), 2.0 * p[1] - 1.0);
}

TEST(Gaussrule, UnlistedRequestsWriteNothing) {
    const Rule unlisted[] = {{2, 5, 0, 0, 0}, {1, 14, 0, 0, 0}, {1, 0, 0, 0, 0}, {3, 6, 0, 0, 0},
                             {2, 3, 1, 0, 0}, {1, 5, 1, 0, 0}, {4, 1, 0, 0, 0}, {1, 2, 2, 0, 0}};
    for (const Rule& r : unlisted) {
        std::vector<double> p(r.D * 16, -7.0), w(16, -7.0);
        gaussrule(F2<real>(p.data(), r.D, 16), w, r.D, r.NPG, r.family);
        for (double v : p) EXPECT_EQ(v, -7.0);
        for (double v : w) EXPECT_EQ(v, -7.0);
    }
}

TEST(Gaussrule, PointOrderAndSignedWeights) {
    // Gauss-Legendre on [-1, 1] with four points: outer pair first, then the inner pair
    std::vector<double> p(4), w(4);
    gaussrule(F2<real>(p.data(), 1, 4), w, 1, 4, 1);
    EXPECT_NEAR(p[0], -0.8611363115940526, 1e-15);
    EXPECT_NEAR(p[1], 0.8611363115940526, 1e-15);
    EXPECT_NEAR(p[3], 0.3399810435848563, 1e-15);
    EXPECT_NEAR(w[0], 0.3478548451374538, 1e-15);
    EXPECT_NEAR(w[2], 0.6521451548625461, 1e-15);
    // negative centroid weights of the triangle and tetrahedron rules
    std::vector<double> q(2 * 13), v(13);
    gaussrule(F2<real>(q.data(), 2, 4), v, 2, 4, 0);
    EXPECT_EQ(v[3], -0.28125);
    gaussrule(F2<real>(q.data(), 2, 13), v, 2, 13, 0);
    EXPECT_EQ(v[0], -0.074785022233835);
    gaussrule(F2<real>(q.data(), 3, 5), v, 3, 5, 0);
    EXPECT_EQ(v[0], -2.0 / 15.0);
    EXPECT_EQ(q[0], 0.25);
}

}  // namespace
}  // namespace vetrix
