// SparseDirect: compressed-column pattern from the strictly-upper row storage, value refill, and
// the factorisation and solves through CHOLMOD (supernodal Cholesky) and UMFPACK (LU).
#include "linalg/sparse_direct.hpp"

#include <cholmod.h>
#include <umfpack.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <type_traits>

namespace vetrix {

static_assert(std::is_same_v<bigint, SuiteSparse_long>,
              "the compressed columns are handed to the 64-bit library interfaces as they are");

struct SparseDirect::Library {
    // symmetric storage: CHOLMOD
    cholmod_common common{};
    cholmod_factor* L = nullptr;
    cholmod_dense* X = nullptr;  // solve workspaces, kept between solves
    cholmod_dense* Y = nullptr;
    cholmod_dense* E = nullptr;
    bool started = false;
    // both triangles: UMFPACK
    double control[UMFPACK_CONTROL]{};
    double info[UMFPACK_INFO]{};        // statistics of the analysis and factorisation
    double solve_info[UMFPACK_INFO]{};  //   and of the last solve
    void* symbolic = nullptr;
    void* numeric = nullptr;
    std::vector<bigint> Wi;  // solve workspaces: n integers, 5 n reals (iterative refinement)
    std::vector<real> W;
    std::vector<bigint> Q;  // column order and diagonal of U after each factorisation
    std::vector<real> Dx;

