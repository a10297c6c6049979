// ElementRoutine: the one argument list shared by every element routine, so that the element
// dispatch can hold them in a table indexed by element code.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// AE        element matrix, NDofEl x NDofEl, AE(l, m) couples local row l with column m; arrives
//           cleared, filled for l, m = 1 ... nn NDof with l = NDof (a - 1) + d
// BE        element vector, NDofEl entries; arrives cleared
// NDofEl    leading dimension of AE
// XE        node coordinates, node-major: coordinate c of local node a at NDim (a - 1) + c
// NDim      coordinates per node
// NDof      degree-of-freedom slots per node
// nn        node count of this element
// UH        stored solution levels at the element's nodes, level h from (h - 1) nn NDof + 1,
//           each laid out like UE (level 1 = last converged step)
// UE        current iterate at the element's nodes: slot d of node a at NDof (a - 1) + d
// commonpar common parameters of the element type for the substep (NCommon reals)
// param     real parameters of the element's group, from the group's first entry on
// jparam    integer parameters of the element's group, from the group's first entry on
// DTinput   time step as read from the control file
// DT        time step of the driver
// T         time at the start of the current step
using ElementRoutine = void (*)(F2<real> AE, F1<real> BE, integer NDofEl, F1<const real> XE,
                                integer NDim, integer NDof, integer nn, F1<const real> UH,
                                F1<const real> UE, F1<const real> commonpar, F1<const real> param,
                                F1<const integer> jparam, real DTinput, real DT, real T);

// Read-only view of a two-index block.
inline F2<const real> const_view(F2<real> a) {
    return F2<const real>(a.data(), a.ld(), a.cols());
}

}  // namespace vetrix
