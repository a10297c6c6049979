// Definitions of the process-wide values (tfinal, lengthparam, lengthjparam, det, ...).
#include "process_state.hpp"

namespace vetrix {

real tfinal = 0.0;
integer lengthparam = 0;
integer lengthjparam = 0;
real det = 0.0;
integer current_element = 0;

}  // namespace vetrix