    ~Library() {
        if (started) {
            cholmod_l_free_factor(&L, &common);
            cholmod_l_free_dense(&X, &common);
            cholmod_l_free_dense(&Y, &common);
            cholmod_l_free_dense(&E, &common);
            cholmod_l_finish(&common);
        }
        if (numeric) umfpack_dl_free_numeric(&numeric);
        if (symbolic) umfpack_dl_free_symbolic(&symbolic);
    }
};

SparseDirect::SparseDirect() : lib_(std::make_unique<Library>()) {}
SparseDirect::~SparseDirect() = default;

bigint SparseDirect::set_pattern(F1<const integer> IA, F1<const integer> JA, integer n, bool sym) {
    n_ = n;
    sym_ = sym;
    const bigint z = IA(n + 1) - 1;
    const bigint nnz = n + (sym ? 1 : 2) * z;
    try {
        Ap_.assign(static_cast<std::size_t>(n) + 1, 0);
        Ai_.assign(static_cast<std::size_t>(nnz), 0);
        Ax_.assign(static_cast<std::size_t>(nnz), 0.0);
        map_upper_.assign(static_cast<std::size_t>(z), 0);
        map_lower_.assign(sym ? 0 : static_cast<std::size_t>(z), 0);
        map_diag_.assign(static_cast<std::size_t>(n), 0);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    // 1 - column counts: column j holds the upper entries (i, j) of rows i < j, the diagonal and,
    //     with both triangles, the mirrors (i, j) of row j's entries (j, i), i > j
    for (integer i = 1; i <= n; ++i) {
        Ap_[i] += 1 + (sym ? 0 : IA(i + 1) - IA(i));
        for (integer k = IA(i); k < IA(i + 1); ++k) Ap_[JA(k)] += 1;
    }
    // 2 - column starts
    for (integer j = 1; j <= n; ++j) Ap_[j] += Ap_[j - 1];
    // 3 - fill. Rows are visited in ascending order, so every column receives its rows above the
    //     diagonal ascending; the diagonal follows once all rows before the column are done, and
    //     the mirrored rows below it come last, ascending as JA is. next[j]: next free slot of
    //     column j (held in map_diag_ until the diagonal takes its place).
    std::vector<bigint>& next = map_diag_;
    for (integer j = 1; j <= n; ++j) next[j - 1] = Ap_[j - 1];
    for (integer i = 1; i <= n; ++i) {
        const bigint d = next[i - 1];  // rows 1 .. i-1 are done: column i's diagonal slot
        Ai_[d] = i - 1;
        for (integer k = IA(i); k < IA(i + 1); ++k) {
            const integer j = JA(k);
            map_upper_[k - 1] = next[j - 1];
            Ai_[next[j - 1]++] = i - 1;
        }
        if (!sym) {
            bigint p = d + 1;
            for (integer k = IA(i); k < IA(i + 1); ++k) {
                map_lower_[k - 1] = p;
                Ai_[p++] = JA(k) - 1;
            }
        }
        map_diag_[i - 1] = d;
    }
    return nnz;
}

void SparseDirect::refill(F1<const real> upper, F1<const real> lower, F1<const real> AD) {
    const bigint z = static_cast<bigint>(map_upper_.size());
    for (bigint k = 1; k <= z; ++k) Ax_[map_upper_[k - 1]] = upper(static_cast<integer>(k));
    if (!sym_)
        for (bigint k = 1; k <= z; ++k) Ax_[map_lower_[k - 1]] = lower(static_cast<integer>(k));
    for (integer i = 1; i <= n_; ++i) Ax_[map_diag_[i - 1]] = AD(i);
}

namespace {

// The library's view of our columns: no copy, the arrays stay ours.
cholmod_sparse column_view(integer n, std::vector<bigint>& Ap, std::vector<bigint>& Ai,
                           std::vector<real>& Ax) {
    cholmod_sparse A{};
    A.nrow = A.ncol = static_cast<std::size_t>(n);
    A.nzmax = Ax.size();
    A.p = Ap.data();
    A.i = Ai.data();
    A.x = Ax.data();
    A.stype = 1;  // upper triangle stored
    A.itype = CHOLMOD_LONG;
    A.xtype = CHOLMOD_REAL;
    A.dtype = CHOLMOD_DOUBLE;
    A.sorted = 1;
    A.packed = 1;
    return A;
}

SparseStatus from_cholmod(int status) {
    switch (status) {
        case CHOLMOD_OK:
            return SparseStatus::ok;
        case CHOLMOD_NOT_POSDEF:
            return SparseStatus::not_positive_definite;
        case CHOLMOD_OUT_OF_MEMORY:
            return SparseStatus::out_of_memory;
        default:
            return SparseStatus::failed;
    }
}

SparseStatus from_umfpack(bigint status) {
    switch (status) {
        case UMFPACK_OK:
            return SparseStatus::ok;
        case UMFPACK_WARNING_singular_matrix:
            return SparseStatus::singular;
        case UMFPACK_ERROR_out_of_memory:
            return SparseStatus::out_of_memory;
        default:
            return SparseStatus::failed;
    }
}

}  // namespace

SparseOutcome SparseDirect::analyse() {
    Library& b = *lib_;
    SparseOutcome out;
    if (analysed()) return out;
    if (sym_) {
        // CHOLMOD: quiet, supernodal, its default ordering choice (AMD, and METIS tried as well
        // when AMD fills much)
        cholmod_l_start(&b.common);
        b.started = true;
        b.common.print = 0;
        b.common.supernodal = CHOLMOD_SUPERNODAL;
        cholmod_sparse A = column_view(n_, Ap_, Ai_, Ax_);
        b.L = cholmod_l_analyze(&A, &b.common);
        ++analyses_;
        if (b.L == nullptr) out.status = from_cholmod(b.common.status);
        out.entries = static_cast<bigint>(b.common.lnz);
        return out;
    }
    // UMFPACK: default strategy (it picks the symmetric or the unsymmetric ordering); solves
    // with iterative refinement need n integers and 5 n reals of workspace
    umfpack_dl_defaults(b.control);
    b.control[UMFPACK_PRL] = 0;
    try {
        b.Wi.assign(static_cast<std::size_t>(n_), 0);
        b.W.assign(5 * static_cast<std::size_t>(n_), 0.0);
        b.Q.assign(static_cast<std::size_t>(n_), 0);
        b.Dx.assign(static_cast<std::size_t>(n_), 0.0);
    } catch (const std::bad_alloc&) {
        out.status = SparseStatus::out_of_memory;
        return out;
    }
    const bigint st = umfpack_dl_symbolic(n_, n_, Ap_.data(), Ai_.data(), Ax_.data(), &b.symbolic,
                                          b.control, b.info);
    ++analyses_;
    if (st != UMFPACK_OK) {
        out.status =
            st == UMFPACK_ERROR_out_of_memory ? SparseStatus::out_of_memory : SparseStatus::failed;
        if (b.symbolic) umfpack_dl_free_symbolic(&b.symbolic);
        b.symbolic = nullptr;
    }
    out.entries = static_cast<bigint>(b.info[UMFPACK_LNZ_ESTIMATE] + b.info[UMFPACK_UNZ_ESTIMATE]);
    return out;
}

bool SparseDirect::analysed() const {
    return sym_ ? lib_->L != nullptr : lib_->symbolic != nullptr;
}

SparseOutcome SparseDirect::factor() {
    Library& b = *lib_;
    SparseOutcome out = analyse();
    if (out.status != SparseStatus::ok) return out;
    if (sym_) {
        cholmod_sparse A = column_view(n_, Ap_, Ai_, Ax_);
        cholmod_l_factorize(&A, b.L, &b.common);
        ++factorisations_;
        out.status = from_cholmod(b.common.status);
        out.entries = static_cast<bigint>(b.common.lnz);
        if (out.status == SparseStatus::ok) {
            out.entries = factor_entries();
        } else if (out.status == SparseStatus::not_positive_definite && b.L->minor < b.L->n) {
            // the factor's column k is equation Perm[k] of ours
            out.equation =
                static_cast<integer>(static_cast<const bigint*>(b.L->Perm)[b.L->minor] + 1);
        }
        return out;
    }
    if (b.numeric) umfpack_dl_free_numeric(&b.numeric);
    b.numeric = nullptr;
    const bigint st = umfpack_dl_numeric(Ap_.data(), Ai_.data(), Ax_.data(), b.symbolic, &b.numeric,
                                         b.control, b.info);
    ++factorisations_;
    out.status = from_umfpack(st);
    out.entries = static_cast<bigint>(b.info[UMFPACK_LNZ_ESTIMATE] + b.info[UMFPACK_UNZ_ESTIMATE]);
    if (out.status == SparseStatus::ok || out.status == SparseStatus::singular) {
        // the first zero or not finite entry on the diagonal of U (a value that is not a number
        // passes the library's own test); its column is the undetermined unknown
        bigint do_recip = 0;
        umfpack_dl_get_numeric(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               b.Q.data(), b.Dx.data(), &do_recip, nullptr, b.numeric);
        for (integer k = 0; k < n_; ++k)
            if (b.Dx[k] == 0.0 || !std::isfinite(b.Dx[k])) {
                out.status = SparseStatus::singular;
                out.equation = static_cast<integer>(b.Q[k] + 1);
                break;
            }
        if (out.status == SparseStatus::ok) out.entries = factor_entries();
    }
    return out;
}

void SparseDirect::solve(F1<const real> B, F1<real> X) {
    Library& b = *lib_;
    if (sym_) {
        cholmod_dense rhs{};
        rhs.nrow = rhs.d = rhs.nzmax = static_cast<std::size_t>(n_);
        rhs.ncol = 1;
        rhs.x = const_cast<real*>(B.data());
        rhs.xtype = CHOLMOD_REAL;
        rhs.dtype = CHOLMOD_DOUBLE;
        // x = L'\(L\b) in the factor's order; the workspaces are made by the first solve
        cholmod_l_solve2(CHOLMOD_A, b.L, &rhs, nullptr, &b.X, nullptr, &b.Y, &b.E, &b.common);
        const real* x = static_cast<const real*>(b.X->x);
        std::copy_n(x, n_, X.data());
        return;
    }
    umfpack_dl_wsolve(UMFPACK_A, Ap_.data(), Ai_.data(), Ax_.data(), X.data(), B.data(), b.numeric,
                      b.control, b.solve_info, b.Wi.data(), b.W.data());
}

bigint SparseDirect::factor_entries() const {
    const Library& b = *lib_;
    if (sym_) return b.L ? static_cast<bigint>(b.L->is_super ? b.L->xsize : b.L->nzmax) : 0;
    if (!b.numeric) return 0;
    bigint lnz = 0, unz = 0, nr = 0, nc = 0, nzud = 0;
    umfpack_dl_get_lunz(&lnz, &unz, &nr, &nc, &nzud, b.numeric);
    return lnz + unz;
}

bigint SparseDirect::factor_bytes() const {
    const Library& b = *lib_;
    if (sym_) {
        if (!b.L) return 0;
        const bigint word = static_cast<bigint>(sizeof(bigint));
        // values, the supernodes' row indices, three pointers per supernode, and the ordering,
        // its column counts and the permutation back
        return static_cast<bigint>(b.L->xsize) * static_cast<bigint>(sizeof(real)) +
               word *
                   (static_cast<bigint>(b.L->ssize) + 3 * (static_cast<bigint>(b.L->nsuper) + 1) +
                    3 * static_cast<bigint>(b.L->n));
    }
    if (!b.numeric) return 0;
    return static_cast<bigint>(lib_->info[UMFPACK_NUMERIC_SIZE] * lib_->info[UMFPACK_SIZE_OF_UNIT]);
}

}  // namespace vetrix
