// Tests of poissonfem_1 and poissonfem_2: hand-computed matrices, theta-scheme steady states,
// patch tests on meshes of mixed orientation, clockwise against counter-clockwise numbering.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "common/stops.hpp"
#include "element_harness.hpp"
#include "elements/poisson_elements.hpp"

namespace vetrix {
namespace {

using namespace test;

// Grid of m x m cells on [0, m], interior nodes moved off the grid, two triangles per cell
// listed clockwise in every other cell.
Mesh triangles(int m) {
    Mesh g;
    for (int j = 0; j <= m; ++j)
        for (int i = 0; i <= m; ++i) {
            const double s = (i % m && j % m) ? 0.2 : 0.0, id = j * (m + 1) + i;
            g.X.insert(g.X.end(), {i + s * std::sin(3.1 * id), j + s * std::cos(2.3 * id)});
        }
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < m; ++i) {
            const int p = j * (m + 1) + i, q = p + 1, r = p + m + 1, s = r + 1;
            g.els.push_back((i + j) % 2 ? std::vector<int>{p, s, q} : std::vector<int>{p, q, s});
            g.els.push_back((i + j) % 2 ? std::vector<int>{p, r, s} : std::vector<int>{p, s, r});
        }
    return g;
}

// Kuhn triangulation of m^3 cubes on [0, m]^3: six tetrahedra per cube, half of them negative.
Mesh tetrahedra(int m) {
    Mesh g;
    g.NDim = 3;
    const int n = m + 1, step[3] = {1, n, n * n};
    for (int id = 0; id < n * n * n; ++id) {
        const int i = id % n, j = id / n % n, k = id / (n * n);
        const double s = (i % m && j % m && k % m) ? 0.1 : 0.0;
        g.X.insert(g.X.end(), {i + s * std::sin(1.7 * id), j + s * std::cos(2.9 * id),
                               k + s * std::sin(0.7 * id)});
    }
    const int perms[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (int id = 0; id < n * n * n; ++id) {
        if (id % n == m || id / n % n == m || id / (n * n) == m) continue;
        for (const auto& p : perms) {
            std::vector<int> el{id};
            for (int s = 0, v = id; s < 3; ++s) el.push_back(v += step[p[s]]);
            g.els.push_back(el);
        }
    }
    return g;
}

const std::vector<std::pair<int, int>> kTriEdges{{0, 1}, {1, 2}, {2, 0}};
const std::vector<std::pair<int, int>> kTetEdges{{0, 1}, {1, 2}, {0, 2}, {0, 3}, {1, 3}, {2, 3}};

// Appends a mid-edge node for every edge, in the order of the edge list.
Mesh quadratic(Mesh q, const std::vector<std::pair<int, int>>& edges) {
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

// Field values at the nodes; entries of boundary nodes of [0, hi]^NDim get the flag "true".
std::vector<double> field(const Mesh& m, int degree, std::vector<bool>* boundary = nullptr,
                          double hi = 0) {
    std::vector<double> u;
    for (int i = 0; i < m.nodes(); ++i) {
        const double* x = &m.X[m.NDim * i];
        u.push_back(degree == 1 ? 1.5 + 2 * x[0] - 3 * x[1]
                                : x[0] * x[0] - x[1] * x[1] + 0.5 * x[0] * x[1]);
        bool b = false;
        for (int c = 0; c < m.NDim; ++c) b = b || x[c] == 0.0 || x[c] == hi;
        if (boundary) boundary->push_back(b);
    }
    return u;
}

TEST(Poissonfem1, HandMatricesAndMassScratch) {
    const std::vector<double> X{0, 0, 2, 0, 0, 2}, u_old{1.0, -2.0, 4.0};  // det J = 4
    // theta = 1, rho = 0: k/2 [[2,-1,-1],[-1,1,0],[-1,0,1]], no load; CP = rho, c, k, Q, theta
    const ElementResult s = call_element(poissonfem_1, 2, 1, X, {0, 5, 3, 7, 1}, u_old);
    const double K[3][3] = {{3, -1.5, -1.5}, {-1.5, 1.5, 0}, {-1.5, 0, 1.5}};
    // k = 0: (rho c / DT) det / 24 (1 + delta_ab) on both sides plus rho Q area / 3
    const ElementResult m =
        call_element(poissonfem_1, 2, 1, X, {2, 3, 0, 0.25, 0.5}, u_old, {1}, 0.5);
    for (int a = 1; a <= 3; ++a) {
        double be = 2 * 0.25 * 2 / 3.0;
        for (int b = 1; b <= 3; ++b) {
            EXPECT_NEAR(s.ae(a, b), K[a - 1][b - 1], 1e-14);
            EXPECT_NEAR(m.ae(a, b), 12 * 4 / 24.0 * (a == b ? 2 : 1), 1e-14);
            EXPECT_NEAR(mass[(b - 1) * mass_order + a - 1], (a == b ? 2 : 1) / 24.0, 1e-16);
            be += m.ae(a, b) * u_old[b - 1];
        }
        EXPECT_EQ(s.be(a), 0.0);
        EXPECT_NEAR(m.be(a), be, 1e-13);
    }
    EXPECT_EQ(mass[3 * mass_order + 3], 0.0);
    ScreenCapture cap;
    EXPECT_THROW(call_element(poissonfem_1, 2, 1, std::vector<double>(24, 0.5), {1, 1, 1, 1, 1}),
                 OrderlyStop);  // more than 11 nodes
}

// A harmonic u_old without source stays steady at interior nodes for every theta (the case
// theta = 1, rho = 0 is the linear patch test); without diffusion, at every node.
TEST(Poissonfem1, SteadyStatesAndLinearPatchTest) {
    const Mesh m = triangles(3);
    std::vector<bool> boundary;
    const std::vector<double> u = field(m, 1, &boundary, 3.0);
    ScreenCapture cap;
    for (auto [rho, k, theta] :
         {std::array{2.0, 0.7, 0.0}, {2.0, 0.7, 0.5}, {0.0, 0.7, 1.0}, {2.0, 0.0, 0.5}}) {
        const std::vector<double> res =
            assembled_residual(poissonfem_1, m, {rho, 3, k, 0, theta}, u, u, 2, 0.1);
        for (int i = 0; i < m.nodes(); ++i)
            EXPECT_NEAR(boundary[i] && k != 0 ? 0.0 : res[i], 0.0, 1e-12) << theta << " " << i;
    }
    EXPECT_EQ(cap.text.size(),
              4 * 8 * std::string(" !!!!! WARNING, Jacobian of an element < 0\n").size());
}

// x^2 - y^2 + xy/2 is harmonic and quadratic: K u = 0 at every interior node; constants at all.
TEST(Poissonfem2, QuadraticPatchTestsOnTrianglesAndTetrahedra) {
    ScreenCapture cap;
    for (auto [mesh, hi] : {std::pair{quadratic(triangles(2), kTriEdges), 2.0},
                            {quadratic(triangles(3), kTriEdges), 3.0},
                            {quadratic(tetrahedra(2), kTetEdges), 2.0}}) {
        std::vector<bool> boundary;
        const std::vector<double> u = field(mesh, 2, &boundary, hi), one(u.size(), 1.0);
        for (int ndof : {1, 2}) {
            const std::vector<double> res =
                assembled_residual(poissonfem_2, mesh, {1.7}, u, u, ndof);
            const std::vector<double> res1 =
                assembled_residual(poissonfem_2, mesh, {1.7}, u, one, ndof);
            for (int i = 0; i < mesh.nodes(); ++i) {
                EXPECT_NEAR(boundary[i] ? 0.0 : res[i], 0.0, 1e-12) << mesh.NDim << " node " << i;
                EXPECT_NEAR(res1[i], 0.0, 1e-12);
            }
        }
    }
}

// Only slot-1 rows and columns are written (poissonfem_2 writes no load at all).
TEST(PoissonElements, WriteOnlySlotOne) {
    const std::vector<double> X{0, 0, 1, 0, 0, 1, 0.5, 0, 0.5, 0.5, 0, 0.5};
    for (ElementRoutine f : {poissonfem_1, poissonfem_2}) {
        const ElementResult r =
            call_element(f, 2, 3, X, {1, 1, 1, 1, 0.5}, std::vector<double>(18, 2.0));
        for (int l = 1; l <= r.n; ++l) {
            EXPECT_TRUE((l % 3 == 1 && f == poissonfem_1) || r.be(l) == 0.0) << l;
            for (int m = 1; m <= r.n; ++m)
                EXPECT_TRUE((l % 3 == 1 && m % 3 == 1) || r.ae(l, m) == 0.0);
        }
        // int |grad N1|^2 = 1 for both orders; theta 1/2 and mass 1/12 for the linear one
        EXPECT_NEAR(r.ae(1, 1), f == poissonfem_1 ? 7 / 12.0 : 1.0, 1e-14);
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
                 {poissonfem_2, quadratic(tri, kTriEdges), {0, 2, 1, 5, 4, 3}, {1.3}},
                 {poissonfem_2, quadratic(tet, kTetEdges), {0, 1, 3, 2, 4, 8, 7, 6, 5, 9}, {1.3}}};
    for (const Case& c : cases) {
        std::vector<double> u, Xr, ur;
        for (int a = 0; a < static_cast<int>(c.perm.size()); ++a) u.push_back(1 + 0.3 * a * a);
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
