// read_run_input: the start-up sequence.
#include "input/startup.hpp"

namespace vetrix {

RunInput read_run_input() { return RunInput{}; }

}  // namespace vetrix
