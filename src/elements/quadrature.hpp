// gaussrule: quadrature points and weights on the reference interval, triangle and tetrahedron.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Fills a quadrature rule of NPG points in D dimensions: points(c, k) is coordinate c of point
// k (a D x NPG block, point k in column k), weights(k) its weight.
//   family 0: reference simplex (interval [0,1], triangle (0,0),(1,0),(0,1), unit tetrahedron);
//             the weights sum to the measure 1, 1/2, 1/6. D = 1: NPG = 1 ... 13, 20, 40;
//             D = 2: NPG = 1, 3, 4, 6, 7, 13; D = 3: NPG = 1, 4, 5, 11.
//   family 1: Gauss-Legendre on [-1, 1], D = 1 and NPG = 1 ... 4.
// Any other request leaves points and weights untouched.
void gaussrule(F2<real> points, F1<real> weights, integer D, integer NPG, integer family);

}  // namespace vetrix
