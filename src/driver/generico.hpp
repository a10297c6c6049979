// generico: the solution driver (set-up, time loop, output), called once per run.
#pragma once

#include "driver/driver_state.hpp"
#include "input/run_input.hpp"

namespace vetrix {

// Runs the whole solution from the data read at start-up; the driver may change it in place.
void generico(RunInput& in);
// The same with the work storage in the caller's hands (to look at the factors afterwards).
void generico(RunInput& in, DriverState& w);

// The set-up of generico alone, with its memory report: the deck check, which stops before the
// initial output and so writes no file. Stops leave by exception as in a run.
void check_setup(RunInput& in);

}  // namespace vetrix
