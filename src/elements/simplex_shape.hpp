// sfsimplex, shapef, localshapeder: Lagrange shape functions of the reference simplices and
// their local derivatives.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Partial derivative d^alpha of shape function a of the D-simplex (D = 1, 2, 3) at the local
// point xi (D entries); alpha holds D non-negative orders, all zero for the value itself.
// order 1: vertices 1 ... D+1 (barycentric lambda_0 ... lambda_D), every a > D+1 the bubble
// (4 l0 l1, 27 l0 l1 l2, 256 l0 l1 l2 l3). order 2: vertices l(2l - 1), mid-edge nodes 4 li lj
// (D = 1: node 3; D = 2: 4 (1-2), 5 (2-3), 6 (3-1); D = 3: 5 (1-2), 6 (2-3), 7 (1-3), 8 (1-4),
// 9 (2-4), 10 (3-4)), then the bubble (D = 2: node 7, D = 3: node 11); indices beyond give 0.
// Other orders, D outside 1 ... 3, a < 1 or a negative order give 0.
real sfsimplex(F1<const real> xi, F1<const integer> alpha, integer order, integer a, integer D);

// N(a) = shape function a at xi, a = 1 ... NNod. With order 1, nodes beyond D + 1 + NBubble get 0.
void shapef(integer NNod, integer D, F1<real> N, F1<const real> xi, integer order, integer NBubble);

// dN(r, a) = derivative of shape function a along local direction r at xi (a D x NNod block),
// with the same cut to 0 as shapef.
void localshapeder(integer NNod, integer D, F2<real> dN, F1<const real> xi, integer order,
                   integer NBubble);

}  // namespace vetrix
