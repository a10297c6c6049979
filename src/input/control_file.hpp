// Basparam.txt: log-file redirection, run control, substep sections and coupling matrices.
#pragma once

#include "input/run_input.hpp"
#include "io/deck_file.hpp"

namespace vetrix {

// The log-file request ("*L", else "*l"): when the line after it names a file, every later
// screen line goes there, starting with the redirection line. A name that leads to one of the
// run's own files (decks, results, timing file), by any spelling or link, is a runtime failure
// raised before anything is opened.
void redirect_screen(DeckFile& control);

// Reads every control value after the mesh is known (NDof, NDim, MaxNodEl set in in).
void read_control(DeckFile& control, RunInput& in);

// One substep section (s is 1-based); the file stands after the section's keyword line.
void readlibrary(DeckFile& control, RunInput& in, integer s);

}  // namespace vetrix
