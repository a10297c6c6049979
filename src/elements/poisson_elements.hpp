// poissonfem_1, poissonfem_2: heat-conduction (Poisson) elements on simplices.
#pragma once

#include <array>

#include "common/types.hpp"
#include "common/views.hpp"

namespace vetrix {

// Reference mass matrix of the last poissonfem_1 element: mass(a, b) = int N_a N_b over the
// reference triangle, a mass_order x mass_order block, first index fastest; after every call of
// poissonfem_1 (its only writer), which takes elements of at most mass_order nodes, the entries
// beyond its nn x nn block are zero.
inline constexpr integer mass_order = 11;
extern std::array<real, mass_order * mass_order> mass;

// Linear triangle, theta scheme for rho c du/dt - k lap u = rho Q on slot 1 of each node:
// commonpar(1 ... 5) = rho, c, k, Q, theta; u_old from level 1 of UH.
void poissonfem_1(F2<real> AE, F1<real> BE, integer NDofEl, F1<const real> XE, integer NDim,
                  integer NDof, integer nn, F1<const real> UH, F1<const real> UE,
                  F1<const real> commonpar, F1<const real> param, F1<const integer> jparam,
                  real DTinput, real DT, real T);

// Straight-sided quadratic triangle (6 nodes, NDim <= 2) or tetrahedron (10 nodes): Laplace
// stiffness k int grad N_a . grad N_b on slot 1 of each node, commonpar(1) = k; BE stays zero.
void poissonfem_2(F2<real> AE, F1<real> BE, integer NDofEl, F1<const real> XE, integer NDim,
                  integer NDof, integer nn, F1<const real> UH, F1<const real> UE,
                  F1<const real> commonpar, F1<const real> param, F1<const integer> jparam,
                  real DTinput, real DT, real T);

}  // namespace vetrix
