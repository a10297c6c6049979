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

namespace {
// Order of the block of mass that the last poissonfem_1 call filled (all of it at first): only
// a call with fewer nodes needs to clear the rest.
integer mass_extent = mass_order;
}  // namespace

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

namespace {

// Reference data of poissonfem_1 for one space dimension D (1 ... 3) and node count nn, kept
// from one call to the next because every element of a mesh shares it: the 4-point rule, the
// rule's integrals of the shape functions, the reference mass matrix and the local derivatives.
// Order-1 shape functions are affine (or cut to zero), so their derivatives are the same at
// every point and are stored once, for max(nn, 3) columns as the Jacobian reads them.
struct LinearReference {
    static constexpr integer NPG = 4;
    integer D = 0, nn = 0;                          // key; D = 0: not filled yet
    real wsum = 0.0;                                // sum_k w_k
    std::array<real, mass_order> Nw{};              // Nw(a) = sum_k w_k N_a(xi_k)
    std::array<real, mass_order * mass_order> M{};  // M(a, b) = sum_k w_k N_a N_b
    std::array<real, 3 * mass_order> dN{};          // D x max(nn, 3) local derivatives
};

const LinearReference& linear_reference(integer D, integer nn) {
    static LinearReference ref;
    if (ref.D == D && ref.nn == nn) return ref;
    constexpr integer NPG = LinearReference::NPG;
    ref = LinearReference{};
    std::array<real, 3 * NPG> pts{};
    std::array<real, NPG> w{};
    gaussrule(F2<real>(pts.data(), D, NPG), F1<real>(w.data(), NPG), D, NPG, 0);
    std::array<real, mass_order * NPG> n_store{};
    const F2<real> N(n_store.data(), nn, NPG);
    for (integer p = 1; p <= NPG; ++p)
        shapef(nn, D, F1<real>(n_store.data() + nn * (p - 1), nn),
               F1<const real>(pts.data() + D * (p - 1), D), 1, 0);
    const F2<real> M(ref.M.data(), mass_order, mass_order);
    for (integer p = 1; p <= NPG; ++p) {
        ref.wsum += w[p - 1];
        for (integer a = 1; a <= nn; ++a) {
            ref.Nw[a - 1] += w[p - 1] * N(a, p);
            for (integer b = 1; b <= nn; ++b) M(a, b) += w[p - 1] * N(a, p) * N(b, p);
        }
    }
    localshapeder(std::max(nn, 3), D, F2<real>(ref.dN.data(), D, std::max(nn, 3)),
                  F1<const real>(pts.data(), D), 1, 0);
    ref.D = D;
    ref.nn = nn;
    return ref;
}

// The work of jacobian and globalshapeder written out for a plane element: J from the first
// min(nn, 3) nodes, its inverse by the adjugate, G = J^-1 dN for all nn nodes, with the same
// operations in the same order. A determinant that is not positive goes through jacobian, which
// reports it (and stops the run when it is zero).
void plane_gradients(F1<const real> XE, F2<const real> dN, integer nn, F2<real> G, real& detJ) {
    const integer nv = std::min(nn, 3);
    real J11 = 0.0, J12 = 0.0, J21 = 0.0, J22 = 0.0;
    for (integer a = 1; a <= nv; ++a) {
        J11 += dN(1, a) * XE(2 * (a - 1) + 1);
        J12 += dN(1, a) * XE(2 * (a - 1) + 2);
        J21 += dN(2, a) * XE(2 * (a - 1) + 1);
        J22 += dN(2, a) * XE(2 * (a - 1) + 2);
    }
    const real d = J11 * J22 - J12 * J21;
    std::array<real, 4> inv_store{};
    const F2<real> invJ(inv_store.data(), 2, 2);
    if (d > 0.0) {
        invJ(1, 1) = J22 / d;
        invJ(1, 2) = -J12 / d;
        invJ(2, 1) = -J21 / d;
        invJ(2, 2) = J11 / d;
        detJ = d;
    } else {
        jacobian(invJ, detJ, 2, nv, XE, dN);
    }
    for (integer a = 1; a <= nn; ++a) {
        G(1, a) = invJ(1, 1) * dN(1, a) + invJ(1, 2) * dN(2, a);
        G(2, a) = invJ(2, 1) * dN(1, a) + invJ(2, 2) * dN(2, a);
    }
}

}  // namespace

// Theta scheme: (rho c / DT) M (u - u_old) + theta K u + (1 - theta) K u_old = F, with M the
// consistent mass matrix, K the stiffness and F = int rho Q N_a. The element measure is
// |det J| / 2, so a triangle numbered clockwise gives the same matrix as its counter-clockwise
// numbering. The map is affine, so the gradients are constant and every integral is the
// element measure times a reference integral of the 4-point rule of degree 3.
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
    const integer D = NDim;
    std::array<real, 9> inv_store{};
    const F2<real> invJ(inv_store.data(), std::max(D, 1), std::max(D, 1));
    real detJ = 0.0;
    if (D < 1 || D > 3) {  // no rule: the Jacobian reports the dimension and stops
        std::fill(mass.begin(), mass.end(), 0.0);
        mass_extent = 0;
        jacobian(invJ, detJ, D, 0, XE, F2<const real>());
        return;
    }

    // 1 - reference integrals of the 4-point rule; the reference mass matrix, zero beyond nn
    const LinearReference& ref = linear_reference(D, nn);
    const F2<const real> Mref(ref.M.data(), mass_order, mass_order);
    const F2<real> M(mass.data(), mass_order, mass_order);
    if (mass_extent > nn) std::fill(mass.begin(), mass.end(), 0.0);
    for (integer b = 1; b <= nn; ++b)
        for (integer a = 1; a <= nn; ++a) M(a, b) = Mref(a, b);
    mass_extent = nn;

    // 2 - Jacobian of the affine map from the vertices; global gradients G(r, a)
    const F2<const real> dN(ref.dN.data(), D, std::max(nn, 3));
    std::array<real, 3 * mass_order> g_store;
    const F2<real> G(g_store.data(), D, nn);
    if (D == 2) {
        plane_gradients(XE, dN, nn, G, detJ);
    } else {
        jacobian(invJ, detJ, D, std::min(nn, 3), XE, dN);
        globalshapeder(nn, D, dN, G, const_view(invJ));
    }
    const real measure = std::abs(detJ);
    const real A = measure * ref.wsum;  // element measure, sum of the point weights W_k

    // 3 - with S = 2 A the mapped-to-reference ratio and g_ab = grad N_a . grad N_b:
    // AE(a, b) += theta k A g_ab + (rho c / DT) S M(a, b)
    // BE(a) += rho Q |det J| Nw(a) + sum_b ((rho c / DT) S M(a, b) - (1 - theta) k A g_ab) u_old(b)
    const real stiffness = theta * k * A;
    const real explicit_stiffness = (1.0 - theta) * k * A;
    const real mass_factor = 2.0 * A * (rho / DT) * c;
    const real source = rho * Q * measure;
    for (integer a = 1; a <= nn; ++a) {
        const integer ra = NDof * (a - 1) + 1;
        real load = source * ref.Nw[a - 1];
        for (integer b = 1; b <= nn; ++b) {
            const integer rb = NDof * (b - 1) + 1;
            const real g =
                D == 2 ? G(1, a) * G(1, b) + G(2, a) * G(2, b) : grad_dot(const_view(G), D, a, b);
            const real m = Mref(a, b) * mass_factor;
            AE(ra, rb) += stiffness * g + m;
            load += (m - explicit_stiffness * g) * UH(rb);
        }
        BE(ra) += load;
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
