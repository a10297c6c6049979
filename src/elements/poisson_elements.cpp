// poissonfem_1, poissonfem_2: Galerkin matrices of the heat equation on linear triangles (theta
// time scheme with consistent mass) and of the Laplace operator on quadratic simplices.
#include "poisson_elements.hpp"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

#include "common/stops.hpp"
#include "element_routine.hpp"
#include "io/screen_text.hpp"
#include "jacobian.hpp"
#include "quadrature.hpp"
#include "simplex_shape.hpp"

namespace vetrix {

std::array<real, mass_order * mass_order> mass{};

static_assert(std::is_same_v<decltype(&poissonfem_1), ElementRoutine>);
static_assert(std::is_same_v<decltype(&poissonfem_2), ElementRoutine>);

namespace {

// grad N_a . grad N_b from a D x nn block of global derivatives.
real grad_dot(F2<const real> G, integer D, integer a, integer b) {
    real s = 0.0;
    for (integer r = 1; r <= D; ++r) s += G(r, a) * G(r, b);
    return s;
}

// Local point k of a D x NPG block of quadrature points.
F1<const real> point(const std::vector<real>& pts, integer D, integer k) {
    return F1<const real>(pts).section(D * (k - 1) + 1, D);
}

}  // namespace

// Theta scheme: (rho c / DT) M (u - u_old) + theta K u + (1 - theta) K u_old = F, with M the
// consistent mass matrix, K the stiffness and F = int rho Q N_a. The element measure is
// |det J| / 2, so a triangle numbered clockwise gives the same matrix as its counter-clockwise
// numbering.
void poissonfem_1(F2<real> AE, F1<real> BE, integer /*NDofEl*/, F1<const real> XE, integer NDim,
                  integer NDof, integer nn, F1<const real> UH, F1<const real> /*UE*/,
                  F1<const real> commonpar, F1<const real> /*param*/, F1<const integer> /*jparam*/,
                  real /*DTinput*/, real DT, real /*T*/) {
    const F1<const real> CP = commonpar;
    const real rho = CP(1);
    const real c = CP(2);
    const real k = CP(3);
    const real Q = CP(4);
    const real theta = CP(5);
    if (nn > mass_order) {
        say({"!!!!! ERROR, linear triangle element with too many nodes:", nn});
        stop_run();
    }
    const F2<real> M(mass.data(), mass_order, mass_order);
    std::fill(mass.begin(), mass.end(), 0.0);

    // 1 - the 4-point rule of degree 3; shape functions at every point
    constexpr integer NPG = 4;
    const integer D = NDim;
    std::vector<real> pts(static_cast<std::size_t>(std::max(D, 1) * NPG), 0.0);
    std::vector<real> w_store(NPG, 0.0);
    const F1<real> w(w_store);
    gaussrule(F2<real>(pts.data(), D, NPG), w, D, NPG, 0);
    const integer ncols = std::max(nn, 3);
    std::vector<real> n_store(static_cast<std::size_t>(nn * NPG), 0.0);
    const F2<real> N(n_store.data(), nn, NPG);
    for (integer p = 1; p <= NPG; ++p) {
        shapef(nn, D, F1<real>(n_store).section(nn * (p - 1) + 1, nn), point(pts, D, p), 1, 0);
    }

    // 2 - reference mass matrix, mass(a, b) = sum_k w_k N_a N_b
    for (integer p = 1; p <= NPG; ++p) {
        for (integer a = 1; a <= nn; ++a) {
            for (integer b = 1; b <= nn; ++b) M(a, b) += w(p) * N(a, p) * N(b, p);
        }
    }

    // 3 - Jacobian of the affine map from the vertices, once
    std::vector<real> dn_store(static_cast<std::size_t>(D * ncols), 0.0);
    std::vector<real> g_store(static_cast<std::size_t>(D * ncols), 0.0);
    const F2<real> dN(dn_store.data(), D, ncols);
    const F2<real> G(g_store.data(), D, ncols);
    std::array<real, 9> inv_store{};
    const F2<real> invJ(inv_store.data(), std::max(D, 1), std::max(D, 1));
    real detJ = 0.0;
    localshapeder(ncols, D, dN, point(pts, D, 1), 1, 0);
    jacobian(invJ, detJ, D, std::min(nn, 3), XE, const_view(dN));
    const real measure = std::abs(detJ);

    // 4 - stiffness (implicit part theta, explicit part 1 - theta on u_old) and source
    real A = 0.0;
    for (integer p = 1; p <= NPG; ++p) {
        localshapeder(nn, D, dN, point(pts, D, p), 1, 0);
        globalshapeder(nn, D, const_view(dN), G, const_view(invJ));
        const real W = measure * w(p);
        A += W;
        for (integer a = 1; a <= nn; ++a) {
            const integer ra = NDof * (a - 1) + 1;
            BE(ra) += rho * Q * N(a, p) * W;
            for (integer b = 1; b <= nn; ++b) {
                const integer rb = NDof * (b - 1) + 1;
                const real g = grad_dot(const_view(G), D, a, b);
                AE(ra, rb) += theta * k * W * g;
                BE(ra) -= (1.0 - theta) * k * W * g * UH(rb);
            }
        }
    }

    // 5 - mass terms (rho c / DT) M on both sides; S = 2 A is the mapped-to-reference ratio
    const real S = 2.0 * A;
    for (integer a = 1; a <= nn; ++a) {
        const integer ra = NDof * (a - 1) + 1;
        for (integer b = 1; b <= nn; ++b) {
            const integer rb = NDof * (b - 1) + 1;
            AE(ra, rb) += M(a, b) * S * (rho / DT) * c;
            BE(ra) += M(a, b) * S * (rho / DT) * c * UH(rb);
        }
    }
}

// Quadratic Lagrange stiffness on a straight-sided simplex: the map is affine, so the Jacobian
// of the vertices serves every point; Dunavant's 7-point rule (degree 5) on triangles, Keast's
// 11-point rule (degree 4) on tetrahedra integrate the degree-2 integrand exactly.
void poissonfem_2(F2<real> AE, F1<real> /*BE*/, integer /*NDofEl*/, F1<const real> XE, integer NDim,
                  integer NDof, integer nn, F1<const real> /*UH*/, F1<const real> /*UE*/,
                  F1<const real> commonpar, F1<const real> /*param*/, F1<const integer> /*jparam*/,
                  real /*DTinput*/, real /*DT*/, real /*T*/) {
    const real k = commonpar(1);
    const integer D = NDim;
    const integer NPG = NDim <= 2 ? 7 : 11;
    std::vector<real> pts(static_cast<std::size_t>(std::max(D, 1) * NPG), 0.0);
    std::vector<real> w_store(static_cast<std::size_t>(NPG), 0.0);
    const F1<real> w(w_store);
    gaussrule(F2<real>(pts.data(), D, NPG), w, D, NPG, 0);

    // 1 - Jacobian of the affine map from the D + 1 vertices
    const integer ncols = std::max(nn, D + 1);
    std::vector<real> dn_store(static_cast<std::size_t>(D * ncols), 0.0);
    std::vector<real> g_store(static_cast<std::size_t>(D * ncols), 0.0);
    const F2<real> dN(dn_store.data(), D, ncols);
    const F2<real> G(g_store.data(), D, ncols);
    std::array<real, 9> inv_store{};
    const F2<real> invJ(inv_store.data(), std::max(D, 1), std::max(D, 1));
    real detJ = 0.0;
    localshapeder(D + 1, D, dN, point(pts, D, 1), 1, 0);
    jacobian(invJ, detJ, D, std::min(nn, D + 1), XE, const_view(dN));
    const real measure = std::abs(detJ);

    // 2 - AE(r(a), r(b)) += k grad N_a . grad N_b |det J| w_k
    for (integer p = 1; p <= NPG; ++p) {
        localshapeder(nn, D, dN, point(pts, D, p), 2, 0);
        globalshapeder(nn, D, const_view(dN), G, const_view(invJ));
        for (integer a = 1; a <= nn; ++a) {
            const integer ra = NDof * (a - 1) + 1;
            for (integer b = 1; b <= nn; ++b) {
                const integer rb = NDof * (b - 1) + 1;
                AE(ra, rb) += k * grad_dot(const_view(G), D, a, b) * measure * w(p);
            }
        }
    }
}

}  // namespace vetrix
