// DistributedSession, distributed_setup, distributed_solve: the systems of solver type 200 solved
// by a PETSc Krylov solver on every MPI process, rank 0 alone holding the mesh, the assembly, the
// screen and the files.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Solver number of the distributed Krylov solver.
constexpr integer kDistributedSolverType = 200;

// PETSc and MPI for the life of the process. Rank 0 runs the program; every other rank serves
// the systems rank 0 hands over until rank 0's session ends. One process serves itself.
// Arguments that begin with a single '-' are PETSc's options; a petscrc file in the working
// folder (the case folder: main enters it before the session starts) and the PETSC_OPTIONS variable are read too (rank 0 reads, PETSc passes them on).
class DistributedSession {
public:
    DistributedSession(int* argc, char*** argv);
    ~DistributedSession();  // rank 0: ends the other ranks' service; every rank: finalises
    DistributedSession(const DistributedSession&) = delete;
    DistributedSession& operator=(const DistributedSession&) = delete;

    bool root() const;
    // Every rank but 0: serves rank 0's requests until the end of its run.
    void serve();
};

// Rank 0, at set-up, once per type-200 substep s: the strictly upper pattern (IA: n + 1 row
// pointers, JA: ascending columns) becomes a parallel matrix of full rows split by contiguous row
// blocks, exactly preallocated on every rank, with its Krylov solver. eps and itmaxsol are the
// relative tolerance and the iteration limit unless PETSc options say otherwise.
void distributed_setup(integer s, F1<const integer> IA, F1<const integer> JA, integer n, bool sym,
                       real eps, integer itmaxsol);

// Rank 0, at each solve of substep s: the values (AD diagonal, upper(k) = a(i, JA(k)),
// lower(k) = a(JA(k), i)) and the right-hand side B go to the ranks that own their rows, X is the
// initial guess in and the solution out. A solve stopped by its iteration limit is repeated from
// where it ended, at most 50 attempts; any other failure stops the run with PETSc's reason.
void distributed_solve(integer s, F1<const real> AD, F1<const real> upper, F1<const real> lower,
                       F1<const real> B, F1<real> X);

}  // namespace vetrix
