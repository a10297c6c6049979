// gaussrule: Gauss-Legendre rules on the interval, Dunavant rules on the triangle, Keast-type
// rules on the tetrahedron.
#include "quadrature.hpp"

#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace vetrix {

namespace {

// Legendre abscissa and weight on [-1, 1] of the n-point Gauss rule.
struct LegendreNode {
    long double x;
    long double w;
};

// Node number i (i = 1 is the largest) of the n-point Gauss-Legendre rule: Newton's method on
// P_n from the Chebyshev-like guess cos(pi (i - 1/4) / (n + 1/2)), P_n and P_n' by the
// three-term recurrence (k P_k = (2k - 1) x P_(k-1) - (k - 1) P_(k-2)); weight
// 2 / ((1 - x^2) P_n'(x)^2). Long double keeps the node well below single-precision rounding.
LegendreNode legendre_node(int n, int i) {
    const long double pi = std::numbers::pi_v<long double>;
    long double x = (2 * i - 1 == n) ? 0.0L : std::cos(pi * (i - 0.25L) / (n + 0.5L));
    long double dp = 0.0L;
    for (int iter = 0; iter < 100; ++iter) {
        long double p0 = 1.0L;
        long double p1 = x;
        for (int k = 2; k <= n; ++k) {
            const long double p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
            p0 = p1;
            p1 = p2;
        }
        dp = n * (x * p1 - p0) / (x * x - 1.0L);
        const long double dx = p1 / dp;
        x -= dx;
        if (std::fabs(dx) <= 4.0L * std::numeric_limits<long double>::epsilon()) break;
    }
    return {x, 2.0L / ((1.0L - x * x) * dp * dp)};
}

// n-point Gauss-Legendre rule mapped to [0, 1] with every abscissa and every halved weight
// held in single precision: x is the float nearest the node, widened before the mapping
// x -> (1 + x) / 2; the weight is the float nearest half the Gauss weight. Points come in pairs
// (-x, +x) from the outermost inwards, the centre last when n is odd.
void single_precision_interval_rule(F2<real> points, F1<real> weights, int n) {
    int k = 0;
    for (int i = 1; i <= n / 2; ++i) {
        const LegendreNode node = legendre_node(n, i);
        const real x = static_cast<float>(node.x);
        const real w = static_cast<float>(node.w / 2.0L);
        points(1, ++k) = (1.0 - x) / 2.0;
        weights(k) = w;
        points(1, ++k) = (1.0 + x) / 2.0;
        weights(k) = w;
    }
    if (n % 2 == 1) {
        const LegendreNode node = legendre_node(n, (n + 1) / 2);
        points(1, ++k) = 0.5;
        weights(k) = static_cast<float>(node.w / 2.0L);
    }
}

// Gauss-Legendre rules of 1 ... 4 points on [-1, 1] in double precision, in the order
// (-x, +x) pairs from the outermost inwards, the centre last.
void gauss_legendre_double(F1<real> x, F1<real> w, int n) {
    const real s = 1.0954451150103321;  // sqrt(6/5)
    switch (n) {
        case 1:
            x(1) = 0.0;
            w(1) = 2.0;
            break;
        case 2:
            x(1) = -0.5773502691896258;
            x(2) = 0.5773502691896258;
            w(1) = 1.0;
            w(2) = 1.0;
            break;
        case 3:
            x(1) = -0.7745966692414834;
            x(2) = 0.7745966692414834;
            x(3) = 0.0;
            w(1) = 5.0 / 9.0;
            w(2) = 5.0 / 9.0;
            w(3) = 8.0 / 9.0;
            break;
        case 4: {
            const real xo = std::sqrt((3.0 + 2.0 * s) / 7.0);
            const real xi = std::sqrt((3.0 - 2.0 * s) / 7.0);
            x(1) = -xo;
            x(2) = xo;
            x(3) = -xi;
            x(4) = xi;
            w(1) = 0.5 - 1.0 / (6.0 * s);
            w(2) = w(1);
            w(3) = 0.5 + 1.0 / (6.0 * s);
            w(4) = w(3);
            break;
        }
        default:
            break;
    }
}

void interval_rule(F2<real> points, F1<real> weights, integer NPG) {
    if (NPG >= 5 && (NPG <= 13 || NPG == 20 || NPG == 40)) {
        single_precision_interval_rule(points, weights, NPG);
        return;
    }
    if (NPG < 1 || NPG > 4) return;
    std::array<real, 4> xs{};
    std::array<real, 4> ws{};
    const F1<real> x(xs.data(), 4);
    const F1<real> w(ws.data(), 4);
    gauss_legendre_double(x, w, NPG);
    const real s = 1.0954451150103321;
    for (integer k = 1; k <= NPG; ++k) {
        points(1, k) = (1.0 + x(k)) / 2.0;
        weights(k) = w(k) / 2.0;
    }
    if (NPG == 4) {  // halved weights formed directly as 1/4 -+ 1/(12 s)
        weights(1) = 0.25 - 1.0 / (12.0 * s);
        weights(2) = weights(1);
        weights(3) = 0.25 + 1.0 / (12.0 * s);
        weights(4) = weights(3);
    }
}

void set2(F2<real> p, F1<real> w, integer k, real x, real y, real weight) {
    p(1, k) = x;
    p(2, k) = y;
    w(k) = weight;
}

void set3(F2<real> p, F1<real> w, integer k, real x, real y, real z, real weight) {
    p(1, k) = x;
    p(2, k) = y;
    p(3, k) = z;
    w(k) = weight;
}

// Two orbits of type (a, a, 1 - 2a) and (b, b, 1 - 2b), interleaved, starting at point k.
void two_orbits(F2<real> p, F1<real> w, integer k, real a, real wa, real b, real wb) {
    const real a1 = 1.0 - 2.0 * a;
    const real b1 = 1.0 - 2.0 * b;
    set2(p, w, k, a, a, wa);
    set2(p, w, k + 1, b, b, wb);
    set2(p, w, k + 2, a1, a, wa);
    set2(p, w, k + 3, b1, b, wb);
    set2(p, w, k + 4, a, a1, wa);
    set2(p, w, k + 5, b, b1, wb);
}

// Triangle rules (Dunavant 1985 for 6 and 7 points; the 13-point rule of degree 7 with
// 15-digit constants); weights are for the reference area 1/2.
void triangle_rule(F2<real> p, F1<real> w, integer NPG) {
    const real third = 1.0 / 3.0;
    switch (NPG) {
        case 1:
            set2(p, w, 1, third, third, 0.5);
            return;
        case 3:
            set2(p, w, 1, 1.0 / 6.0, 1.0 / 6.0, 1.0 / 6.0);
            set2(p, w, 2, 2.0 / 3.0, 1.0 / 6.0, 1.0 / 6.0);
            set2(p, w, 3, 1.0 / 6.0, 2.0 / 3.0, 1.0 / 6.0);
            return;
        case 4:
            set2(p, w, 1, 0.2, 0.2, 25.0 / 96.0);
            set2(p, w, 2, 0.6, 0.2, 25.0 / 96.0);
            set2(p, w, 3, 0.2, 0.6, 25.0 / 96.0);
            set2(p, w, 4, third, third, -0.28125);
            return;
        case 6:  // degree 4
            two_orbits(p, w, 1, 0.445948490915965, 0.111690794839006, 0.091576213509771,
                       0.054975871827661);
            return;
        case 7:  // degree 5
            set2(p, w, 1, third, third, 0.1125);
            two_orbits(p, w, 2, 0.470142064105115, 0.066197076394253, 0.101286507323456,
                       0.0629695902724135);
            return;
        case 13: {  // degree 7
            const real w2 = 0.087807628716602;
            const real w3 = 0.0266736178044195;
            const real w4 = 0.0385568804451285;
            set2(p, w, 1, third, third, -0.074785022233835);
            set2(p, w, 2, 0.479308067841923, 0.260345966079038, w2);
            set2(p, w, 3, 0.260345966079038, 0.479308067841923, w2);
            set2(p, w, 4, 0.260345966079038, 0.260345966079038, w2);
            set2(p, w, 5, 0.869739794195568, 0.065130102902216, w3);
            set2(p, w, 6, 0.065130102902216, 0.869739794195568, w3);
            set2(p, w, 7, 0.065130102902216, 0.065130102902216, w3);
            const real a = 0.638444188569809;
            const real b = 0.312865496004875;
            const real c = 0.048690315425316;
            set2(p, w, 8, a, b, w4);
            set2(p, w, 9, a, c, w4);
            set2(p, w, 10, b, a, w4);
            set2(p, w, 11, b, c, w4);
            set2(p, w, 12, c, a, w4);
            set2(p, w, 13, c, b, w4);
            return;
        }
        default:
            return;
    }
}

// Tetrahedron rules; weights are for the reference volume 1/6. The 11-point rule is Keast's
// rule of degree 4.
void tetrahedron_rule(F2<real> p, F1<real> w, integer NPG) {
    switch (NPG) {
        case 1:
            set3(p, w, 1, 0.25, 0.25, 0.25, 1.0 / 6.0);
            return;
        case 4: {  // degree 2, seven-digit constants
            const real a = 0.1381966;
            const real b = 0.5854102;
            const real wk = 1.0 / 24.0;
            set3(p, w, 1, a, a, a, wk);
            set3(p, w, 2, b, a, a, wk);
            set3(p, w, 3, a, b, a, wk);
            set3(p, w, 4, a, a, b, wk);
            return;
        }
        case 5: {  // degree 3
            const real a = 1.0 / 6.0;
            const real wk = 3.0 / 40.0;
            set3(p, w, 1, 0.25, 0.25, 0.25, -2.0 / 15.0);
            set3(p, w, 2, a, a, a, wk);
            set3(p, w, 3, 0.5, a, a, wk);
            set3(p, w, 4, a, 0.5, a, wk);
            set3(p, w, 5, a, a, 0.5, wk);
            return;
        }
        case 11: {  // degree 4
            const real r = 0.7142857142857143;
            const real t = 0.2988071523335984;
            const real a = 0.25 * (1.0 - r);  // 1/14
            const real b = 0.75 * r + 0.25;   // 11/14
            const real wa = 0.007622222222222225;
            const real pp = 0.25 + 0.5 * t;
            const real mm = 0.25 - 0.5 * t;
            const real wb = 0.024888888888888898;
            set3(p, w, 1, 0.25, 0.25, 0.25, -0.013155555555555557);
            set3(p, w, 2, a, a, a, wa);
            set3(p, w, 3, b, a, a, wa);
            set3(p, w, 4, a, b, a, wa);
            set3(p, w, 5, a, a, b, wa);
            set3(p, w, 6, pp, pp, mm, wb);
            set3(p, w, 7, pp, mm, pp, wb);
            set3(p, w, 8, mm, pp, pp, wb);
            set3(p, w, 9, mm, mm, pp, wb);
            set3(p, w, 10, mm, pp, mm, wb);
            set3(p, w, 11, pp, mm, mm, wb);
            return;
        }
        default:
            return;
    }
}

}  // namespace

void gaussrule(F2<real> points, F1<real> weights, integer D, integer NPG, integer family) {
    if (family == 1) {
        if (D != 1 || NPG < 1 || NPG > 4) return;
        const F1<real> x(points.data(), NPG);  // with D = 1 the points block is one row
        gauss_legendre_double(x, weights, NPG);
        return;
    }
    if (family != 0) return;
    switch (D) {
        case 1:
            interval_rule(points, weights, NPG);
            break;
        case 2:
            triangle_rule(points, weights, NPG);
            break;
        case 3:
            tetrahedron_rule(points, weights, NPG);
            break;
        default:
            break;
    }
}

}  // namespace vetrix
