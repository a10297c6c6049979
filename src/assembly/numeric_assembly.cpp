// ensnumgen: scatter-add of one element into the strictly upper row storage, with the column
// marker IP standing in for a search of each row.
#include "assembly/numeric_assembly.hpp"

namespace vetrix {

namespace {

// Elements with at most this many dofs have the equations of their dofs gathered once on the
// stack; larger ones look them up again for every row.
constexpr integer kStackDofs = 64;

// What assembly needs to know of a nodal dof, in one number: its equation when the dof is free
// (idoftype > 0), minus its equation when it is prescribed, 0 when it has no equation.
integer signed_equation(integer kind, integer eq) {
    return kind > 0 ? eq : -eq;
}

// signed_equation of local dof m = NDof (b - 1) + d2, from the nodal tables or from a copy
// gathered before the rows are visited.
struct NodalLookup {
    F1<const integer> NL, iDofEq, idoftype;
    integer NDof;
    integer operator()(integer m) const {
        const integer b = (m - 1) / NDof + 1;
        const integer p = NDof * (NL(b) - 1) + (m - NDof * (b - 1));
        return signed_equation(idoftype(p), iDofEq(p));
    }
};

struct GatheredLookup {
    F1<const integer> eqs;
    integer operator()(integer m) const { return eqs(m); }
};

// Entry (i, j), j > i, of local dofs (l, m) found by a search of row i; for the rare second
// local dof of an equation already marked in the row.
void add_entry(integer i, integer j, integer l, integer m, F2<const real> AE, F1<const integer> IA,
               F1<const integer> JA, F1<real> AN, F1<real> ANL, F2<const integer> C,
               F1<const integer> IAdd, bool takes, bool sym) {
    for (integer k = IA(i); k < IA(i + 1); ++k) {
        if (JA(k) != j) continue;
        if (takes) AN(k) += AE(l, m);
        if (!sym && (IAdd(j) == 0 || C(m, m) < 0)) ANL(k) += AE(m, l);
        return;
    }
}

// The rows of one element; equation_of says where the local dofs' equations come from.
template <class Lookup>
void add_rows(const Lookup equation_of, integer ne, F2<const real> AE, F1<const integer> IA,
              F1<const integer> JA, F1<real> AN, F1<real> ANL, F1<real> AD, F1<real> B_Load,
              F1<const real> BE, F1<integer> IP, F2<const integer> C, F1<const integer> IAdd,
              bool sym) {
    for (integer l = 1; l <= ne; ++l) {
        // 1 - only free rows are assembled
        const integer i = equation_of(l);
        if (i <= 0) continue;
        // a row owned by some element type takes only elements that own it too
        const bool takes = IAdd(i) == 0 || C(l, l) < 0;

        // 2 - diagonal and load
        if (takes) {
            AD(i) += AE(l, l);
            B_Load(i) += BE(l);
        }

        // 3 - prescribed columns to the load; free columns right of the diagonal marked. A node
        // listed twice in the element gives two local dofs on one equation: a second local
        // column of the same equation is added at once, and one on row i's own equation goes to
        // the diagonal.
        integer marked = 0;  // columns marked for this row
        for (integer m = 1; m <= ne; ++m) {
            if (C(l, m) == 0) continue;
            const integer j = equation_of(m);
            if (j > i) {
                if (IP(j) == 0) {
                    IP(j) = m;
                    ++marked;
                } else {
                    add_entry(i, j, l, m, AE, IA, JA, AN, ANL, C, IAdd, takes, sym);
                }
            } else if (j < 0 && takes) {
                // B_Load(-j) holds the prescribed value: b_i -= a_ij v_j
                B_Load(i) -= B_Load(-j) * AE(l, m);
            } else if (j == i && m != l && takes) {
                AD(i) += AE(l, m);
            }
        }
        if (marked == 0) continue;

        // 4 - one scan of row i: add the marked columns, clear their marks
        const integer row_end = IA(i + 1);
        for (integer k = IA(i); k < row_end; ++k) {
            const integer j = JA(k);
            const integer m = IP(j);
            if (m == 0) continue;
            if (takes) AN(k) += AE(l, m);
            if (!sym && (IAdd(j) == 0 || C(m, m) < 0)) ANL(k) += AE(m, l);
            IP(j) = 0;
            if (--marked == 0) break;
        }
    }
}

}  // namespace

// Each free row i of the element is handled in three moves: its diagonal and load; its coupled
// columns, where prescribed ones go straight to the load and free ones right of the diagonal
// park their local column index in IP at their equation number; one scan of row i's pattern
// that adds every parked column into the upper part (and its mirror into the lower part) and
// clears the mark. Entries left of the diagonal are added when the other row is handled.
void ensnumgen(F2<const real> AE, F1<const integer> NL, F1<const integer> IA, F1<const integer> JA,
               F1<real> AN, F1<real> ANL, F1<real> AD, F1<real> B_Load, F1<const real> BE,
               F1<integer> IP, F1<const integer> iDofEq, F2<const integer> C,
               F1<const integer> idoftype, integer /*NDofEl*/, integer NDof, integer nn,
               F1<const integer> IAdd, logical sym) {
    const integer ne = nn * NDof;  // local dofs, l = NDof (a - 1) + d
    if (ne > kStackDofs) {
        const NodalLookup nodal{NL, iDofEq, idoftype, NDof};
        add_rows(nodal, ne, AE, IA, JA, AN, ANL, AD, B_Load, BE, IP, C, IAdd, sym != 0);
        return;
    }
    integer eq_store[kStackDofs];
    for (integer a = 1; a <= nn; ++a) {
        for (integer d = 1; d <= NDof; ++d) {
            const integer p = NDof * (NL(a) - 1) + d;
            eq_store[NDof * (a - 1) + d - 1] = signed_equation(idoftype(p), iDofEq(p));
        }
    }
    const GatheredLookup gathered{F1<const integer>(eq_store, ne)};
    add_rows(gathered, ne, AE, IA, JA, AN, ANL, AD, B_Load, BE, IP, C, IAdd, sym != 0);
}

}  // namespace vetrix
