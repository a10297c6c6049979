// Tests of gaussrule: exactness on monomials, weight sums, single-precision constants, point
// order, requests that are not rules.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "elements/quadrature.hpp"

namespace vetrix {
namespace {

struct Rule {
    int D, NPG, family, degree;
    double tol;  // allowed error of a monomial integral: the precision of the constants
    std::vector<double> p, w;
    Rule(int d, int n, int f, int deg, double t)
        : D(d), NPG(n), family(f), degree(deg), tol(t), p(d * n), w(n) {
        gaussrule(F2<real>(p.data(), D, NPG), w, D, NPG, family);
    }
};

// Integral of x1^e1 x2^e2 x3^e3: e1! e2! e3! / (|e| + D)! on the simplex, 2 / (e1 + 1) or 0 on
// [-1, 1].
double exact(const Rule& r, int e1, int e2, int e3) {
    if (r.family == 1) return e1 % 2 ? 0.0 : 2.0 / (e1 + 1);
    return std::tgamma(e1 + 1.) * std::tgamma(e2 + 1.) * std::tgamma(e3 + 1.) /
           std::tgamma(e1 + e2 + e3 + r.D + 1.);
}

TEST(Gaussrule, IntegratesMonomialsOfItsDegree) {
    const double d = 2e-15, s = 2e-7;  // double constants; floats move x^m by up to m 3e-8
    const Rule rules[] = {
        {1, 1, 0, 1, d},      {1, 2, 0, 3, d},       {1, 3, 0, 5, d},        {1, 4, 0, 7, d},
        {1, 5, 0, 9, s},      {1, 6, 0, 11, s},      {1, 7, 0, 13, s},       {1, 8, 0, 15, s},
        {1, 9, 0, 17, s},     {1, 10, 0, 19, s},     {1, 11, 0, 21, s},      {1, 12, 0, 23, s},
        {1, 13, 0, 25, s},    {1, 20, 0, 39, 8 * s}, {1, 40, 0, 79, 15 * s}, {1, 1, 1, 1, d},
        {1, 2, 1, 3, d},      {1, 3, 1, 5, d},       {1, 4, 1, 7, 4 * d},    {2, 1, 0, 1, d},
        {2, 3, 0, 2, d},      {2, 4, 0, 3, d},       {2, 6, 0, 4, 5 * d},    {2, 7, 0, 5, 5 * d},
        {2, 13, 0, 7, 5 * d}, {3, 1, 0, 1, d},       {3, 4, 0, 2, 1e-7},     {3, 5, 0, 3, d},
        {3, 11, 0, 4, d}};
    for (const Rule& r : rules) {
        for (int e1 = 0; e1 <= r.degree; ++e1)
            for (int e2 = 0; e2 <= (r.D > 1) * (r.degree - e1); ++e2)
                for (int e3 = 0; e3 <= (r.D > 2) * (r.degree - e1 - e2); ++e3) {
                    double q = 0.0;
                    for (int k = 0; k < r.NPG; ++k) {
                        const double* x = &r.p[r.D * k];
                        q += r.w[k] * std::pow(x[0], e1) * (r.D > 1 ? std::pow(x[1], e2) : 1) *
                             (r.D > 2 ? std::pow(x[2], e3) : 1);
                    }
                    EXPECT_NEAR(q, exact(r, e1, e2, e3), r.tol)
                        << "D=" << r.D << " NPG=" << r.NPG << " family=" << r.family << " e=" << e1
                        << e2 << e3;
                }
    }
}

TEST(Gaussrule, IntervalRulesFromFivePointsHoldSinglePrecisionConstants) {
    for (int n : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 20, 40}) {
        const Rule r(1, n, 0, 0, 0);
        bool all_float = true;
        for (int k = 0; k < n; ++k) {
            const double x = 2.0 * r.p[k] - 1.0;  // exact: the map only shifts and halves
            all_float = all_float && float(x) == x && float(r.w[k]) == r.w[k];
        }
        EXPECT_EQ(all_float, n >= 5) << n;
    }
}

TEST(Gaussrule, PointOrderAndNegativeWeights) {
    const Rule g4(1, 4, 1, 0, 0), t4(2, 4, 0, 0, 0), t13(2, 13, 0, 0, 0), k5(3, 5, 0, 0, 0);
    const double x[4] = {-0.8611363115940526, 0.8611363115940526, -0.3399810435848563,
                         0.3399810435848563};
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(g4.p[k], x[k], 1e-15);  // outer pair first
    EXPECT_NEAR(g4.w[0], 0.3478548451374538, 1e-15);
    EXPECT_EQ(t4.w[3], -0.28125);
    EXPECT_EQ(t13.w[0], -0.074785022233835);
    EXPECT_EQ(k5.w[0], -2.0 / 15.0);
}

TEST(Gaussrule, UnlistedRequestsWriteNothing) {
    const int unlisted[][3] = {{2, 5, 0}, {1, 14, 0}, {1, 0, 0}, {3, 6, 0},
                               {2, 3, 1}, {1, 5, 1},  {4, 1, 0}, {1, 2, 2}};
    for (const auto& u : unlisted) {
        std::vector<double> p(u[0] * 16, -7.0), w(16, -7.0);
        gaussrule(F2<real>(p.data(), u[0], 16), w, u[0], u[1], u[2]);
        EXPECT_EQ(p, std::vector<double>(u[0] * 16, -7.0));
        EXPECT_EQ(w, std::vector<double>(16, -7.0));
    }
}

}  // namespace
}  // namespace vetrix
