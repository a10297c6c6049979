// Tests of poissonfem_1 and poissonfem_2: hand-computed matrices, theta-scheme steady states,
// patch tests on meshes of mixed orientation, clockwise against counter-clockwise numbering.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>

#include "element_harness.hpp"
#include "elements/poisson_elements.hpp"

namespace vetrix {
namespace {

using namespace test;

// Star of 2^D simplices around an interior node off the origin, one in each orthant, with outer
// vertices on the axes at unequal distances (nodes 1 + 2i, 2 + 2i): its orientations alternate.
Mesh star(int D) {
    Mesh g{D, {0.13, -0.07, 0.05}, {}};
    g.X.resize(D);
    for (int n = 0; n < 2 * D; ++n)
        for (int c = 0; c < D; ++c)
            g.X.push_back(c != n / 2 ? 0 : n % 2 ? -0.7 - 0.2 * c : 1 + 0.3 * c);
    for (int signs = 0; signs < (1 << D); ++signs) {
        std::vector<int> el{0};
        for (int c = 0; c < D; ++c) el.push_back(1 + 2 * c + (signs >> c & 1));
        g.els.push_back(el);
    }
    return g;
}

// Appends a mid-edge node for every edge of a triangle (3 edges) or tetrahedron (6 edges).
Mesh quadratic(Mesh q) {
    const std::vector<std::pair<int, int>> edges =
        q.NDim == 2
            ? std::vector<std::pair<int, int>>{{0, 1}, {1, 2}, {2, 0}}
            : std::vector<std::pair<int, int>>{{0, 1}, {1, 2}, {0, 2}, {0, 3}, {1, 3}, {2, 3}};
    std::map<std::pair<int, int>, int> mid;
    for (auto& el : q.els)
        for (auto [i, j] : edges) {
            const std::pair<int, int> key = std::minmax(el[i], el[j]);
            if (!mid.count(key)) {
                mid[key] = q.nodes();
                for (int c = 0; c < q.NDim; ++c)
                    q.X.push_back(0.5 *
                                  (q.X[q.NDim * key.first + c] + q.X[q.NDim * key.second + c]));
            }
            el.push_back(mid[key]);
        }
    return q;
}

bool on_boundary(const Mesh& m, int i) {  // not the centre nor the midpoint of a spoke
    for (int v = 0; v <= 2 * m.NDim; ++v) {
        double d = 0.0;
        for (int c = 0; c < m.NDim; ++c)
            d += std::abs(m.X[m.NDim * i + c] - 0.5 * (m.X[c] + m.X[m.NDim * v + c]));
        if (d < 1e-12) return false;
    }
    return true;
}

// On the right triangle of legs 2 (det J = 4) with theta = 1: the stiffness
// k/2 [[2,-1,-1],[-1,1,0],[-1,0,1]] plus the mass (rho c / DT) det / 24 (1 + delta_ab), which
// also multiplies u_old in the load, plus rho Q area / 3. CP = rho, c, k, Q, theta.
TEST(Poissonfem1, HandMatrices) {
    const std::vector<double> u_old{1.0, -2.0, 4.0};
    const ElementResult r =
        call_element(poissonfem_1, 2, 1, {0, 0, 2, 0, 0, 2}, {2, 3, 3, 0.25, 1}, u_old, {1}, 0.5);
    const double K[3][3] = {{3, -1.5, -1.5}, {-1.5, 1.5, 0}, {-1.5, 0, 1.5}};
    for (int a = 1; a <= 3; ++a) {
        double be = 2 * 0.25 * 2 / 3.0;
        for (int b = 1; b <= 3; ++b) {
            EXPECT_NEAR(r.ae(a, b), K[a - 1][b - 1] + 2 * (a == b ? 2 : 1), 1e-14);
            EXPECT_NEAR(mass[(b - 1) * mass_order + a - 1], (a == b ? 2 : 1) / 24.0, 1e-16);
            be += 2 * (a == b ? 2 : 1) * u_old[b - 1];
        }
        EXPECT_NEAR(r.be(a), be, 1e-13);
    }
}

// K u = F at every interior node for fields the elements reproduce: a linear one for the linear
// triangle under every theta (theta = 1, rho = 0 is the plain patch test; without diffusion
// every node counts), the harmonic x^2 - y^2 + xy/2 for quadratic triangles and tetrahedra;
// constants at every node.
TEST(PoissonElements, PatchTestsAndSteadyStates) {
    ScreenCapture cap;
    const struct {
        ElementRoutine f;
        Mesh m;
        std::vector<double> CP;
    } cases[] = {
        {poissonfem_1, star(2), {2, 3, 0.7, 0, 0}}, {poissonfem_1, star(2), {2, 3, 0.7, 0, 0.5}},
        {poissonfem_1, star(2), {0, 3, 0.7, 0, 1}}, {poissonfem_1, star(2), {2, 3, 0, 0, 0.5}},
        {poissonfem_2, quadratic(star(2)), {1.7}},  {poissonfem_2, quadratic(star(3)), {1.7}}};
    for (const auto& c : cases) {
        std::vector<double> u, one(c.m.nodes(), 1.0);
        for (int i = 0; i < c.m.nodes(); ++i) {
            const double* x = &c.m.X[c.m.NDim * i];
            u.push_back(c.f == poissonfem_1 ? 1.5 + 2 * x[0] - 3 * x[1]
                                            : x[0] * x[0] - x[1] * x[1] + 0.5 * x[0] * x[1]);
        }
        const std::vector<double> res = assembled_residual(c.f, c.m, c.CP, u, u, 0.1),
                                  res1 = assembled_residual(c.f, c.m, c.CP, one, one, 0.1);
        for (int i = 0; i < c.m.nodes(); ++i) {
            const bool counts = !on_boundary(c.m, i) || (c.f == poissonfem_1 && c.CP[2] == 0);
            EXPECT_NEAR(counts ? res[i] : 0.0, 0.0, 1e-12) << c.m.NDim << " node " << i;
            EXPECT_NEAR(res1[i], 0.0, 1e-12);
        }
    }
}

// A clockwise numbering gives the counter-clockwise matrices, rows and columns permuted.
TEST(PoissonElements, ClockwiseNumberingGivesTheSameMatrices) {
    const Mesh tri{2, {0.1, 0.2, 1.3, 0.4, 0.5, 1.1}, {{0, 1, 2}}};
    const Mesh tet{3, {0.1, 0, 0.2, 1.2, 0.1, 0, 0.3, 1.1, 0.1, 0.2, 0.3, 0.9}, {{0, 1, 2, 3}}};
    struct Case {
        ElementRoutine f;
        Mesh m;
        std::vector<int> perm;  // node of the positive numbering for each node of the negative
        std::vector<double> CP;
    } cases[] = {{poissonfem_1, tri, {0, 2, 1}, {2, 3, 0.7, 0.4, 0.6}},
                 {poissonfem_2, quadratic(tri), {0, 2, 1, 5, 4, 3}, {1.3}},
                 {poissonfem_2, quadratic(tet), {0, 1, 3, 2, 4, 8, 7, 6, 5, 9}, {1.3}}};
    for (const Case& c : cases) {
        std::vector<double> u, Xr, ur;
        for (size_t a = 0; a < c.perm.size(); ++a) u.push_back(1 + 0.3 * a * a);
        for (int a : c.perm) {
            ur.push_back(u[a]);
            for (int k = 0; k < c.m.NDim; ++k) Xr.push_back(c.m.X[c.m.NDim * a + k]);
        }
        ScreenCapture cap;
        const ElementResult pos = call_element(c.f, c.m.NDim, 1, c.m.X, c.CP, u, {1}, 0.1);
        const ElementResult neg = call_element(c.f, c.m.NDim, 1, Xr, c.CP, ur, {1}, 0.1);
        EXPECT_EQ(cap.text, " !!!!! WARNING, Jacobian of an element < 0\n");
        EXPECT_GT(pos.ae(1, 1), 0.0);
        for (int a = 1; a <= pos.n; ++a) {
            EXPECT_NEAR(neg.be(a), pos.be(c.perm[a - 1] + 1), 1e-13);
            for (int b = 1; b <= pos.n; ++b)
                EXPECT_NEAR(neg.ae(a, b), pos.ae(c.perm[a - 1] + 1, c.perm[b - 1] + 1), 1e-13);
        }
    }
}

}  // namespace
}  // namespace vetrix
