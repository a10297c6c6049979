// sfsimplex, shapef, localshapeder: Lagrange (linear, quadratic, bubble) shape functions of the
// reference interval, triangle and tetrahedron, and any partial derivative of them.
#include "simplex_shape.hpp"

#include <array>

namespace vetrix {

namespace {

// An affine function of the local coordinates: its value at the point and its gradient.
struct Affine {
    real value = 0.0;
    std::array<real, 3> grad_store{};
    F1<real> grad() { return F1<real>(grad_store.data(), 3); }
    F1<const real> grad() const { return F1<const real>(grad_store.data(), 3); }
};

// A shape function written as coef times a product of up to four affine factors; every
// Lagrange and bubble function of the simplices has this form in barycentric coordinates.
struct Product {
    real coef = 0.0;
    integer nfactors = 0;
    std::array<Affine, 4> factor_store{};
    F1<Affine> factors() { return F1<Affine>(factor_store.data(), 4); }
    F1<const Affine> factors() const { return F1<const Affine>(factor_store.data(), 4); }
    void times(const Affine& f) { factors()(++nfactors) = f; }
};

// Barycentric coordinate lambda_i at xi: lambda_0 = 1 - xi_1 - ... - xi_D, lambda_i = xi_i.
Affine barycentric(F1<const real> xi, integer D, integer i) {
    Affine l;
    if (i == 0) {
        l.value = 1.0;
        for (integer r = 1; r <= D; ++r) {
            l.value -= xi(r);
            l.grad()(r) = -1.0;
        }
    } else {
        l.value = xi(i);
        l.grad()(i) = 1.0;
    }
    return l;
}

// 2 lambda - 1.
Affine twice_minus_one(const Affine& l) {
    Affine f;
    f.value = 2.0 * l.value - 1.0;
    for (integer r = 1; r <= 3; ++r) f.grad()(r) = 2.0 * l.grad()(r);
    return f;
}

// The product c lambda_0 ... lambda_D of the bubble.
Product bubble(F1<const real> xi, integer D) {
    static constexpr std::array<real, 3> scale{4.0, 27.0, 256.0};
    Product p;
    p.coef = F1<const real>(scale.data(), 3)(D);
    for (integer i = 0; i <= D; ++i) p.times(barycentric(xi, D, i));
    return p;
}

// Barycentric indices (i, j) of the mid-edge node a of the quadratic D-simplex; false when a is
// not a mid-edge node.
bool mid_edge(integer D, integer a, integer& i, integer& j) {
    // Edge ends by node, from the first mid-edge node on: D = 2 nodes 4 ... 6,
    // D = 3 nodes 5 ... 10.
    static constexpr std::array<integer, 6> tri_i{0, 1, 2};
    static constexpr std::array<integer, 6> tri_j{1, 2, 0};
    static constexpr std::array<integer, 6> tet_i{0, 1, 0, 0, 1, 2};
    static constexpr std::array<integer, 6> tet_j{1, 2, 2, 3, 3, 3};
    if (D == 1) {
        i = 0;
        j = 1;
        return a == 3;
    }
    const integer first = D + 2;
    const integer count = D == 2 ? 3 : 6;
    if (a < first || a >= first + count) return false;
    const integer e = a - first + 1;
    i = F1<const integer>(D == 2 ? tri_i.data() : tet_i.data(), count)(e);
    j = F1<const integer>(D == 2 ? tri_j.data() : tet_j.data(), count)(e);
    return true;
}

// Builds shape function a as a product; false when the function is identically zero.
bool shape_product(F1<const real> xi, integer order, integer a, integer D, Product& p) {
    if (D < 1 || D > 3 || a < 1) return false;
    if (order == 1) {
        if (a > D + 1) {
            p = bubble(xi, D);
            return true;
        }
        p.coef = 1.0;
        p.times(barycentric(xi, D, a - 1));
        return true;
    }
    if (order != 2) return false;
    if (a <= D + 1) {  // vertex: lambda (2 lambda - 1)
        const Affine l = barycentric(xi, D, a - 1);
        p.coef = 1.0;
        p.times(l);
        p.times(twice_minus_one(l));
        return true;
    }
    integer i = 0;
    integer j = 0;
    if (mid_edge(D, a, i, j)) {  // 4 lambda_i lambda_j
        p.coef = 4.0;
        p.times(barycentric(xi, D, i));
        p.times(barycentric(xi, D, j));
        return true;
    }
    const integer bubble_node = D == 2 ? 7 : (D == 3 ? 11 : 0);
    if (a != bubble_node) return false;
    p = bubble(xi, D);
    return true;
}

// Leibniz rule for a product of affine factors: every factor absorbs at most one of the
// directions dirs(j ... m); the sum runs over all ways to hand the remaining directions to the
// factors not yet used (bit f of used set when factor f is taken).
real assign_directions(const Product& p, F1<const integer> dirs, integer j, unsigned used) {
    const F1<const Affine> f = p.factors();
    if (j > dirs.size()) {
        real prod = 1.0;
        for (integer k = 1; k <= p.nfactors; ++k) {
            if (!(used & (1u << k))) prod *= f(k).value;
        }
        return prod;
    }
    real sum = 0.0;
    for (integer k = 1; k <= p.nfactors; ++k) {
        if (used & (1u << k)) continue;
        const real g = f(k).grad()(dirs(j));
        if (g != 0.0) sum += g * assign_directions(p, dirs, j + 1, used | (1u << k));
    }
    return sum;
}

}  // namespace

real sfsimplex(F1<const real> xi, F1<const integer> alpha, integer order, integer a, integer D) {
    Product p;
    if (!shape_product(xi, order, a, D, p)) return 0.0;
    // 1 - the multi-index as a list of directions, e.g. (2, 0, 1) -> 1, 1, 3
    std::array<integer, 4> dir_store{};
    const F1<integer> dirs(dir_store.data(), 4);
    integer m = 0;
    for (integer r = 1; r <= D; ++r) {
        if (alpha(r) < 0) return 0.0;
        if (m + alpha(r) > p.nfactors) return 0.0;  // above the degree
        for (integer k = 1; k <= alpha(r); ++k) dirs(++m) = r;
    }
    // 2 - differentiate the product
    return p.coef * assign_directions(p, dirs.section(1, m), 1, 0u);
}

void shapef(integer NNod, integer D, F1<real> N, F1<const real> xi, integer order,
            integer NBubble) {
    const std::array<integer, 3> zero{};
    const F1<const integer> alpha(zero.data(), 3);
    for (integer a = 1; a <= NNod; ++a) {
        N(a) = (order == 1 && a > D + 1 + NBubble) ? 0.0 : sfsimplex(xi, alpha, order, a, D);
    }
}

void localshapeder(integer NNod, integer D, F2<real> dN, F1<const real> xi, integer order,
                   integer NBubble) {
    if (D < 1 || D > 3) {  // no simplex of that dimension: every derivative is 0
        for (integer a = 1; a <= NNod; ++a) {
            for (integer r = 1; r <= D; ++r) dN(r, a) = 0.0;
        }
        return;
    }
    std::array<integer, 3> unit{};
    const F1<integer> alpha(unit.data(), 3);
    for (integer a = 1; a <= NNod; ++a) {
        for (integer r = 1; r <= D; ++r) {
            if (order == 1 && a > D + 1 + NBubble) {
                dN(r, a) = 0.0;
                continue;
            }
            alpha(r) = 1;
            dN(r, a) = sfsimplex(xi, alpha, order, a, D);
            alpha(r) = 0;
        }
    }
}

}  // namespace vetrix
