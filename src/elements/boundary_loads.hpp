// neumannelement, concentratedload: prescribed flux on a boundary segment and point loads.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Flux g = commonpar(1) on the straight segment from node 1 to node 2 (two dimensions), applied
// with the sign of commonpar(2) (negative zero counts as negative): BE(slot 1 of node a) gets
// int N_a g s over the segment, i.e. s g L / 2 at each end of a two-node segment.
void neumannelement(F2<real> AE, F1<real> BE, integer NDofEl, F1<const real> XE, integer NDim,
                    integer NDof, integer nn, F1<const real> UH, F1<const real> UE,
                    F1<const real> commonpar, F1<const real> param, F1<const integer> jparam,
                    real DTinput, real DT, real T);

// Load on the element's single node: for every slot d whose switch commonpar(d), truncated
// towards zero, equals 1, BE(d) = param(1) param(d + 1).
void concentratedload(F2<real> AE, F1<real> BE, integer NDofEl, F1<const real> XE, integer NDim,
                      integer NDof, integer nn, F1<const real> UH, F1<const real> UE,
                      F1<const real> commonpar, F1<const real> param, F1<const integer> jparam,
                      real DTinput, real DT, real T);

}  // namespace vetrix
