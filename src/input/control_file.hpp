// Basparam.txt: log-file redirection, run control, substep sections and coupling matrices.
#pragma once

#include "input/run_input.hpp"
#include "io/deck_file.hpp"

namespace vetrix {

// The log-file request ("*L", else "*l"): when the line after it names a file, every later
// screen line goes there, starting with the redirection line. A name that leads to one of the
// run's own files (decks, results, timing file), by any spelling or link, is a runtime failure
// raised before anything is opened. Without open_log the name is read and checked, but the
// screen stays where it is and no file is made (a deck check).
void redirect_screen(DeckFile& control, bool open_log = true);

// Reads every control value after the mesh is known (NDof, NDim, MaxNodEl set in in).
void read_control(DeckFile& control, RunInput& in);

// One substep section (s is 1-based); the file stands after the section's keyword line.
void readlibrary(DeckFile& control, RunInput& in, integer s);

// Stops when the time steps can never reach the final time: DT not positive, more steps than
// the step counter holds, or a DT lost in the rounding of the times (after the start time is
// final, which IniFile.txt may give).
void check_time_steps(const RunInput& in);

// Stops when an active element type meets a code that cannot compute it: too few common
// parameters for what the code reads, or the linear triangle (code 1) outside 3-node elements
// in the plane.
void check_element_codes(const RunInput& in);

}  // namespace vetrix
