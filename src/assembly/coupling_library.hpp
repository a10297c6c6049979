// couplingmatrix, assemblerelementsimbolicmatrix, coupling rules: which element-local dofs couple.
#pragma once

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Coupling matrix of an element type: M x M integers over the element-local dofs, local dof
// l(a, d) = NDof*(a - 1) + d (slot d of local node a). 0 = no coupling, non-zero = coupled; a
// negative diagonal entry marks a dof whose equation the element type owns.
//
// Coupling store icoupling: NSlots such matrices one after the other, entry (i, j) of slot k at
// 1-based position (k - 1)*M*M + (j - 1)*M + i.
// Element library table ielementlib: NTypes x 5 integers per substep, entry (t, c) of substep s
// at (s - 1)*5*NTypes + (c - 1)*NTypes + t. Columns: 1 element code, 2 ownership switch,
// 4 coupling slot (0 unused, n > 0 stored matrix n, -n matrix n built here from the code).
// Common parameters commonpar: NCommon reals per type, entry (j, t) of substep s at
// (s - 1)*NCommon*NTypes + (t - 1)*NCommon + j.

// Completes the coupling store once per run: for every substep (outer) and type (inner) with a
// non-zero slot, a negative slot -n is turned into n in ielementlib and matrix n is built from
// the type's code; every used slot is then made structurally symmetric (diagonals untouched).
// A slot whose matrix would lie beyond the end of icoupling is left alone.
void couplingmatrix(F1<integer> ielementlib, F1<integer> icoupling, F1<const real> commonpar,
                    integer NDof, integer NDofEl, integer NTypes, integer NCommon, integer NDim,
                    integer NSubSteps);

// Clears the M x M matrix C and writes the coupling pattern of element code `code`; iswitch is
// the ownership switch (non-zero: owned diagonals are written -1, else +1). An unknown code
// prints two warning lines and leaves C all zero. P holds the type's common parameters.
void assemblerelementsimbolicmatrix(F1<const real> P, F2<integer> C, integer code, integer iswitch,
                                    integer M, integer NDof, integer NDim);

// For every pair i < j: C(i, j) != 0 sets C(j, i) = 1, otherwise C(j, i) != 0 sets C(i, j) = 1.
void symmetrise_coupling(F2<integer> C, integer M);

// A coupling rule sets entries of C (never clears them). Indices outside 1..M are skipped; a
// common parameter beyond the end of P reads as 0. s is the owned-diagonal value (-1 or +1);
// rules that own no diagonal ignore it.
using CouplingRule = void (*)(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                              integer s);

// The rule of an element code, or nullptr when the code is not known.
CouplingRule coupling_rule_of(integer code);

// The rules, by family. N = NDof, D = space dimension, L = D + 1 simplex vertices,
// Q = 2(2D - 1) quadratic simplex nodes, F = face nodes of a quadratic element.
// one-dimensional pipe elements
void pipe1d(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void pipe1dce(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void pipe1d_lwin(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void pipe1d_lwout(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void pipe1dcel4(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void pipe1d_l4in(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void pipe1d_l4out(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void pipe1dl4(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
// Stokes and Navier-Stokes elements
void stokestriangv2p1s(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                       integer s);
void stokestriangalecuads(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                          integer s);
void stokestriangale_lins(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                          integer s);
void navierstokesqales(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                       integer s);
void navierstokesbubales(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                         integer s);
void navierstokesqaleexp_acops(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                               integer s);
void navierstokesbubales1(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                          integer s);
void navierstokesbubales2(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                          integer s);
void navierstokesbubalesd2(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                           integer s);
void navierstokesbubalesfixd1(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                              integer s);
void navierstokesbubalesfixd2(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                              integer s);
void presure_nv_linears(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                        integer s);
void nv3dqalems(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void nv3dexplps(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void nv3depeps(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void nv3dqaleolds(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void nv3dexplms(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
// spring elements
void spring2dnvs(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void spring2dnvconrads(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                       integer s);
void spring23dnv_linears(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                         integer s);
void spring23dnv_quads(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                       integer s);
void springinterfaceelems(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                          integer s);
void spring3dnv_linearsplit1s(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                              integer s);
void spring3dnv_linearsplit2s(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                              integer s);
void matrixspring3dfixdas(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                          integer s);
void matrixspring3dfixdbs(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                          integer s);
void spring3dpsvras(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void spring3dpsvrbs(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
// couplings between 2D/3D and 1D models
void coup2d1dnvs(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void coup2d1dnvters(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void coup2d1dnvterss(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                     integer s);
void coup2d1dnvter_alfas(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                         integer s);
void coup_23d1d_nv_linears(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                           integer s);
void coup_23d1d_nv_quads(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                         integer s);
void coup_23d1d_nv_lineards(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                            integer s);
void coup_23d1d_nv_lineardds(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                             integer s);
void coup_23d1d_nv_linear_alfas(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                                integer s);
// elasticity elements
void qelasticeelements(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                       integer s);
void simplexleelements(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                       integer s);
// prescribed-value, boundary and load elements
void dirichs(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void diricho(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void neumann_les(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void diricho2(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);
void concentratedloads(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M,
                       integer s);
void laplaces(F2<integer> C, F1<const real> P, integer NDof, integer D, integer M, integer s);

}  // namespace vetrix
