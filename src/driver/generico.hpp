// generico: the solution driver (set-up, time loop, output), called once per run.
#pragma once

#include "input/run_input.hpp"

namespace vetrix {

// Runs the whole solution from the data read at start-up; the driver may change it in place.
void generico(RunInput& in);

}  // namespace vetrix
