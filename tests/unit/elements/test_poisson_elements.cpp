// Tests of poissonfem_1 and poissonfem_2: hand-computed matrices, theta-scheme steady states,
// patch tests on meshes of mixed orientation, clockwise against counter-clockwise numbering.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>

#include "common/stops.hpp"
#include "element_harness.hpp"
#include "elements/poisson_elements.hpp"

namespace vetrix {
namespace {

using test::assemble;
using test::call_element;
using test::Dense;
using test::ElementResult;
using test::Mesh;
using test::residual;
using test::ScreenCapture;

// (m+1) x (m+1) grid on the unit square, interior nodes moved off the grid, two triangles per
// cell; cells with i + j odd list their triangles clockwise.
Mesh linear_triangles(int m) {
    Mesh g;
    for (int j = 0; j <= m; ++j) {
        for (int i = 0; i <= m; ++i) {
            const bool inner = i > 0 && i < m && j > 0 && j < m;
            const int id = j * (m + 1) + i;
            g.X.push_back(double(i) / m + (inner ? 0.2 / m * std::sin(3.1 * id) : 0.0));
            g.X.push_back(double(j) / m + (inner ? 0.15 / m * std::cos(2.3 * id) : 0.0));
        }
    }
    for (int j = 0; j < m; ++j) {
        for (int i = 0; i < m; ++i) {
            const int p00 = j * (m + 1) + i, p10 = p00 + 1, p01 = p00 + m + 1, p11 = p01 + 1;
            if ((i + j) % 2 == 0) {
                g.els.push_back({p00, p10, p11});
                g.els.push_back({p00, p11, p01});
            } else {
                g.els.push_back({p00, p11, p10});
                g.els.push_back({p00, p01, p11});
            }
        }
    }
    return g;
}

// Adds a mid-edge node for every edge (pairs of vertex positions in the element list).
Mesh add_mid_edge_nodes(const Mesh& v, const std::vector<std::pair<int, int>>& edges) {
    Mesh q = v;
    std::map<std::pair<int, int>, int> mid;
    for (auto& el : q.els) {
        const std::vector<int> vert = el;
        for (auto [i, j] : edges) {
            const auto key = std::minmax(vert[i], vert[j]);
            auto it = mid.find(key);
            if (it == mid.end()) {
                it = mid.emplace(key, q.nodes()).first;
                for (int c = 0; c < q.NDim; ++c) {
                    q.X.push_back(0.5 * (v.X[v.NDim * key.first + c] + v.X[v.NDim * key.second + c]));
                }
            }
            el.push_back(it->second);
        }
    }
    return q;
}

// Kuhn triangulation of an m^3 grid of cubes on [0, m]^3 (six tetrahedra per cube, half of
// them negatively oriented), interior vertices moved off the grid.
Mesh kuhn_tetrahedra(int m) {
    Mesh g;
    g.NDim = 3;
    const int n = m + 1;
    for (int k = 0; k <= m; ++k)
        for (int j = 0; j <= m; ++j)
            for (int i = 0; i <= m; ++i) {
                const bool inner = i > 0 && i < m && j > 0 && j < m && k > 0 && k < m;
                const int id = (k * n + j) * n + i;
                g.X.push_back(i + (inner ? 0.10 * std::sin(1.7 * id) : 0.0));
                g.X.push_back(j + (inner ? 0.08 * std::cos(2.9 * id) : 0.0));
                g.X.push_back(k + (inner ? 0.06 * std::sin(0.7 * id) : 0.0));
            }
    const int step[3] = {1, n, n * n};
    const int perms[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (int k = 0; k < m; ++k)
        for (int j = 0; j < m; ++j)
            for (int i = 0; i < m; ++i)
                for (const auto& p : perms) {
                    int v = (k * n + j) * n + i;
                    std::vector<int> el{v};
                    for (int s = 0; s < 3; ++s) el.push_back(v += step[p[s]]);
                    g.els.push_back(el);
                }
    return g;
}

const std::vector<std::pair<int, int>> kTriangleEdges = {{0, 1}, {1, 2}, {2, 0}};
const std::vector<std::pair<int, int>> kTetEdges = {{0, 1}, {1, 2}, {0, 2},
                                                    {0, 3}, {1, 3}, {2, 3}};

bool on_boundary(const Mesh& m, int node, double hi) {
    for (int c = 0; c < m.NDim; ++c) {
        const double x = m.X[m.NDim * node + c];
        if (x == 0.0 || x == hi) return true;
    }
    return false;
}

std::vector<double> nodal(const Mesh& m, double (*u)(const double*)) {
    std::vector<double> v;
    for (int i = 0; i < m.nodes(); ++i) v.push_back(u(&m.X[m.NDim * i]));
    return v;
}

double linear_field(const double* x) { return 1.5 + 2.0 * x[0] - 3.0 * x[1]; }
double harmonic_quadratic(const double* x) { return x[0] * x[0] - x[1] * x[1] + 0.5 * x[0] * x[1]; }

// CP = rho, c, k, Q, theta
TEST(Poissonfem1, PureStiffnessAndConsistentMassByHand) {
    const std::vector<double> X{0, 0, 2, 0, 0, 2};  // right triangle, det = 4
    const std::vector<double> u_old{1.0, -2.0, 4.0};
    // theta = 1, rho = 0: k/2 [[2,-1,-1],[-1,1,0],[-1,0,1]] and no load
    const ElementResult s = call_element(poissonfem_1, 2, 1, X, {0, 5, 3, 7, 1}, u_old);
    const double K[3][3] = {{3, -1.5, -1.5}, {-1.5, 1.5, 0}, {-1.5, 0, 1.5}};
    for (int a = 1; a <= 3; ++a) {
        EXPECT_EQ(s.be(a), 0.0);
        for (int b = 1; b <= 3; ++b) EXPECT_NEAR(s.ae(a, b), K[a - 1][b - 1], 1e-14);
    }
    // k = 0: (rho c / DT) det / 24 (1 + delta_ab) on both sides; source rho Q area / 3
    const double rho = 2, c = 3, Q = 0.25, DT = 0.5;
    const ElementResult m = call_element(poissonfem_1, 2, 1, X, {rho, c, 0, Q, 0.5}, u_old,
                                         {1.0}, DT);
    for (int a = 1; a <= 3; ++a) {
        double be = rho * Q * 2.0 / 3.0;
        for (int b = 1; b <= 3; ++b) {
            const double mab = rho * c / DT * 4.0 / 24.0 * (a == b ? 2 : 1);
            EXPECT_NEAR(m.ae(a, b), mab, 1e-14);
            EXPECT_NEAR(mass[(b - 1) * mass_order + (a - 1)], (a == b ? 2 : 1) / 24.0, 1e-16);
            be += mab * u_old[b - 1];
        }
        EXPECT_NEAR(m.be(a), be, 1e-13);
    }
    EXPECT_EQ(*std::max_element(mass.begin() + 3 * mass_order, mass.end()), 0.0);
}

TEST(Poissonfem1, WritesOnlySlotOneAndRefusesMoreThanElevenNodes) {
    const std::vector<double> X{0, 0, 1, 0, 0, 1};
    const ElementResult r =
        call_element(poissonfem_1, 2, 3, X, {1, 1, 1, 1, 0.5}, {1, 9, 9, 2, 9, 9, 3, 9, 9});
    for (int l = 1; l <= 9; ++l) {
        for (int m = 1; m <= 9; ++m) {
            const bool slot1 = l % 3 == 1 && m % 3 == 1;
            EXPECT_TRUE(slot1 || r.ae(l, m) == 0.0) << l << " " << m;
        }
        EXPECT_TRUE(l % 3 == 1 || r.be(l) == 0.0) << l;
    }
    std::vector<double> X12(24, 0.0);
    X12[2] = 1.0;
    X12[5] = 1.0;
    ScreenCapture cap;
    EXPECT_THROW(call_element(poissonfem_1, 2, 1, X12, {1, 1, 1, 1, 0.5}), OrderlyStop);
    EXPECT_NE(cap.text.find("more than"), std::string::npos);
}

// A steady state u_old (harmonic, no source) is reproduced at every interior node for every
// theta: A u_old - B = K u_old there.
TEST(Poissonfem1, ThetaSchemeKeepsSteadyStateSteady) {
    const Mesh m = linear_triangles(3);
    const std::vector<double> u = nodal(m, linear_field);
    ScreenCapture cap;
    for (double theta : {0.0, 0.5, 1.0}) {
        Dense d = assemble(poissonfem_1, m, {2.0, 3.0, 0.7, 0.0, theta}, u, 1, 0.1);
        const std::vector<double> res = residual(d, u);
        for (int i = 0; i < m.nodes(); ++i) {
            const double r = on_boundary(m, i, 1.0) ? 0.0 : res[i];
            EXPECT_NEAR(r, 0.0, 1e-12) << theta << " " << i;
        }
    }
    // no diffusion: every node steady, boundary included
    Dense d = assemble(poissonfem_1, m, {2.0, 3.0, 0.0, 0.0, 0.5}, u, 1, 0.1);
    for (double r : residual(d, u)) EXPECT_NEAR(r, 0.0, 1e-12);
}

// Dense solve of the interior rows with the boundary values prescribed.
std::vector<double> solve_interior(Dense d, const Mesh& m, const std::vector<double>& u_b,
                                   double hi) {
    std::vector<int> inner;
    for (int i = 0; i < m.nodes(); ++i) {
        if (!on_boundary(m, i, hi)) inner.push_back(i);
    }
    const int n = static_cast<int>(inner.size());
    std::vector<double> A(n * n), b(n);
    for (int r = 0; r < n; ++r) {
        b[r] = d.F[inner[r]];
        for (int j = 0; j < m.nodes(); ++j) {
            if (on_boundary(m, j, hi)) b[r] -= d.k(inner[r], j) * u_b[j];
        }
        for (int c = 0; c < n; ++c) A[c * n + r] = d.k(inner[r], inner[c]);
    }
    for (int p = 0; p < n; ++p) {  // Gaussian elimination with partial pivoting
        int piv = p;
        for (int r = p + 1; r < n; ++r) {
            if (std::abs(A[p * n + r]) > std::abs(A[p * n + piv])) piv = r;
        }
        for (int c = 0; c < n; ++c) std::swap(A[c * n + p], A[c * n + piv]);
        std::swap(b[p], b[piv]);
        for (int r = p + 1; r < n; ++r) {
            const double f = A[p * n + r] / A[p * n + p];
            for (int c = p; c < n; ++c) A[c * n + r] -= f * A[c * n + p];
            b[r] -= f * b[p];
        }
    }
    std::vector<double> u = u_b;
    for (int p = n - 1; p >= 0; --p) {
        double s = b[p];
        for (int c = p + 1; c < n; ++c) s -= A[c * n + p] * u[inner[c]];
        u[inner[p]] = s / A[p * n + p];
    }
    return u;
}

TEST(Poissonfem1, LinearPatchTestOnMixedOrientationMesh) {
    const Mesh m = linear_triangles(4);
    const std::vector<double> exact = nodal(m, linear_field);
    ScreenCapture cap;
    Dense d = assemble(poissonfem_1, m, {0.0, 1.0, 2.5, 0.0, 1.0}, exact);
    std::vector<double> start = exact;
    for (int i = 0; i < m.nodes(); ++i) {
        if (!on_boundary(m, i, 1.0)) start[i] = 0.0;
    }
    const std::vector<double> u = solve_interior(d, m, start, 1.0);
    for (int i = 0; i < m.nodes(); ++i) EXPECT_NEAR(u[i], exact[i], 1e-12) << i;
    // clockwise elements are still reported, once each
    size_t warnings = 0;
    for (size_t p = cap.text.find("< 0"); p != std::string::npos; p = cap.text.find("< 0", p + 1)) {
        ++warnings;
    }
    EXPECT_EQ(warnings, m.els.size() / 2);
}

TEST(Poissonfem2, QuadraticPatchTestsOnTrianglesAndTetrahedra) {
    struct Case {
        Mesh mesh;
        double hi;
    };
    const Case cases[] = {
        {add_mid_edge_nodes(linear_triangles(2), kTriangleEdges), 1.0},
        {add_mid_edge_nodes(linear_triangles(3), kTriangleEdges), 1.0},
        {add_mid_edge_nodes(kuhn_tetrahedra(2), kTetEdges), 2.0},
    };
    ScreenCapture cap;
    for (const Case& c : cases) {
        const std::vector<double> u = nodal(c.mesh, harmonic_quadratic);
        for (int ndof : {1, 2}) {
            Dense d = assemble(poissonfem_2, c.mesh, {1.7}, u, ndof);
            const std::vector<double> res = residual(d, u);
            int inner = 0;
            for (int i = 0; i < c.mesh.nodes(); ++i) {
                if (on_boundary(c.mesh, i, c.hi)) continue;
                ++inner;
                EXPECT_NEAR(res[i], 0.0, 1e-12) << "NDim=" << c.mesh.NDim << " node " << i;
            }
            EXPECT_GT(inner, 0);
            // constants lie in the kernel at every node
            const std::vector<double> one(c.mesh.nodes(), 1.0);
            for (double r : residual(d, one)) EXPECT_NEAR(r, 0.0, 1e-12);
        }
    }
}

TEST(Poissonfem2, WritesOnlySlotOneRowsAndColumnsAndNoLoad) {
    const std::vector<double> X{0, 0, 1, 0, 0, 1, 0.5, 0, 0.5, 0.5, 0, 0.5};
    const ElementResult r = call_element(poissonfem_2, 2, 2, X, {1.0}, {}, {1.0}, 1.0, 0.0);
    double diag = 0.0;
    for (int l = 1; l <= 12; ++l) {
        EXPECT_EQ(r.be(l), 0.0);
        for (int m = 1; m <= 12; ++m) {
            EXPECT_TRUE((l % 2 == 1 && m % 2 == 1) || r.ae(l, m) == 0.0) << l << " " << m;
        }
        if (l % 2 == 1) diag += r.ae(l, l);
    }
    EXPECT_GT(diag, 0.0);
    // vertex 1 of the unit right triangle: k int |grad N1|^2 = 1 (hand value)
    EXPECT_NEAR(r.ae(1, 1), 1.0, 1e-14);
}

// Element matrices of a clockwise numbering equal those of the counter-clockwise one, rows
// and columns taken in the matching order.
TEST(Elements, ClockwiseNumberingGivesTheSameMatrices) {
    struct Case {
        const char* name;
        ElementRoutine f;
        int NDim;
        std::vector<double> X;    // counter-clockwise (positive) numbering
        std::vector<int> perm;    // node of the original for each node of the reversed one
        std::vector<double> CP;
    };
    const std::vector<double> tri{0.1, 0.2, 1.3, 0.4, 0.5, 1.1};
    std::vector<double> tri6 = tri;
    for (auto [i, j] : kTriangleEdges) {
        for (int c = 0; c < 2; ++c) tri6.push_back(0.5 * (tri[2 * i + c] + tri[2 * j + c]));
    }
    const std::vector<double> tet{0.1, 0.0, 0.2, 1.2, 0.1, 0.0, 0.3, 1.1, 0.1, 0.2, 0.3, 0.9};
    std::vector<double> tet10 = tet;
    for (auto [i, j] : kTetEdges) {
        for (int c = 0; c < 3; ++c) tet10.push_back(0.5 * (tet[3 * i + c] + tet[3 * j + c]));
    }
    const Case cases[] = {
        {"poissonfem_1", poissonfem_1, 2, tri, {0, 2, 1}, {2.0, 3.0, 0.7, 0.4, 0.6}},
        {"poissonfem_2 triangle", poissonfem_2, 2, tri6, {0, 2, 1, 5, 4, 3}, {1.3}},
        {"poissonfem_2 tetrahedron", poissonfem_2, 3, tet10, {0, 1, 3, 2, 4, 8, 7, 6, 5, 9},
         {1.3}},
    };
    for (const Case& c : cases) {
        const int nn = static_cast<int>(c.perm.size());
        std::vector<double> u_old(nn), Xr, ur;
        for (int a = 0; a < nn; ++a) u_old[a] = 1.0 + 0.3 * a * a;
        for (int a : c.perm) {
            for (int k = 0; k < c.NDim; ++k) Xr.push_back(c.X[c.NDim * a + k]);
            ur.push_back(u_old[a]);
        }
        ScreenCapture cap;
        const ElementResult ccw = call_element(c.f, c.NDim, 1, c.X, c.CP, u_old, {1.0}, 0.1);
        EXPECT_EQ(cap.text, "") << c.name;
        const ElementResult cw = call_element(c.f, c.NDim, 1, Xr, c.CP, ur, {1.0}, 0.1);
        EXPECT_EQ(cap.text, " !!!!! WARNING, Jacobian of an element < 0\n") << c.name;
        for (int a = 1; a <= nn; ++a) {
            const int pa = c.perm[a - 1] + 1;
            EXPECT_NEAR(cw.be(a), ccw.be(pa), 1e-13) << c.name;
            for (int b = 1; b <= nn; ++b) {
                EXPECT_NEAR(cw.ae(a, b), ccw.ae(pa, c.perm[b - 1] + 1), 1e-13) << c.name;
            }
        }
        EXPECT_GT(ccw.ae(1, 1), 0.0) << c.name;
    }
}

}  // namespace
}  // namespace vetrix
