// jacobian, globalshapeder, productovectorial: Jacobian matrix of the isoparametric map with
// its determinant and inverse (adjugate formula), global shape derivatives, cross product.
#include "jacobian.hpp"

#include <array>
#include <cmath>

#include "common/stops.hpp"
#include "io/screen_text.hpp"

namespace vetrix {

void jacobian(F2<real> invJ, real& detJ, integer D, integer NNod, F1<const real> X,
              F2<const real> dN) {
    if (D < 1 || D > 3) {
        say({"Invalid Case for Determinant of element\"s Jacobian"});
        say({"Dimension of Simplex not contained in 1-3", D});
        say({"WARNING, Jacobian of an element = 0"});
        stop_run();
    }
    // 1 - J(r, c) = sum_a dN(r, a) x_c(a)
    std::array<real, 9> j_store{};
    const F2<real> J(j_store.data(), D, D);
    for (integer r = 1; r <= D; ++r) {
        for (integer c = 1; c <= D; ++c) {
            real s = 0.0;
            for (integer a = 1; a <= NNod; ++a) s += dN(r, a) * X(D * (a - 1) + c);
            J(r, c) = s;
        }
    }
    // 2 - determinant
    real d = 0.0;
    if (D == 1) {
        d = J(1, 1);
    } else if (D == 2) {
        d = J(1, 1) * J(2, 2) - J(1, 2) * J(2, 1);
    } else {
        d = J(1, 1) * (J(2, 2) * J(3, 3) - J(2, 3) * J(3, 2)) -
            J(1, 2) * (J(2, 1) * J(3, 3) - J(2, 3) * J(3, 1)) +
            J(1, 3) * (J(2, 1) * J(3, 2) - J(2, 2) * J(3, 1));
    }
    if (d == 0.0) {
        for (int k = 0; k < 3; ++k) say({"WARNING, Element Jacobian = 0"});
        stop_run();
    }
    // 3 - inverse = adjugate / det
    if (D == 1) {
        invJ(1, 1) = 1.0 / d;
    } else if (D == 2) {
        invJ(1, 1) = J(2, 2) / d;
        invJ(1, 2) = -J(1, 2) / d;
        invJ(2, 1) = -J(2, 1) / d;
        invJ(2, 2) = J(1, 1) / d;
    } else {
        invJ(1, 1) = (J(2, 2) * J(3, 3) - J(2, 3) * J(3, 2)) / d;
        invJ(1, 2) = -(J(1, 2) * J(3, 3) - J(1, 3) * J(3, 2)) / d;
        invJ(1, 3) = (J(1, 2) * J(2, 3) - J(1, 3) * J(2, 2)) / d;
        invJ(2, 1) = -(J(2, 1) * J(3, 3) - J(2, 3) * J(3, 1)) / d;
        invJ(2, 2) = (J(1, 1) * J(3, 3) - J(1, 3) * J(3, 1)) / d;
        invJ(2, 3) = -(J(1, 1) * J(2, 3) - J(1, 3) * J(2, 1)) / d;
        invJ(3, 1) = (J(2, 1) * J(3, 2) - J(2, 2) * J(3, 1)) / d;
        invJ(3, 2) = -(J(1, 1) * J(3, 2) - J(1, 2) * J(3, 1)) / d;
        invJ(3, 3) = (J(1, 1) * J(2, 2) - J(1, 2) * J(2, 1)) / d;
    }
    detJ = d;
    if (d < 0.0) say({"!!!!! WARNING, Jacobian of an element < 0"});
}

void globalshapeder(integer NNod, integer D, F2<const real> dNlocal, F2<real> dNglobal,
                    F2<const real> invJ) {
    for (integer a = 1; a <= NNod; ++a) {
        for (integer r = 1; r <= D; ++r) dNglobal(r, a) = 0.0;
    }
    for (integer a = 1; a <= NNod; ++a) {
        for (integer r = 1; r <= D; ++r) {
            for (integer c = 1; c <= D; ++c) dNglobal(r, a) += invJ(r, c) * dNlocal(c, a);
        }
    }
}

void productovectorial(F1<const real> a, F1<const real> b, F1<real> c, real& norm) {
    c(1) = a(2) * b(3) - a(3) * b(2);
    c(2) = a(3) * b(1) - a(1) * b(3);
    c(3) = a(1) * b(2) - a(2) * b(1);
    norm = std::sqrt(c(1) * c(1) + c(2) * c(2) + c(3) * c(3));
}

}  // namespace vetrix
