// DistributedSession, distributed_setup, distributed_solve: the hand-over of the type-200
// systems between rank 0 and the other ranks, and their solve by a PETSc Krylov solver.
#include "parallel/distributed_solver.hpp"

#include <petscksp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "common/screen.hpp"
#include "common/stops.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

namespace {

// Requests of rank 0 to the other ranks, each naming the substep it concerns.
enum Request : int { kEnd = 0, kSetup = 1, kLoad = 2, kSolve = 3, kGather = 4 };

// A solve stopped by its iteration limit is repeated at most this many times in all.
constexpr integer max_attempts = 50;

// One type-200 substep. Rank r owns the rows first[r] .. first[r+1]-1 (0-based). Its entries
// always come in one order, the order of its values at every load: the diagonal of its rows,
// their strictly upper entries (row by row, as stored), then their strictly lower entries (in the
// order of the stored upper entries that mirror them).
struct System {
    PetscInt n = 0;
    std::vector<PetscInt> first;      // size + 1 row-block starts
    Mat A = nullptr;
    Vec b = nullptr, x = nullptr;
    KSP ksp = nullptr;
    std::vector<PetscScalar> values;  // this rank's entries; on rank 0 also the packing buffer
    // rank 0 only, per block r: its upper entries are upper(upper_first[r] .. upper_first[r+1]-1);
    // its lower entries are lower(k) for k = lower_k[lower_first[r] .. lower_first[r+1]-1]
    std::vector<integer> upper_first;
    std::vector<integer> lower_k;
    std::vector<std::size_t> lower_first;
};

struct Hub {
    MPI_Comm comm = MPI_COMM_NULL;  // the hand-over's own communicator
    int rank = 0, size = 1;
    std::map<integer, System> systems;
    PetscLogEvent handover = 0, gather = 0;  // seen with -log_view
};

Hub& hub() {
    static Hub h;
    return h;
}

// A PETSc or MPI status other than success (PETSc has printed its message on the rank where it
// happened). One process stops with a runtime failure; several cannot agree on a way on, so the
// whole run ends.
void check(int code, const char* what) {
    if (code == 0) return;
    Hub& h = hub();
    if (h.size > 1) {
        if (h.rank == 0) screen().flush();
        std::fprintf(stderr, "vetrix: rank %d: %s failed (error %d)\n", h.rank, what, code);
        MPI_Abort(MPI_COMM_WORLD, 2);
    }
    fail_runtime(std::string("PETSc: ") + what + " failed (error " + std::to_string(code) + ")");
}

// Contiguous row blocks as even as the row count allows.
std::vector<PetscInt> row_blocks(PetscInt n, int size) {
    std::vector<PetscInt> first(static_cast<std::size_t>(size) + 1, 0);
    for (int r = 0; r < size; ++r) first[r + 1] = first[r] + n / size + (r < n % size ? 1 : 0);
    return first;
}

// Rank 0 names the next request and its substep.
void announce(Request what, integer s) {
    Hub& h = hub();
    if (h.size == 1) return;
    int msg[2] = {what, s};
    MPI_Request q;
    check(MPI_Ibcast(msg, 2, MPI_INT, 0, h.comm, &q), "MPI_Ibcast");
    check(MPI_Wait(&q, MPI_STATUS_IGNORE), "MPI_Wait");
}

// The other ranks wait for it without holding a processor while rank 0 reads, assembles and
// writes.
void await_request(int msg[2]) {
    Hub& h = hub();
    MPI_Request q;
    check(MPI_Ibcast(msg, 2, MPI_INT, 0, h.comm, &q), "MPI_Ibcast");
    for (int done = 0;;) {
        check(MPI_Test(&q, &done, MPI_STATUS_IGNORE), "MPI_Test");
        if (done) return;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

// Every rank: the matrix of its coordinate list (ci, cj: global 0-based rows and columns of its
// entries), the vectors and the Krylov solver with the default method of the storage kind, then
// PETSc's options.
void build(System& q, PetscInt n, bool sym, real eps, integer itmaxsol, std::vector<PetscInt>& ci,
           std::vector<PetscInt>& cj) {
    Hub& h = hub();
    q.n = n;
    q.first = row_blocks(n, h.size);
    const PetscInt own = q.first[h.rank + 1] - q.first[h.rank];
    check(MatCreate(PETSC_COMM_WORLD, &q.A), "MatCreate");
    check(MatSetSizes(q.A, own, own, n, n), "MatSetSizes");
    check(MatSetType(q.A, MATAIJ), "MatSetType");
    check(MatSetPreallocationCOO(q.A, static_cast<PetscCount>(ci.size()), ci.data(), cj.data()),
          "MatSetPreallocationCOO");
    if (sym) {
        check(MatSetOption(q.A, MAT_SYMMETRIC, PETSC_TRUE), "MatSetOption");
        check(MatSetOption(q.A, MAT_SYMMETRY_ETERNAL, PETSC_TRUE), "MatSetOption");
    }
    check(MatCreateVecs(q.A, &q.x, &q.b), "MatCreateVecs");
    // symmetric storage: conjugate gradients with algebraic multigrid; otherwise GMRES with an
    // incomplete factorisation of each rank's diagonal block
    PC pc;
    check(KSPCreate(PETSC_COMM_WORLD, &q.ksp), "KSPCreate");
    check(KSPSetOperators(q.ksp, q.A, q.A), "KSPSetOperators");
    check(KSPSetType(q.ksp, sym ? KSPCG : KSPGMRES), "KSPSetType");
    check(KSPGetPC(q.ksp, &pc), "KSPGetPC");
    check(PCSetType(pc, sym ? PCGAMG : PCBJACOBI), "PCSetType");
    check(KSPSetTolerances(q.ksp, eps, PETSC_DEFAULT, PETSC_DEFAULT, itmaxsol), "KSPSetTolerances");
    check(KSPSetInitialGuessNonzero(q.ksp, PETSC_TRUE), "KSPSetInitialGuessNonzero");
    check(KSPSetFromOptions(q.ksp), "KSPSetFromOptions");
}

void destroy(System& q) {
    KSPDestroy(&q.ksp);
    VecDestroy(&q.x);
    VecDestroy(&q.b);
    MatDestroy(&q.A);
}

// The substep's values and vectors are in place on every rank: the matrix takes them.
void take_values(System& q) {
    check(MatSetValuesCOO(q.A, q.values.data(), INSERT_VALUES), "MatSetValuesCOO");
}

// Every rank: one Krylov solve from the current x.
void solve_once(System& q, KSPConvergedReason& reason, PetscInt& its) {
    check(KSPSolve(q.ksp, q.b, q.x), "KSPSolve");
    check(KSPGetConvergedReason(q.ksp, &reason), "KSPGetConvergedReason");
    check(KSPGetIterationNumber(q.ksp, &its), "KSPGetIterationNumber");
}

// ---- the other ranks ------------------------------------------------------------------------

void serve_setup(integer s) {
    Hub& h = hub();
    int head[3] = {0, 0, 0};
    double eps = 0.0;
    long long count = 0;
    check(MPI_Bcast(head, 3, MPI_INT, 0, h.comm), "MPI_Bcast");
    check(MPI_Bcast(&eps, 1, MPI_DOUBLE, 0, h.comm), "MPI_Bcast");
    check(MPI_Recv(&count, 1, MPI_LONG_LONG, 0, s, h.comm, MPI_STATUS_IGNORE), "MPI_Recv");
    std::vector<PetscInt> ci(static_cast<std::size_t>(count)), cj(static_cast<std::size_t>(count));
    check(MPI_Recv(ci.data(), static_cast<int>(count), MPIU_INT, 0, s, h.comm, MPI_STATUS_IGNORE),
          "MPI_Recv");
    check(MPI_Recv(cj.data(), static_cast<int>(count), MPIU_INT, 0, s, h.comm, MPI_STATUS_IGNORE),
          "MPI_Recv");
    System& q = h.systems[s];
    build(q, head[0], head[1] != 0, eps, head[2], ci, cj);
    q.values.assign(static_cast<std::size_t>(count), 0.0);
}

// Receives n reals into the rank's part of v.
void receive_into(Vec v, integer s) {
    PetscScalar* a = nullptr;
    PetscInt own = 0;
    check(VecGetLocalSize(v, &own), "VecGetLocalSize");
    check(VecGetArray(v, &a), "VecGetArray");
    check(MPI_Recv(a, static_cast<int>(own), MPIU_SCALAR, 0, s, hub().comm, MPI_STATUS_IGNORE),
          "MPI_Recv");
    check(VecRestoreArray(v, &a), "VecRestoreArray");
}

void serve_load(System& q, integer s) {
    Hub& h = hub();
    check(PetscLogEventBegin(h.handover, 0, 0, 0, 0), "PetscLogEventBegin");
    check(MPI_Recv(q.values.data(), static_cast<int>(q.values.size()), MPIU_SCALAR, 0, s, h.comm,
                   MPI_STATUS_IGNORE),
          "MPI_Recv");
    receive_into(q.b, s);
    receive_into(q.x, s);
    take_values(q);
    check(PetscLogEventEnd(h.handover, 0, 0, 0, 0), "PetscLogEventEnd");
}

void serve_gather(System& q, integer s) {
    Hub& h = hub();
    check(PetscLogEventBegin(h.gather, 0, 0, 0, 0), "PetscLogEventBegin");
    const PetscScalar* a = nullptr;
    PetscInt own = 0;
    check(VecGetLocalSize(q.x, &own), "VecGetLocalSize");
    check(VecGetArrayRead(q.x, &a), "VecGetArrayRead");
    check(MPI_Send(a, static_cast<int>(own), MPIU_SCALAR, 0, s, h.comm), "MPI_Send");
    check(VecRestoreArrayRead(q.x, &a), "VecRestoreArrayRead");
    check(PetscLogEventEnd(h.gather, 0, 0, 0, 0), "PetscLogEventEnd");
}

// ---- rank 0 ---------------------------------------------------------------------------------

// Packs block r's values in its entry order; returns their count.
std::size_t pack(const System& q, int r, F1<const real> AD, F1<const real> upper,
                 F1<const real> lower, PetscScalar* out) {
    std::size_t c = 0;
    for (PetscInt i = q.first[r]; i < q.first[r + 1]; ++i) out[c++] = AD(i + 1);
    for (integer k = q.upper_first[r]; k < q.upper_first[r + 1]; ++k) out[c++] = upper(k);
    for (std::size_t t = q.lower_first[r]; t < q.lower_first[r + 1]; ++t) out[c++] = lower(q.lower_k[t]);
    return c;
}

void reason_line(const char* lead, const System& q, KSPConvergedReason reason, PetscInt its) {
    KSPType method = nullptr;
    PCType pc_method = nullptr;
    PC pc;
    check(KSPGetType(q.ksp, &method), "KSPGetType");
    check(KSPGetPC(q.ksp, &pc), "KSPGetPC");
    check(PCGetType(pc, &pc_method), "PCGetType");
    say({std::string(lead) + "PETSc KSP " + method + " + " + pc_method + ": " +
         KSPConvergedReasons[reason] + " in " + std::to_string(its) + " iterations"});
}

}  // namespace

DistributedSession::DistributedSession(int* argc, char*** argv) {
    check(PetscInitialize(argc, argv, nullptr, nullptr), "PetscInitialize");
    Hub& h = hub();
    check(MPI_Comm_dup(PETSC_COMM_WORLD, &h.comm), "MPI_Comm_dup");
    check(MPI_Comm_rank(h.comm, &h.rank), "MPI_Comm_rank");
    check(MPI_Comm_size(h.comm, &h.size), "MPI_Comm_size");
    check(PetscLogEventRegister("VetrixHandOver", KSP_CLASSID, &h.handover), "PetscLogEventRegister");
    check(PetscLogEventRegister("VetrixGather", KSP_CLASSID, &h.gather), "PetscLogEventRegister");
}

DistributedSession::~DistributedSession() {
    Hub& h = hub();
    if (h.rank == 0 && h.size > 1) {
        int msg[2] = {kEnd, 0};
        MPI_Request q;
        if (MPI_Ibcast(msg, 2, MPI_INT, 0, h.comm, &q) == MPI_SUCCESS) MPI_Wait(&q, MPI_STATUS_IGNORE);
    }
    for (auto& entry : h.systems) destroy(entry.second);
    h.systems.clear();
    MPI_Comm_free(&h.comm);
    PetscFinalize();
}

bool DistributedSession::root() const { return hub().rank == 0; }

void DistributedSession::serve() {
    Hub& h = hub();
    for (;;) {
        int msg[2] = {kEnd, 0};
        await_request(msg);
        const integer s = msg[1];
        KSPConvergedReason reason;
        PetscInt its = 0;
        switch (msg[0]) {
            case kSetup: serve_setup(s); break;
            case kLoad: serve_load(h.systems.at(s), s); break;
            case kSolve: solve_once(h.systems.at(s), reason, its); break;
            case kGather: serve_gather(h.systems.at(s), s); break;
            default: return;
        }
    }
}

void distributed_setup(integer s, F1<const integer> IA, F1<const integer> JA, integer n, bool sym,
                       real eps, integer itmaxsol) {
    Hub& h = hub();
    if (n == 0) return;  // every dof of the substep prescribed: nothing to solve
    announce(kSetup, s);
    if (h.size > 1) {
        int head[3] = {n, sym ? 1 : 0, itmaxsol};
        double tol = eps;
        check(MPI_Bcast(head, 3, MPI_INT, 0, h.comm), "MPI_Bcast");
        check(MPI_Bcast(&tol, 1, MPI_DOUBLE, 0, h.comm), "MPI_Bcast");
    }
    System& q = h.systems[s];
    const std::vector<PetscInt> first = row_blocks(n, h.size);
    q.upper_first.assign(first.size(), 1);
    q.lower_first.assign(first.size(), 0);
    q.lower_k.clear();
    for (int r = 0; r <= h.size; ++r) q.upper_first[r] = IA(static_cast<integer>(first[r]) + 1);
    // each block's coordinate list, rank 0's kept last for the collective build
    std::vector<PetscInt> ci, cj;
    std::vector<std::vector<integer>> lower_of(static_cast<std::size_t>(h.size));
    std::size_t largest = 0;
    for (int r = h.size - 1; r >= 0; --r) {
        ci.clear();
        cj.clear();
        for (PetscInt i = first[r]; i < first[r + 1]; ++i) {
            ci.push_back(i);
            cj.push_back(i);
        }
        for (PetscInt i = first[r]; i < first[r + 1]; ++i)
            for (integer k = IA(static_cast<integer>(i) + 1); k < IA(static_cast<integer>(i) + 2); ++k) {
                ci.push_back(i);
                cj.push_back(JA(k) - 1);
            }
        // lower entries of the block's rows: the stored upper entries of every row whose column
        // falls in the block
        for (integer i = 1; i <= n; ++i)
            for (integer k = IA(i); k < IA(i + 1); ++k)
                if (JA(k) - 1 >= first[r] && JA(k) - 1 < first[r + 1]) {
                    ci.push_back(JA(k) - 1);
                    cj.push_back(i - 1);
                    lower_of[r].push_back(k);
                }
        largest = std::max(largest, ci.size());
        if (r == 0) break;
        const long long count = static_cast<long long>(ci.size());
        check(MPI_Send(&count, 1, MPI_LONG_LONG, r, s, h.comm), "MPI_Send");
        check(MPI_Send(ci.data(), static_cast<int>(count), MPIU_INT, r, s, h.comm), "MPI_Send");
        check(MPI_Send(cj.data(), static_cast<int>(count), MPIU_INT, r, s, h.comm), "MPI_Send");
    }
    for (int r = 0; r < h.size; ++r) {
        q.lower_first[r] = q.lower_k.size();
        q.lower_k.insert(q.lower_k.end(), lower_of[r].begin(), lower_of[r].end());
    }
    q.lower_first[h.size] = q.lower_k.size();
    build(q, n, sym, eps, itmaxsol, ci, cj);
    q.values.assign(largest, 0.0);
}

void distributed_solve(integer s, F1<const real> AD, F1<const real> upper, F1<const real> lower,
                       F1<const real> B, F1<real> X) {
    Hub& h = hub();
    if (h.systems.count(s) == 0) return;  // no equations
    System& q = h.systems.at(s);
    // 1 - hand-over: each rank's values, right-hand side and initial guess
    announce(kLoad, s);
    check(PetscLogEventBegin(h.handover, 0, 0, 0, 0), "PetscLogEventBegin");
    for (int r = 1; r < h.size; ++r) {
        const std::size_t c = pack(q, r, AD, upper, lower, q.values.data());
        const int own = static_cast<int>(q.first[r + 1] - q.first[r]);
        check(MPI_Send(q.values.data(), static_cast<int>(c), MPIU_SCALAR, r, s, h.comm), "MPI_Send");
        check(MPI_Send(B.data() + q.first[r], own, MPIU_SCALAR, r, s, h.comm), "MPI_Send");
        check(MPI_Send(X.data() + q.first[r], own, MPIU_SCALAR, r, s, h.comm), "MPI_Send");
    }
    pack(q, 0, AD, upper, lower, q.values.data());
    PetscScalar* a = nullptr;
    check(VecGetArray(q.b, &a), "VecGetArray");
    std::copy(B.data(), B.data() + q.first[1], a);
    check(VecRestoreArray(q.b, &a), "VecRestoreArray");
    check(VecGetArray(q.x, &a), "VecGetArray");
    std::copy(X.data(), X.data() + q.first[1], a);
    check(VecRestoreArray(q.x, &a), "VecRestoreArray");
    take_values(q);
    check(PetscLogEventEnd(h.handover, 0, 0, 0, 0), "PetscLogEventEnd");

    // 2 - attempts, each from where the previous one ended
    for (integer loop = 1;; ++loop) {
        announce(kSolve, s);
        KSPConvergedReason reason;
        PetscInt its = 0;
        solve_once(q, reason, its);
        if (reason > 0) {
            reason_line("--->", q, reason, its);
            break;
        }
        reason_line("->", q, reason, its);
        if (reason != KSP_DIVERGED_ITS) {
            say({"->The linear system is not solved"});
            stop_run();
        }
        if (loop >= max_attempts) {
            say({"->PETSc KSP", " did not converge in", loop,
                 "attempts: the linear system is not solved"});
            stop_run();
        }
        say({"    ->A new Loop is Attempted", loop});
    }

    // 3 - the solution comes back
    announce(kGather, s);
    check(PetscLogEventBegin(h.gather, 0, 0, 0, 0), "PetscLogEventBegin");
    for (int r = 1; r < h.size; ++r)
        check(MPI_Recv(X.data() + q.first[r], static_cast<int>(q.first[r + 1] - q.first[r]),
                       MPIU_SCALAR, r, s, h.comm, MPI_STATUS_IGNORE),
              "MPI_Recv");
    const PetscScalar* xa = nullptr;
    check(VecGetArrayRead(q.x, &xa), "VecGetArrayRead");
    std::copy(xa, xa + q.first[1], X.data());
    check(VecRestoreArrayRead(q.x, &xa), "VecRestoreArrayRead");
    check(PetscLogEventEnd(h.gather, 0, 0, 0, 0), "PetscLogEventEnd");
}

}  // namespace vetrix
