// directf, directg, laplace_bem_c_d_2d, laplace_bem_c_m_2d: constant boundary elements of the
// two-dimensional Laplace equation and their analytic segment integrals.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Segment integrals of the free-space Green function G*(r) = -ln(r) / (2 pi) over the straight
// segment from a to b, seen from the point p (p, a, b: 2-vectors, D = 2 their length). The
// segment's unit normal is n = (t_y, -t_x) / L with t = b - a, L = |t|: the outward normal when
// the boundary runs counter-clockwise around the domain.
//
// directf = integral of dG*/dn = -sign(h) theta / (2 pi), theta the angle the segment subtends
// at p and h = n . (a - p) the signed distance of p from the segment's line (h > 0 on the side
// the normal points away from). On the line (h = 0) it is 0 outside the segment and -1/2 inside
// it, the limit from the side h > 0. A segment of zero length gives 0.
real directf(integer D, F1<const real> p, F1<const real> a, F1<const real> b);

// directg = integral of G* = (L - theta |h| + tau_a ln r_a - tau_b ln r_b) / (2 pi), with
// tau = (x - p) . t / L the tangential coordinates and r = |x - p| the distances of the ends
// x = a, b. A point at a segment end gives the finite limit (tau ln r -> 0); a segment of zero
// length gives 0.
real directg(integer D, F1<const real> p, F1<const real> a, F1<const real> b);

// Self influence of the segment from node 1 to node 2, collocated at its midpoint p; its u and q
// live in slots 1 and 2 of node 1. Both rows get the free term 1/2 in the u column and
// -directg(p, x1, x2) in the q column. BE stays zero.
void laplace_bem_c_d_2d(F2<real> AE, F1<real> BE, integer NDofEl, F1<const real> XE, integer NDim,
                        integer NDof, integer nn, F1<const real> UH, F1<const real> UE,
                        F1<const real> commonpar, F1<const real> param, F1<const integer> jparam,
                        real DTinput, real DT, real T);

// Mutual influence of segment A (nodes 1 -> 2, values at node 1) and segment B (nodes 3 -> 4,
// values at node 3): the rows of A get directf and -directg of B seen from A's midpoint in B's
// u and q columns, the rows of B the same of A seen from B's midpoint. BE stays zero.
void laplace_bem_c_m_2d(F2<real> AE, F1<real> BE, integer NDofEl, F1<const real> XE, integer NDim,
                        integer NDof, integer nn, F1<const real> UH, F1<const real> UE,
                        F1<const real> commonpar, F1<const real> param, F1<const integer> jparam,
                        real DTinput, real DT, real T);

}  // namespace vetrix
