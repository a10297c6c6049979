// Start-up: opens the four decks of the working folder, decides the log-file redirection and
// reads mesh, control, parameter and initial-condition files in their fixed order.
#pragma once

#include "input/run_input.hpp"

namespace vetrix {

// Steps 1 to 10 of a run: everything up to the call of the driver. Orderly stops and runtime
// failures leave by exception.
RunInput read_run_input();

}  // namespace vetrix
