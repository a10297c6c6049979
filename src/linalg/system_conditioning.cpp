// sigchange, sigchangelu, diagscale, diagscalelu: sign change of rows with a negative diagonal
// and symmetric diagonal scaling, on full row and on strictly-upper row storage.
#include <cmath>

#include "io/screen_text.hpp"
#include "linalg/inhouse_solvers.hpp"

namespace vetrix {

namespace {

// S(i) = 1/sqrt|AD(i)|, 1 for a zero diagonal
real scale_factor(real ad) {
    if (ad > 0.0) return 1.0 / std::sqrt(ad);
    if (ad < 0.0) return 1.0 / std::sqrt(-ad);
    return 1.0;
}

}  // namespace

void sigchange(F1<const real> AD, F1<const integer> IAC, F1<real> AC, F1<real> B, integer n) {
    for (integer i = 1; i <= n; ++i) {
        if (AD(i) >= 0.0) continue;
        B(i) = -B(i);
        for (integer k = IAC(i); k < IAC(i + 1); ++k) AC(k) = -AC(k);
    }
}

void sigchangelu(F1<const integer> IA, F1<const integer> JA, F1<real> AD, F1<real> lower,
                 F1<real> AN, F1<real> B, integer n, logical sym) {
    // 1 - the right-hand side and the upper entries of every row with a negative diagonal
    for (integer i = 1; i <= n; ++i) {
        if (AD(i) >= 0.0) continue;
        B(i) = -B(i);
        for (integer k = IA(i); k < IA(i + 1); ++k) AN(k) = -AN(k);
    }
    // 2 - the lower entries a(j, i) of those rows j, kept beside the upper entry (i, j)
    if (!sym) {
        for (integer i = 1; i <= n; ++i)
            for (integer k = IA(i); k < IA(i + 1); ++k)
                if (AD(JA(k)) < 0.0) lower(k) = -lower(k);
    }
    // 3 - the diagonal itself
    for (integer i = 1; i <= n; ++i)
        if (AD(i) < 0.0) AD(i) = -AD(i);
}

void diagscale(F1<const real> AD, F1<const integer> IAC, F1<const integer> JAC, F1<real> AC,
               F1<real> B, F1<real> S, integer n) {
    for (integer i = 1; i <= n; ++i) S(i) = scale_factor(AD(i));
    for (integer i = 1; i <= n; ++i) {
        B(i) *= S(i);
        for (integer k = IAC(i); k < IAC(i + 1); ++k) AC(k) = S(i) * AC(k) * S(JAC(k));
    }
}

void diagscalelu(F1<real> AD, F1<const integer> IA, F1<const integer> JA, F1<real> AN,
                 F1<real> lower, F1<real> B, F1<real> S, integer n, logical sym) {
    integer zeros = 0;
    for (integer i = 1; i <= n; ++i) {
        S(i) = scale_factor(AD(i));
        if (AD(i) == 0.0) ++zeros;
    }
    if (zeros > 0)
        say({"DIAGSCD/WARNING: ", "SE ENCONTRARON ", zeros, " DIAGONALES NO POSITIVAS."});
    for (integer i = 1; i <= n; ++i) {
        B(i) *= S(i);
        for (integer k = IA(i); k < IA(i + 1); ++k) {
            const integer j = JA(k);
            AN(k) = S(i) * AN(k) * S(j);
            if (!sym) lower(k) = S(j) * lower(k) * S(i);
        }
    }
    // The scaled diagonal S AD S is exactly 1 for a positive diagonal; a negative one becomes -1
    // and a zero one stays 0 (setting them to 1 would solve another system).
    for (integer i = 1; i <= n; ++i) AD(i) = (AD(i) > 0.0) ? 1.0 : (AD(i) < 0.0 ? -1.0 : 0.0);
}

}  // namespace vetrix
