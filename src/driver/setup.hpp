// driver_setup: numbering, sparse structures, factor patterns and work storage of every substep.
#pragma once

#include "driver/driver_state.hpp"
#include "input/run_input.hpp"

namespace vetrix {

// Everything the driver does once before the time loop, with the memory report.
void driver_setup(RunInput& in, DriverState& w);

// The storage a substep's solver type asks for (lengths before the layout into regions).
struct SolverStorage {
    bool has_iu = false;       // IU section of n + 1 entries
    bool direct = false;       // types 0 and -1: pattern from the symbolic factorisation
    bool own_region = false;   // type -1: private UD/UN regions that survive the time steps
    bigint ju = 0;             // JU section length (direct types: set after the factorisation)
    bigint ud = 0;             // UD need (own region size for type -1)
    bigint un_per_lju = 0;     // direct types: UN need in units of LJU (s2)
    bigint un = 0;             // UN need of non-direct types
    bigint workspace = 0;      // WorkSpace need
    bool full_rows = false;    // needs the full row storage ACMat
};
SolverStorage solver_storage(integer isolvertype, integer n, integer z, integer krylov,
                             integer lfil, bool sym);

}  // namespace vetrix
