// The coupling rules: for each element family, the local dofs that couple and the owned diagonals.
#include <cmath>
#include <initializer_list>
#include <vector>

#include "coupling_library.hpp"

namespace vetrix {

namespace {

// Local indices are computed in 64 bits, so no node/slot offset taken from a parameter can
// overflow before it is compared with 1..M.
using idx = bigint;

// Parameter values far beyond any matrix order stay far beyond it: rounding is clamped here, and
// a value that is not a number gives an index no matrix has.
constexpr double index_limit = 1.0e12;

idx clamp_index(double x) {
    if (!(x > -index_limit)) return static_cast<idx>(-index_limit);
    if (x > index_limit) return static_cast<idx>(index_limit);
    return static_cast<idx>(x);
}

// P(j), or 0 when the type has fewer than j common parameters.
double par(F1<const real> P, idx j) {
    return (j >= 1 && j <= P.size()) ? P(j) : 0.0;
}
// nint(P(j)): nearest integer, halves away from zero.
idx nint_par(F1<const real> P, idx j) {
    return clamp_index(std::round(par(P, j)));
}
// int(P(j)): truncated towards zero.
idx int_par(F1<const real> P, idx j) {
    return clamp_index(std::trunc(par(P, j)));
}

// Writer of one coupling matrix. Every write goes through put(), which drops indices outside
// 1..M (and outside the view), so a rule never writes out of bounds.
class Pattern {
  public:
    Pattern(F2<integer> C, integer NDof, integer NDim, integer M)
        : C_(C),
          M_(M),
          N(NDof),
          D(NDim),
          L(NDim + 1),
          Q(2 * (2 * idx{NDim} - 1)),
          F(NDim <= 2 ? NDim + 1 : 2 * idx{NDim}) {}

  private:
    F2<integer> C_;
    const idx M_;

  public:
    const idx N, D;     // slots per node, space dimension
    const idx L, Q, F;  // simplex vertices, quadratic simplex nodes, quadratic face nodes

    // l(a, d): slot d of local node a.
    idx l(idx a, idx d) const { return N * (a - 1) + d; }
    idx u(idx a, idx d) const { return l(a, d); }
    idx p(idx a) const { return l(a, D + 1); }
    idx w(idx a, idx d) const { return l(a, D + 1 + d); }
    // Number of local nodes of the matrix (MaxNodEl).
    idx nodes() const { return N > 0 ? M_ / N : 0; }

    void diag(idx i, integer value = 1) { put(i, i, value); }
    // i couples with j: both entries 1 (i = j gives a diagonal 1).
    void couple(idx i, idx j) {
        put(i, j, 1);
        put(j, i, 1);
    }
    // Every member of set couples with every member, itself included.
    void full(const std::vector<idx>& set) { between(set, set); }
    void between(const std::vector<idx>& a, const std::vector<idx>& b) {
        for (idx i : a)
            for (idx j : b) couple(i, j);
    }

    // u_d(a) with u_d(b), a, b = 1..n, equal d only.
    void u_componentwise(idx n) {
        for (idx d = 1; d <= D; ++d)
            for (idx a = 1; a <= n; ++a)
                for (idx b = 1; b <= n; ++b) couple(u(a, d), u(b, d));
    }
    void w_componentwise(idx n) {
        for (idx d = 1; d <= D; ++d)
            for (idx a = 1; a <= n; ++a)
                for (idx b = 1; b <= n; ++b) couple(w(a, d), w(b, d));
    }
    // u_d(a) with u_e(b) for all components d, e and nodes a, b in first..last.
    void u_full(idx first, idx last) { full(u_of(first, last)); }
    // u_d(a), a = 1..nu, with p(b), b = 1..np.
    void u_with_p(idx nu, idx np) {
        for (idx a = 1; a <= nu; ++a)
            for (idx d = 1; d <= D; ++d)
                for (idx b = 1; b <= np; ++b) couple(u(a, d), p(b));
    }
    // p(a) with p(b), a, b in first..last.
    void p_full(idx first, idx last) {
        for (idx a = first; a <= last; ++a)
            for (idx b = first; b <= last; ++b) couple(p(a), p(b));
    }
    // All u slots of nodes first..last.
    std::vector<idx> u_of(idx first, idx last) const {
        std::vector<idx> set;
        for (idx a = first; a <= last; ++a)
            for (idx d = 1; d <= D; ++d) set.push_back(u(a, d));
        return set;
    }
    // The given slots of every node in first..last.
    std::vector<idx> slots_of(idx first, idx last, std::initializer_list<idx> slots) const {
        std::vector<idx> set;
        for (idx a = first; a <= last; ++a)
            for (idx d : slots) set.push_back(l(a, d));
        return set;
    }

