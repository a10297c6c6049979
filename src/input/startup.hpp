// Start-up: opens the four decks of the working folder, decides the log-file redirection and
// reads mesh, control, parameter and initial-condition files in their fixed order.
#pragma once

#include "input/run_input.hpp"

namespace vetrix {

// Steps 1 to 10 of a run: everything up to the call of the driver. Orderly stops and runtime
// failures leave by exception. Without open_log a log file named in Basparam.txt is not made
// and the screen output stays where it is (a deck check writes no file).
RunInput read_run_input(bool open_log = true);

}  // namespace vetrix
