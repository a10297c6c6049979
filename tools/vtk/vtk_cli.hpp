// run_vtk_tool: the command line of vetrix-vtk.
#pragma once

#include <ostream>

namespace vetrix::vtk {

// Converts the results of a case folder as the arguments ask (see the help text) and returns the
// exit status: 0 done, 1 a wrong command line, 2 input that cannot be read or output that cannot
// be written. Messages go to err, the help text and the summary to out.
int run_vtk_tool(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace vetrix::vtk
