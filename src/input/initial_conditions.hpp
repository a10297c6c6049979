// IniFile.txt: the initial solution levels and, on request, the start time.
#pragma once

#include "input/run_input.hpp"
#include "io/deck_file.hpp"

namespace vetrix {

// Reads sol0 (NTimeLevels levels of NTotDof values) and, when iInitialTime is nonzero, Tini.
void read_initial_conditions(DeckFile& ini, RunInput& in);

}  // namespace vetrix
