// neumannelement, concentratedload: consistent nodal loads of a boundary flux (Gauss-Legendre
// on the segment) and of a point load.
#include "boundary_loads.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <type_traits>
#include <vector>

#include "element_routine.hpp"
#include "jacobian.hpp"
#include "quadrature.hpp"
#include "simplex_shape.hpp"

namespace vetrix {

static_assert(std::is_same_v<decltype(&neumannelement), ElementRoutine>);
static_assert(std::is_same_v<decltype(&concentratedload), ElementRoutine>);

void neumannelement(F2<real> /*AE*/, F1<real> BE, integer /*NDofEl*/, F1<const real> XE,
                    integer NDim, integer NDof, integer nn, F1<const real> /*UH*/,
                    F1<const real> /*UE*/, F1<const real> commonpar, F1<const real> /*param*/,
                    F1<const integer> /*jparam*/, real /*DTinput*/, real /*DT*/, real /*T*/) {
    const real g = commonpar(1);
    // 1 - segment length L = |t x e_z|, t = x(node 2) - x(node 1) in the plane; coordinates
    //     a mesh of fewer dimensions lacks are 0, a one-node element has length 0
    const integer second = nn >= 2 ? 2 : 1;
    auto coord = [&](integer a, integer c) { return c <= NDim ? XE(NDim * (a - 1) + c) : 0.0; };
    const std::array<real, 3> t{coord(second, 1) - coord(1, 1), coord(second, 2) - coord(1, 2),
                                0.0};
    const std::array<real, 3> ez{0.0, 0.0, 1.0};
    std::array<real, 3> normal{};
    real L = 0.0;
    productovectorial(F1<const real>(t.data(), 3), F1<const real>(ez.data(), 3),
                      F1<real>(normal.data(), 3), L);
    // 2 - the sign bit of commonpar(2) decides the direction of the flux
    const real s = std::signbit(commonpar(2)) ? -1.0 : 1.0;

    // 3 - BE(r(a)) += N_a g w_k L s with the 4-point Gauss rule on the reference segment
    constexpr integer NPG = 4;
    const integer D = NDim - 1;
    std::vector<real> pts(static_cast<std::size_t>(std::max(D, 1) * NPG), 0.0);
    std::vector<real> w_store(NPG, 0.0);
    const F1<real> w(w_store);
    gaussrule(F2<real>(pts.data(), std::max(D, 1), NPG), w, D, NPG, 0);
    std::vector<real> n_store(static_cast<std::size_t>(nn), 0.0);
    const F1<real> N(n_store);
    for (integer p = 1; p <= NPG; ++p) {
        shapef(nn, D, N, F1<const real>(pts).section(std::max(D, 1) * (p - 1) + 1, D), 1, 0);
        for (integer a = 1; a <= nn; ++a) BE(NDof * (a - 1) + 1) += N(a) * g * w(p) * L * s;
    }
}

void concentratedload(F2<real> /*AE*/, F1<real> BE, integer /*NDofEl*/, F1<const real> /*XE*/,
                      integer /*NDim*/, integer NDof, integer /*nn*/, F1<const real> /*UH*/,
                      F1<const real> /*UE*/, F1<const real> commonpar, F1<const real> param,
                      F1<const integer> /*jparam*/, real /*DTinput*/, real /*DT*/, real /*T*/) {
    // The switches are reals; comparing their truncation as a real keeps huge or undefined
    // values (which have no integer) simply switched off.
    for (integer d = 1; d <= NDof; ++d) {
        if (std::trunc(commonpar(d)) == 1.0) BE(d) = param(1) * param(d + 1);
    }
}

}  // namespace vetrix
