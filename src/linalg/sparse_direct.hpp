// SparseDirect: sparse direct factorisation with a fill-reducing ordering (solver types -2, -3):
// supernodal Cholesky (CHOLMOD) for symmetric systems, LU with pivoting (UMFPACK) otherwise.
#pragma once

#include <memory>
#include <vector>

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// What a factorisation came to. The library's own statuses stop here: the driver turns these
// into its messages.
enum class SparseStatus {
    ok,
    not_positive_definite,  // Cholesky met a pivot <= 0 (symmetric storage only)
    singular,               // LU met an exactly zero pivot
    out_of_memory,
    failed,  // any other library failure (for example a factor too large to index)
};

struct SparseOutcome {
    SparseStatus status = SparseStatus::ok;
    integer equation = 0;  // 1-based equation where the factorisation broke down, 0 if unknown
    bigint entries = 0;    // factor entries (predicted ones when the factor could not be made)
};

// One substep's sparse system: the compressed-column copy of the strictly-upper row storage
// (IA, JA, AN, AD), its symbolic analysis and its numeric factor. The pattern is built once;
// refill copies the values in through a position map, so each factorisation costs no search.
class SparseDirect {
  public:
    SparseDirect();
    ~SparseDirect();
    SparseDirect(const SparseDirect&) = delete;
    SparseDirect& operator=(const SparseDirect&) = delete;

    // Builds the column pattern of the n-equation system whose strictly upper part has the
    // ascending rows IA/JA. sym: only the upper triangle is kept (Cholesky), otherwise both
    // triangles (LU). Returns the number of stored entries, or -1 when memory ran out.
    bigint set_pattern(F1<const integer> IA, F1<const integer> JA, integer n, bool sym);

    // Copies the current values in: upper(k) is entry k of the row storage, lower(k) its mirror
    // (ignored when sym), AD the diagonal.
    void refill(F1<const real> upper, F1<const real> lower, F1<const real> AD);

    // Symbolic analysis of the pattern (fill-reducing ordering, factor pattern), once: later
    // calls return at once. entries: the factor entries it predicts.
    SparseOutcome analyse();
    // Numeric factorisation of the refilled values, analysing first if not done yet.
    SparseOutcome factor();

    // X = A^-1 B with the current factor (B and X of n entries; they may not overlap).
    void solve(F1<const real> B, F1<real> X);

    bigint factor_entries() const;  // numeric entries of the factor
    bigint factor_bytes() const;    // bytes of the factor's values and indices
    integer analyses() const { return analyses_; }
    integer factorisations() const { return factorisations_; }
    bool analysed() const;
    bool factored() const { return factorisations_ > 0; }

  private:
    struct Library;  // the library's own objects, seen only in sparse_direct.cpp
    std::unique_ptr<Library> lib_;
    integer n_ = 0;
    bool sym_ = true;
    // compressed columns, 0-based as the library reads them: Ap(n + 1), Ai and Ax(Ap[n])
    std::vector<bigint> Ap_, Ai_;
    std::vector<real> Ax_;
    // positions in Ax of upper entry k (map_upper_[k - 1]), of its mirror, of diagonal i
    std::vector<bigint> map_upper_, map_lower_, map_diag_;
    integer analyses_ = 0, factorisations_ = 0;
};

}  // namespace vetrix
