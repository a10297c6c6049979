// directf, directg, laplace_bem_c_d_2d, laplace_bem_c_m_2d: collocation with straight constant
// boundary elements (direct formulation of the Laplace equation, Brebbia and Dominguez).
#include "laplace_bem.hpp"

#include <array>
#include <cmath>
#include <type_traits>

#include "common/process_state.hpp"
#include "common/stops.hpp"
#include "element_routine.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

static_assert(std::is_same_v<decltype(&laplace_bem_c_d_2d), ElementRoutine>);
static_assert(std::is_same_v<decltype(&laplace_bem_c_m_2d), ElementRoutine>);

namespace {

constexpr real two_pi = 6.283185307179586;

// A segment a -> b as seen from p, in the frame of the segment: tangential coordinates of its
// ends, signed distance of p from its line and the angle it subtends at p.
struct SegmentFromPoint {
    real L = 0.0;      // length |b - a|; 0 leaves the rest 0
    real h = 0.0;      // n . (a - p)
    real tau_a = 0.0;  // (a - p) . t / L
    real tau_b = 0.0;  // (b - p) . t / L = tau_a + L
    real theta = 0.0;  // angle between a - p and b - p, in [0, pi]
};

SegmentFromPoint seen_from(F1<const real> p, F1<const real> a, F1<const real> b) {
    SegmentFromPoint s;
    const real tx = b(1) - a(1);
    const real ty = b(2) - a(2);
    s.L = std::hypot(tx, ty);
    if (!(s.L > 0.0)) return s;
    const real nx = ty / s.L;  // n = (t_y, -t_x) / L
    const real ny = -tx / s.L;
    s.h = nx * (a(1) - p(1)) + ny * (a(2) - p(2));
    s.tau_a = nx * (a(2) - p(2)) - ny * (a(1) - p(1));
    s.tau_b = nx * (b(2) - p(2)) - ny * (b(1) - p(1));
    // |(a - p) x (b - p)| = |h| L and (a - p) . (b - p) = tau_a tau_b + h^2
    s.theta = std::atan2(std::abs(s.h) * s.L, s.tau_a * s.tau_b + s.h * s.h);
    return s;
}

// tau ln r for an end at distance r; |tau| <= r, so the term tends to 0 as the end nears p.
real tau_log_r(real tau, real dx, real dy) {
    const real r = std::hypot(dx, dy);
    return r > 0.0 ? tau * std::log(r) : 0.0;
}

// Local index of slot d of local node a.
integer local_index(integer NDof, integer a, integer d) {
    return NDof * (a - 1) + d;
}

// Coordinates of local node a (the first two; the mesh is planar).
F1<const real> node_point(F1<const real> XE, integer NDim, integer a) {
    return XE.section(NDim * (a - 1) + 1, 2);
}

// The elements carry u and q in slots 1 and 2 of planar nodes; anything else is a mesh that
// does not fit them.
void check_layout(integer NDim, integer NDof, integer nn, integer nodes_needed) {
    if (NDim != 2 || NDof < 2) {
        say({"!!!!! ERROR, Laplace boundary element needs NDim = 2 and NDof >= 2, found", NDim,
             NDof});
        stop_run();
    }
    if (nn < nodes_needed) {
        say({"!!!!! ERROR, Laplace boundary element needs", nodes_needed, "nodes, found", nn});
        stop_run();
    }
}

// A segment whose ends coincide has neither a normal nor a collocation point apart from its
// ends: the run stops, naming the element when the dispatch has said which one runs.
void check_length(F1<const real> x1, F1<const real> x2) {
    if (std::hypot(x2(1) - x1(1), x2(2) - x1(2)) > 0.0) return;
    if (current_element > 0) {
        say({"!!!!! ERROR, boundary segment of zero length (no normal) in element",
             current_element});
    } else {
        say({"!!!!! ERROR, boundary segment of zero length (no normal)"});
    }
    say({"segment from", x1(1), x1(2), "to", x2(1), x2(2)});
    stop_run();
}

std::array<real, 2> midpoint(F1<const real> x1, F1<const real> x2) {
    return {0.5 * (x1(1) + x2(1)), 0.5 * (x1(2) + x2(2))};
}

}  // namespace

