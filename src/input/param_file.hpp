// Param.txt: element parameter groups (real and integer lists per group), read and rewritten.
#pragma once

#include "input/run_input.hpp"
#include "io/deck_file.hpp"

namespace vetrix {

// Reads "*Parameter Groups", "*Real Parameters" and "*Integer Parameters" into in.
void read_parameters(DeckFile& params, RunInput& in);

// Rewrites Param.txt from the first halves of param and jparam when ParamWriteSwitch is nonzero
// and there is at least one group; otherwise does nothing. The file is replaced whole or not at
// all; a failure ends the run with a runtime failure naming the file and the reason.
void writepar(integer NParamGroups, F1<const integer> ie__param, F1<const integer> ie_jparam,
              F1<const real> param, F1<const integer> jparam, integer ParamWriteSwitch);

}  // namespace vetrix