  private:
    void put(idx i, idx j, integer value) {
        if (inside(i) && inside(j)) C_(i, j) = value;
    }
    bool inside(idx i) const { return i >= 1 && i <= M_ && i <= C_.ld() && i <= C_.cols(); }
};

// Chain of one-dimensional pipe nodes: node 1 has slots 1 and k + 1; every further node a the
// given slots (k + 1 among them), coupled fully within a, with slots 1 and k + 1 of node 1 and
// with the slots of every later node; the diagonal of slot k + 1 of nodes 2.. is owned.
void pipe_chain(Pattern& c, idx k, std::initializer_list<idx> slots, integer s) {
    const idx n = c.nodes();
    const std::vector<idx> head = {c.l(1, 1), c.l(1, k + 1)};
    c.diag(c.l(1, 1));
    c.diag(c.l(1, k + 1));
    c.couple(c.l(1, 1), c.l(1, k + 1));
    for (idx a = 2; a <= n; ++a) {
        const std::vector<idx> own = c.slots_of(a, a, slots);
        c.full(own);
        c.between(head, own);
        for (idx b = a + 1; b <= n; ++b) c.between(own, c.slots_of(b, b, slots));
    }
    for (idx a = 2; a <= n; ++a) c.diag(c.l(a, k + 1), s);
}

}  // namespace

// ---------------------------------------------------------------- one-dimensional pipe elements

void pipe1d(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer) {
    Pattern c(C, NDof, D, M);
    const idx k = nint_par(P, 4);
    c.full(c.slots_of(1, 2, {1, k, k + 1}));
}

void pipe1dce(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s) {
    Pattern c(C, NDof, D, M);
    const idx k = nint_par(P, 2);
    pipe_chain(c, k, {1, k, k + 1}, s);
}

void pipe1dcel4(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s) {
    Pattern c(C, NDof, D, M);
    const idx k = nint_par(P, 2);
    pipe_chain(c, k, {1, 2, k, k + 1}, s);
}

void pipe1d_lwin(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s) {
    Pattern c(C, NDof, D, M);
    const idx k = nint_par(P, 4);
    c.couple(1, k);
    c.couple(k, k + 1);
    c.diag(1, s);
    c.diag(k, s);
}

void pipe1d_lwout(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s) {
    Pattern c(C, NDof, D, M);
    const idx k = nint_par(P, 4);
    c.couple(c.l(2, 1), c.l(2, k));
    c.couple(c.l(2, k), c.l(2, k + 1));
    c.diag(c.l(2, 1), s);
    c.diag(c.l(2, k), s);
}

void pipe1d_l4in(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s) {
    Pattern c(C, NDof, D, M);
    const idx k = nint_par(P, 4);
    for (idx j : {idx{1}, k, k + 1, c.l(2, 1)}) c.couple(2, j);
    c.couple(k, k + 1);
    c.diag(2, s);
    c.diag(k, s);
}

void pipe1d_l4out(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s) {
    Pattern c(C, NDof, D, M);
    const idx k = nint_par(P, 4);
    for (idx j : {c.l(2, 1), c.l(2, k), c.l(2, k + 1), c.l(1, 1)}) c.couple(c.l(2, 2), j);
    c.couple(c.l(2, k), c.l(2, k + 1));
    c.diag(c.l(2, 2), s);
    c.diag(c.l(2, k), s);
}

void pipe1dl4(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer) {
    Pattern c(C, NDof, D, M);
    const idx k = nint_par(P, 4);
    c.full(c.slots_of(1, 2, {1, 2, k, k + 1}));
}

// ----------------------------------------------------------- Stokes and Navier-Stokes elements
// Slots of a node: velocity u_1..u_D, pressure p, mesh velocity w_1..w_D.

void stokestriangv2p1s(F2<integer> C, F1<const real>, integer NDof, integer D, integer M, integer) {
    Pattern c(C, NDof, D, M);
    c.u_componentwise(c.Q);
    c.u_with_p(c.Q, c.L);
    c.p_full(1, c.L);
}

void stokestriangalecuads(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                          integer s) {
    stokestriangv2p1s(C, P, NDof, D, M, s);
    Pattern c(C, NDof, D, M);
    for (idx a = 1; a <= c.Q; ++a) c.diag(c.w(a, 1));
    for (idx a = 1; a <= c.L; ++a) c.couple(c.w(a, 1), c.p(a));
    // mid-side nodes join the two vertices of their side
    for (idx a = c.L + 1; a <= c.Q; ++a) {
        c.couple(c.w(a, 1), c.w(a - 3, 1));
        c.couple(c.w(a, 1), a - 3 < 3 ? c.w(a - 2, 1) : c.w(1, 1));
    }
}

void stokestriangale_lins(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                          integer) {
    Pattern c(C, NDof, D, M);
    c.u_componentwise(c.L);
    c.u_with_p(c.L, c.L);
    c.w_componentwise(c.L);
    c.p_full(1, c.L);
}

void navierstokesqales(F2<integer> C, F1<const real>, integer NDof, integer D, integer M, integer) {
    Pattern c(C, NDof, D, M);
    c.u_componentwise(c.Q);
    c.w_componentwise(c.Q);
    c.u_with_p(c.Q, c.L);
    c.p_full(1, c.L);
}

void navierstokesbubales(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                         integer) {
    Pattern c(C, NDof, D, M);
    c.u_componentwise(c.L + 1);  // vertices and the interior node
    c.u_with_p(c.L + 1, c.L);
    c.w_componentwise(c.L);
    c.p_full(1, c.L);
}

void navierstokesqaleexp_acops(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                               integer) {
    Pattern c(C, NDof, D, M);
    for (idx a = 1; a <= c.Q; ++a)
        for (idx d = 1; d <= c.D; ++d) c.diag(c.u(a, d));
    c.u_with_p(c.Q, c.L);
    for (idx a = 1; a <= c.L; ++a) c.diag(c.p(a));
    c.w_componentwise(c.Q);
}

void navierstokesbubales1(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                          integer s) {
    stokestriangale_lins(C, P, NDof, D, M, s);
}

void navierstokesbubales2(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                          integer) {
    Pattern c(C, NDof, D, M);
    for (idx d = 1; d <= c.D; ++d) c.diag(c.u(c.L + 1, d));
}

void navierstokesbubalesd2(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                           integer) {
    Pattern c(C, NDof, D, M);
    c.diag(c.p(1));
}

void navierstokesbubalesfixd1(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                              integer) {
    Pattern c(C, NDof, D, M);
    c.u_componentwise(c.L);
    c.u_with_p(c.L, c.L);
    c.p_full(1, c.L);
}

void navierstokesbubalesfixd2(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                              integer) {
    Pattern c(C, NDof, D, M);
    c.w_componentwise(c.L);
}

void presure_nv_linears(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                        integer) {
    Pattern c(C, NDof, D, M);
    const idx k = nint_par(P, 2);
    for (idx a = 1; a <= c.D; ++a)
        for (idx d = 1; d <= c.D; ++d) c.diag(c.u(k + a, d));
}

void nv3dqalems(F2<integer> C, F1<const real>, integer NDof, integer D, integer M, integer) {
    Pattern c(C, NDof, D, M);
    c.u_componentwise(c.Q);
    c.w_componentwise(c.Q);
}

void nv3dexplps(F2<integer> C, F1<const real>, integer NDof, integer D, integer M, integer) {
    Pattern c(C, NDof, D, M);
    c.p_full(1, c.L);
}

void nv3depeps(F2<integer> C, F1<const real>, integer NDof, integer D, integer M, integer) {
    Pattern c(C, NDof, D, M);
    c.u_full(1, c.Q);
    c.u_with_p(c.Q, c.L);
    c.w_componentwise(c.Q);
    c.p_full(1, c.L);
}

void nv3dqaleolds(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s) {
    navierstokesqales(C, P, NDof, D, M, s);
}

void nv3dexplms(F2<integer> C, F1<const real>, integer NDof, integer D, integer M, integer) {
    Pattern c(C, NDof, D, M);
    for (idx a = 1; a <= c.Q; ++a)
        for (idx d = 1; d <= c.D; ++d) c.diag(c.u(a, d));
    c.w_componentwise(c.Q);
}

// -------------------------------------------------------------------------- spring elements

void spring2dnvs(F2<integer> C, F1<const real>, integer NDof, integer D, integer M, integer s) {
    Pattern c(C, NDof, D, M);
    for (idx a = 1; a <= 3; ++a) {
        for (idx b = 1; b <= 3; ++b)
            if (b != a) c.couple(c.l(a, 2), c.l(b, 2));
        c.couple(c.l(a, 2), c.p(1));
        c.couple(c.l(a, 2), c.p(2));
    }
    for (idx a = 1; a <= 3; ++a) c.diag(c.l(a, 2), s);
}

void spring2dnvconrads(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                       integer s) {
    Pattern c(C, NDof, D, M);
    for (idx a = 1; a <= 3; ++a) c.couple(c.l(a, 2), c.l(a, c.N));
    for (idx a = 1; a <= 3; ++a) c.diag(c.l(a, 2), s);
}

void spring23dnv_linears(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                         integer s) {
    Pattern c(C, NDof, D, M);
    for (idx a = 1; a <= c.D; ++a)
        for (idx d = 1; d <= c.D; ++d) {
            c.couple(c.u(a, d), c.w(a, d));
            c.couple(c.u(a, d), c.p(a));
            c.couple(c.w(a, d), c.p(a));
        }
    for (idx a = 1; a <= c.D; ++a)
        for (idx d = 1; d <= c.D; ++d) {
            c.diag(c.u(a, d), s);
            c.diag(c.w(a, d), s);
        }
}

void spring23dnv_quads(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                       integer s) {
    Pattern c(C, NDof, D, M);
    std::vector<idx> uw;
    for (idx a = 1; a <= c.F; ++a)
        for (idx d = 1; d <= c.D; ++d) {
            uw.push_back(c.u(a, d));
            uw.push_back(c.w(a, d));
        }
    c.full(uw);
    for (idx a = 1; a <= c.D; ++a) c.between({c.p(a)}, uw);
    for (idx i : uw) c.diag(i, s);
}

void springinterfaceelems(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                          integer s) {
    Pattern c(C, NDof, D, M);
    for (idx a = 1; a <= c.F; ++a)
        for (idx d = 1; d <= c.D; ++d) {
            c.couple(c.u(a, d), c.w(a, d));
            c.diag(c.w(a, d));
            if (a <= c.D)
                for (idx b = 1; b <= c.D; ++b) c.couple(c.w(a, d), c.p(b));
        }
    for (idx a = 1; a <= c.F; ++a)
        for (idx d = 1; d <= c.D; ++d) c.diag(c.u(a, d), s);
}

void spring3dnv_linearsplit1s(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                              integer s) {
    Pattern c(C, NDof, D, M);
    for (idx a = 1; a <= c.D; ++a)
        for (idx d = 1; d <= c.D; ++d) c.couple(c.u(a, d), c.p(a));
    for (idx a = 1; a <= c.D; ++a)
        for (idx d = 1; d <= c.D; ++d) c.diag(c.u(a, d), s);
}

void spring3dnv_linearsplit2s(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                              integer s) {
    Pattern c(C, NDof, D, M);
    for (idx a = 1; a <= c.D; ++a)
        for (idx d = 1; d <= c.D; ++d) c.diag(c.w(a, d), s);
}

void matrixspring3dfixdas(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                          integer s) {
    spring3dnv_linearsplit1s(C, P, NDof, D, M, s);
}

void matrixspring3dfixdbs(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                          integer s) {
    spring3dnv_linearsplit2s(C, P, NDof, D, M, s);
}

void spring3dpsvras(F2<integer> C, F1<const real>, integer NDof, integer D, integer M, integer s) {
    Pattern c(C, NDof, D, M);
    for (idx a = 1; a <= c.D; ++a)
        for (idx d = 1; d <= c.D; ++d) c.diag(c.u(a, d), s);
}

void spring3dpsvrbs(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                    integer s) {
    spring3dnv_linearsplit2s(C, P, NDof, D, M, s);
}

// ------------------------------------------------ couplings between 2D/3D and 1D models
// Local node 1 is the one-dimensional node (slot 1 and p(1)); the other nodes belong to the
// two- or three-dimensional model.

void coup2d1dnvs(F2<integer> C, F1<const real>, integer NDof, integer D, integer M, integer s) {
    Pattern c(C, NDof, D, M);
    for (idx a = 2; a <= 4; ++a)
        for (idx d = 1; d <= c.D; ++d) {
            c.diag(c.u(a, d));
            c.couple(c.u(a, d), 1);
            c.couple(c.u(a, d), c.p(1));
        }
    c.diag(1, s);
}

void coup2d1dnvters(F2<integer> C, F1<const real>, integer NDof, integer D, integer M, integer s) {
    Pattern c(C, NDof, D, M);
    c.diag(1, s);
}

void coup2d1dnvterss(F2<integer> C, F1<const real>, integer NDof, integer D, integer M, integer s) {
    Pattern c(C, NDof, D, M);
    c.diag(c.p(1));
    c.couple(1, c.p(1));
    c.diag(1, s);
}

void coup2d1dnvter_alfas(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                         integer s) {
    Pattern c(C, NDof, D, M);
    c.couple(1, c.p(1));
    c.diag(1, s);
    c.diag(c.D + 2, s);
}

void coup_23d1d_nv_linears(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                           integer s) {
    Pattern c(C, NDof, D, M);
    c.diag(c.p(1));
    c.couple(1, c.p(1));
    const std::vector<idx> head = {1, c.p(1)};
    for (idx a = 2; a <= c.D + 1; ++a) {
        c.between(head, c.u_of(a, a));
        c.between(head, {c.p(a)});
    }
    c.u_full(2, c.D + 1);
    c.p_full(2, c.D + 1);
    c.diag(1, s);
}

void coup_23d1d_nv_quads(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                         integer s) {
    Pattern c(C, NDof, D, M);
    c.diag(c.p(1));
    c.couple(1, c.p(1));
    const std::vector<idx> head = {1, c.p(1)};
    c.between(head, c.u_of(2, c.F + 1));
    c.u_full(2, c.F + 1);
    for (idx a = 2; a <= c.D + 1; ++a) c.between(head, {c.p(a)});
    c.diag(1, s);
}

void coup_23d1d_nv_lineards(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                            integer s) {
    Pattern c(C, NDof, D, M);
    for (idx i : c.u_of(2, c.D + 1)) c.diag(i);
    c.diag(1, s);
}

void coup_23d1d_nv_lineardds(F2<integer> C, F1<const real>, integer NDof, integer D, integer M,
                             integer s) {
    Pattern c(C, NDof, D, M);
    c.diag(1, s);
}

void coup_23d1d_nv_linear_alfas(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                                integer s) {
    coup_23d1d_nv_linears(C, P, NDof, D, M, s);
    Pattern c(C, NDof, D, M);
    c.between({c.D + 2}, c.u_of(2, c.D + 1));
    c.diag(c.D + 2, s);
}

// ---------------------------------------------------------------------- elasticity elements

void qelasticeelements(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                       integer) {
    Pattern c(C, NDof, D, M);
    const idx n = c.D <= 2 ? 4 : 8;
    const idx k = int_par(P, 16);
    std::vector<idx> set;
    for (idx a = 1; a <= n; ++a)
        for (idx e = 1; e <= c.D; ++e) set.push_back(c.l(a, k + e));
    c.full(set);
}

void simplexleelements(F2<integer> C, F1<const real>, integer NDof, integer D, integer M, integer) {
    Pattern c(C, NDof, D, M);
    c.u_full(1, c.L);
}

// --------------------------------------------- prescribed-value, boundary and load elements

void dirichs(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s) {
    Pattern c(C, NDof, D, M);
    const idx k = nint_par(P, 2);  // P(k + d) switches slot d on
    for (idx d = 1; d <= c.N; ++d)
        if (nint_par(P, k + d) != 0) c.diag(d, s);
}

void diricho(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer) {
    Pattern c(C, NDof, D, M);
    const idx k = nint_par(P, 2) - 1;
    std::vector<idx> set;
    for (idx e = 1; e <= c.D; ++e) set.push_back(k + e);
    c.full(set);
}

void neumann_les(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer) {
    Pattern c(C, NDof, D, M);
    const idx k = nint_par(P, 2);
    for (idx a = 1; a <= c.nodes(); ++a)
        for (idx d = 1; d <= c.N; ++d) c.diag(c.N * (a - 1) + k + d);
}

void diricho2(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s) {
    Pattern c(C, NDof, D, M);
    const idx k = nint_par(P, 2) - 1;
    const idx m = nint_par(P, 7);
    for (idx e = 1; e <= c.D; ++e) c.couple(m, k + e);
    c.diag(m, s);
}

void concentratedloads(F2<integer> C, F1<const real>, integer NDof, integer D, integer M, integer) {
    Pattern c(C, NDof, D, M);
    for (idx d = 1; d <= c.N; ++d) c.diag(c.l(1, d));
}

void laplaces(F2<integer> C, F1<const real>, integer NDof, integer D, integer M, integer) {
    Pattern c(C, NDof, D, M);
    c.full(c.slots_of(1, c.Q, {1}));
}

}  // namespace vetrix
