// Process-wide values shared without being passed as arguments.
#pragma once

#include "types.hpp"

namespace vetrix {

// Final time of the run; set once by the driver set-up, read by the element routines.
extern real tfinal;
// Number of real parameters of all groups, ie__param(NParamGroups + 1) - 1; kept up to date by
// the driver and the element dispatch.
extern integer lengthparam;
// Number of integer parameters of all groups, ie_jparam(NParamGroups + 1) - 1.
extern integer lengthjparam;
// Jacobian determinant of the element last computed; the element dispatch tests its sign.
extern real det;
// Number of the element whose routine is running: set by the element dispatch before each call,
// 0 outside assembly. Element routines read it only to name the element in a stop message.
extern integer current_element;

}  // namespace vetrix