real directf(integer /*D*/, F1<const real> p, F1<const real> a, F1<const real> b) {
    const SegmentFromPoint s = seen_from(p, a, b);
    // F = -sign(h) theta / (2 pi); h = 0 counts as positive, so a point inside the segment
    // gets -1/2 and a point on the line outside it gets 0 (theta = 0 there)
    const real sign_h = s.h < 0.0 ? -1.0 : 1.0;
    return -sign_h * s.theta / two_pi;
}

real directg(integer /*D*/, F1<const real> p, F1<const real> a, F1<const real> b) {
    const SegmentFromPoint s = seen_from(p, a, b);
    if (!(s.L > 0.0)) return 0.0;
    // G = (L - theta |h| + tau_a ln r_a - tau_b ln r_b) / (2 pi)
    const real ends =
        tau_log_r(s.tau_a, a(1) - p(1), a(2) - p(2)) - tau_log_r(s.tau_b, b(1) - p(1), b(2) - p(2));
    return (s.L - s.theta * std::abs(s.h) + ends) / two_pi;
}

void laplace_bem_c_d_2d(F2<real> AE, F1<real> /*BE*/, integer /*NDofEl*/, F1<const real> XE,
                        integer NDim, integer NDof, integer nn, F1<const real> /*UH*/,
                        F1<const real> /*UE*/, F1<const real> /*commonpar*/,
                        F1<const real> /*param*/, F1<const integer> /*jparam*/, real /*DTinput*/,
                        real /*DT*/, real /*T*/) {
    check_layout(NDim, NDof, nn, 2);
    const F1<const real> x1 = node_point(XE, NDim, 1);
    const F1<const real> x2 = node_point(XE, NDim, 2);
    check_length(x1, x2);
    const std::array<real, 2> p = midpoint(x1, x2);
    const integer u = local_index(NDof, 1, 1);
    const integer q = local_index(NDof, 1, 2);

    // 1 - free term of a smooth boundary point
    AE(u, u) = 0.5;
    AE(q, u) = 0.5;
    // 2 - single layer of the segment at its own midpoint
    const real g = directg(NDim, F1<const real>(p.data(), 2), x1, x2);
    AE(u, q) = -g;
    AE(q, q) = -g;
}

void laplace_bem_c_m_2d(F2<real> AE, F1<real> /*BE*/, integer /*NDofEl*/, F1<const real> XE,
                        integer NDim, integer NDof, integer nn, F1<const real> /*UH*/,
                        F1<const real> /*UE*/, F1<const real> /*commonpar*/,
                        F1<const real> /*param*/, F1<const integer> /*jparam*/, real /*DTinput*/,
                        real /*DT*/, real /*T*/) {
    check_layout(NDim, NDof, nn, 4);
    const F1<const real> x1 = node_point(XE, NDim, 1);
    const F1<const real> x2 = node_point(XE, NDim, 2);
    const F1<const real> x3 = node_point(XE, NDim, 3);
    const F1<const real> x4 = node_point(XE, NDim, 4);
    check_length(x1, x2);
    check_length(x3, x4);
    const integer uA = local_index(NDof, 1, 1);
    const integer qA = local_index(NDof, 1, 2);
    const integer uB = local_index(NDof, 3, 1);
    const integer qB = local_index(NDof, 3, 2);

    // 1 - segment B seen from the midpoint of A, into both rows of A
    const std::array<real, 2> pA = midpoint(x1, x2);
    const real fAB = directf(NDim, F1<const real>(pA.data(), 2), x3, x4);
    const real gAB = directg(NDim, F1<const real>(pA.data(), 2), x3, x4);
    AE(uA, uB) = fAB;
    AE(qA, uB) = fAB;
    AE(uA, qB) = -gAB;
    AE(qA, qB) = -gAB;
    // 2 - segment A seen from the midpoint of B, into both rows of B
    const std::array<real, 2> pB = midpoint(x3, x4);
    const real fBA = directf(NDim, F1<const real>(pB.data(), 2), x1, x2);
    const real gBA = directg(NDim, F1<const real>(pB.data(), 2), x1, x2);
    AE(uB, uA) = fBA;
    AE(qB, uA) = fBA;
    AE(uB, qA) = -gBA;
    AE(qB, qA) = -gBA;
}

}  // namespace vetrix
