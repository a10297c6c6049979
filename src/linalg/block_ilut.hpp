// ilut_block_sizes, block_ilut, putauxinu: threshold incomplete LU of a large matrix computed
// block of rows by block of rows and merged into one modified sparse row factor.
#pragma once

#include <vector>

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Rows of each block: blocks of 5000 rows, the last one taking the remainder (between 5000 and
// 9999 rows); a matrix of fewer than 10000 rows is one block.
std::vector<integer> ilut_block_sizes(integer n);

// Presented column of the block of b rows at offset o: its own columns o+1..o+b become 1..b and
// every other column keeps a distinct number above b (columns 1..o move to b+1..o+b, columns above
// o+b stay). block_column_back is its inverse.
inline integer block_column(integer c, integer o, integer b) {
    if (c > o && c <= o + b) return c - o;
    if (c <= o) return c + b;
    return c;
}
inline integer block_column_back(integer p, integer o, integer b) {
    if (p <= b) return p + o;
    if (p <= o + b) return p - b;
    return p;
}

// Copies the factor (ua, jua) of the b rows at offset o, whose column numbers are already those of
// the whole matrix, into the factor (alu, jlu, ju) of all n rows: alu(g) = ua(i) for the global
// row g = o + i, then row i's entries from jlu(g) on, those left of the diagonal first (they join
// the unit lower factor), ju(g) at the first of the others, jlu(g + 1) after the last.
void putauxinu(integer n, integer o, integer b, F1<const real> ua, F1<const integer> jua,
               F1<real> alu, F1<integer> jlu, F1<integer> ju);

// Threshold incomplete LU (Saad's ILUT, fill limit lfil, drop tolerance tolpre) of the n rows of
// the compressed-row matrix (IAC, JAC, AC), factored block by block (ilut_block_sizes): each block
// sees only its own rows, its columns renumbered by block_column so that entries outside it act as
// upper entries, and the block factors are merged into (alu, jlu, ju), which need
// n + 2 + 2 n lfil positions. JAC is renumbered in place while a block is factored and restored
// exactly; AC is not changed. w: n + 1 reals, jw: 2 n integers of work (jw(n + c) is the
// indicator of column c, cleared by each block's factorisation). After every block but the first
// the line "Preconditioned block n\u{FFFD}:" k "of" nb is printed. A failing block prints the
// reason and stops the run.
void block_ilut(integer n, F1<const integer> IAC, F1<integer> JAC, F1<const real> AC, integer lfil,
                real tolpre, F1<real> alu, F1<integer> jlu, F1<integer> ju, F1<real> w,
                F1<integer> jw);

}  // namespace vetrix
