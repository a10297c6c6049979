// Definitions of the process-wide values tfinal, lengthparam, lengthjparam and det.
#include "process_state.hpp"

namespace vetrix {

real tfinal = 0.0;
integer lengthparam = 0;
integer lengthjparam = 0;
real det = 0.0;

}  // namespace vetrix
