// assembdoftype1, preensimgen, ensimgen: dof marking, equation numbering and sparse pattern.
#include "assembly/equation_numbering.hpp"

namespace vetrix {

namespace {

// Coupling entry (l, m) of slot c.
inline integer coupling(F1<const integer> icoupling, integer NDofEl, integer c, integer l, integer m) {
    return icoupling((c - 1) * NDofEl * NDofEl + (m - 1) * NDofEl + l);
}

// Slot of element type t in the substep's table (column 4); its absolute value names the matrix.
inline integer slot_of(F1<const integer> ielementlib, integer NTypes, integer t) {
    const integer c = ielementlib(3 * NTypes + t);
    return c < 0 ? -c : c;
}

// One walk over the rows of the strictly upper pattern: counts (JA empty) or fills (JA given).
// Returns the number of entries; IA receives the row pointers.
integer walk_pattern(const StructureInput& in, F1<integer> IA, F1<integer>* JA, F1<integer> IP,
                     F1<const integer> idoftype, F1<const integer> iDofEq, integer iRowT) {
    const integer NDof = in.NDof;
    // 1 - IP(j) holds the row that last took column j; no row is 0
    for (integer j = 1; j <= iRowT; ++j) IP(j) = 0;
    integer k = 1;
    integer last = 0;
    // 2 - rows in equation order: node by node, slot by slot
    for (integer n = 1; n <= in.NodT; ++n) {
        for (integer d = 1; d <= NDof; ++d) {
            const integer p = NDof * (n - 1) + d;
            const integer i = iDofEq(p);
            if (i == 0) continue;
            IA(i) = k;
            last = i;
            if (idoftype(p) <= 0) continue;  // prescribed rows hold no off-diagonal entry
            for (integer q = in.nelem_ptr(n); q < in.nelem_ptr(n + 1); ++q) {
                const integer e = in.nelem(q);
                const integer c = slot_of(in.ielementlib, in.NTypes, in.iElementType(e));
                if (c == 0) continue;
                const integer first = in.IE(e), nn = in.IE(e + 1) - first;
                // every local position of n in e: an element may list a node twice (a boundary
                // element pair sharing a vertex), and each position brings its own couplings
                for (integer a = 1; a <= nn; ++a) {
                    if (in.JE(first + a - 1) != n) continue;
                    const integer l = NDof * (a - 1) + d;
                    for (integer b = 1; b <= nn; ++b) {
                        const integer m = in.JE(first + b - 1);
                        for (integer d2 = 1; d2 <= NDof; ++d2) {
                            const integer p2 = NDof * (m - 1) + d2;
                            const integer j = iDofEq(p2);
                            if (j <= i || idoftype(p2) <= 0 || IP(j) == i) continue;
                            if (coupling(in.icoupling, in.NDofEl, c, l, NDof * (b - 1) + d2) == 0)
                                continue;
                            if (JA) (*JA)(k) = j;
                            IP(j) = i;
                            ++k;
                        }
                    }
                }
            }
        }
    }
    // 3 - closing pointer
    if (last > 0) IA(last + 1) = k;
    else IA(1) = 1;
    return k - 1;
}

}  // namespace

integer assembdoftype1(F1<const integer> IE, F1<const integer> JE, F1<integer> idoftype,
                       F1<const integer> iElementType, F1<const integer> ielementlib,
                       F1<const integer> icoupling, integer NodT, integer NelT, integer NDof,
                       integer NDofEl, integer NTypes) {
    const integer NTotDof = NodT * NDof;
    // 1 - only prescribed marks survive from the input
    for (integer k = 1; k <= NTotDof; ++k)
        if (idoftype(k) > 0) idoftype(k) = 0;
    // 2 - every dof of an assembled element
    for (integer e = 1; e <= NelT; ++e) {
        const integer c = slot_of(ielementlib, NTypes, iElementType(e));
        if (c == 0) continue;
        const integer nn = IE(e + 1) - IE(e);
        for (integer j = 1; j <= nn; ++j) {
            const integer i = JE(IE(e) + j - 1);
            for (integer d = 1; d <= NDof; ++d) {
                const integer l = (j - 1) * NDof + d;
                const integer k = (i - 1) * NDof + d;
                if (idoftype(k) < 0) idoftype(k) = -d;
                else if (coupling(icoupling, NDofEl, c, l, l) != 0) idoftype(k) = d;
            }
        }
    }
    // 3 - equations
    integer iRowT = 0;
    for (integer k = 1; k <= NTotDof; ++k)
        if (idoftype(k) != 0) ++iRowT;
    return iRowT;
}

integer preensimgen(const StructureInput& in, F1<integer> IA, F1<integer> IP,
                    F1<const integer> idoftype, F1<integer> IAdd, F1<integer> iEQNode,
                    F1<integer> iEqDof, F1<integer> iDofEq) {
    const integer NDof = in.NDof;
    // 1 - equation numbers, node by node and slot by slot, prescribed and free alike
    integer iRowT = 0;
    for (integer n = 1; n <= in.NodT; ++n)
        for (integer d = 1; d <= NDof; ++d) {
            const integer p = NDof * (n - 1) + d;
            iDofEq(p) = 0;
            if (idoftype(p) != 0) {
                ++iRowT;
                iEQNode(iRowT) = n;
                iEqDof(iRowT) = d;
                iDofEq(p) = iRowT;
            }
        }
    // 2 - ownership: dofs whose coupling diagonal is negative in an owning element type
    for (integer i = 1; i <= iRowT; ++i) IAdd(i) = 0;
    for (integer e = 1; e <= in.NelT; ++e) {
        const integer t = in.iElementType(e);
        const integer c = slot_of(in.ielementlib, in.NTypes, t);
        if (c == 0 || in.ielementlib(in.NTypes + t) == 0) continue;
        const integer nn = in.IE(e + 1) - in.IE(e);
        for (integer a = 1; a <= nn; ++a) {
            const integer n = in.JE(in.IE(e) + a - 1);
            for (integer d = 1; d <= NDof; ++d) {
                const integer l = NDof * (a - 1) + d;
                const integer eq = iDofEq(NDof * (n - 1) + d);
                if (eq != 0 && coupling(in.icoupling, in.NDofEl, c, l, l) < 0) IAdd(eq) = 1;
            }
        }
    }
    // 3 - row pointers of the strictly upper pattern (counting pass)
    return walk_pattern(in, IA, nullptr, IP, idoftype, F1<const integer>(iDofEq), iRowT);
}

integer ensimgen(const StructureInput& in, F1<integer> IA, F1<integer> JA, F1<integer> IP,
                 F1<const integer> idoftype, F1<const integer> iDofEq, integer iRowT,
                 bigint& LSkyLine) {
    const integer NnzU = walk_pattern(in, IA, &JA, IP, idoftype, iDofEq, iRowT);
    // profile: the first (smallest) row reaching each column
    for (integer j = 1; j <= iRowT; ++j) IP(j) = 0;
    for (integer i = 1; i <= iRowT; ++i)
        for (integer k = IA(i); k < IA(i + 1); ++k) {
            const integer j = JA(k);
            if (IP(j) == 0) IP(j) = j - i;
        }
    LSkyLine = 0;
    for (integer j = 1; j <= iRowT; ++j) LSkyLine += IP(j);
    return NnzU;
}

}  // namespace vetrix
