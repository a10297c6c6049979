// dbcg, implu, uppdir: bi-conjugate gradient in its direct (Lanczos) form, with partial pivoting
// in the LU factorisation of the Lanczos tridiagonal matrix.
#include <cmath>
#include <utility>

#include "linalg/krylov.hpp"
#include "linalg/krylov_kernels.hpp"

namespace vetrix {

using namespace krylov_detail;

namespace {

// One elimination step (k) of the tridiagonal LU with partial pivoting: rows k and k+1 were
// exchanged when swap is set, then row k+1 lost l times row k.
struct Elim {
    bool swap = false;
    real l = 0.0;
    void apply(real& top, real& bottom) const {
        if (swap) std::swap(top, bottom);
        bottom -= l * top;
    }
};

// Column j of the tridiagonal (beta_j above the diagonal, alpha_j on it) through the two
// previous elimination steps: a = U(j-2,j), b = U(j-1,j), c = the diagonal before pivoting.
void implu(integer j, real beta_j, real alpha_j, const Elim& e2, const Elim& e1, real& a, real& b,
           real& c) {
    a = 0.0;
    b = beta_j;
    c = alpha_j;
    if (j >= 3) e2.apply(a, b);
    if (j >= 2) e1.apply(b, c);
}

// q = v - a p(j-2) - b p(j-1): the direction of step j before its division by the pivot.
void uppdir(integer n, F1<const real> v, real a, F1<const real> p2, real b, F1<const real> p1,
            F1<real> q) {
    for (integer i = 1; i <= n; ++i) q(i) = v(i) - a * p2(i) - b * p1(i);
}

}  // namespace

// Lanczos biorthogonalisation of B = M_L^-1 A M_R^-1 and its transpose builds the tridiagonal
// T (alpha on the diagonal, delta below, beta above); T y = |r0| e1 is solved by an LU
// factorisation with partial pivoting carried along step by step, so a zero pivot of plain
// BiCG does not stop the iteration. The iterate returned is the Galerkin (BiCG) iterate
// whenever it exists; the residual |y_j| |v^_(j+1)| is the test value.
// wk (positions rotate between steps): v(j-1), v(j), v^, w(j-1), w(j), w^, p(j-2), p(j-1), q,
// dy (update of y; x gains M_R^-1 dy) and one scratch vector.
void dbcg(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
          F1<real> wk, KrylovState& st) {
    auto& I = st.ints;
    auto& R = st.reals;
    integer& j = I[0];
    integer& ivp = I[1];
    integer& iv = I[2];
    integer& ivh = I[3];
    integer& iwp = I[4];
    integer& iw = I[5];
    integer& iwh = I[6];
    integer& ip2 = I[7];  // p(j-2)
    integer& ip1 = I[8];  // p(j-1)
    integer& iq = I[9];
    integer& status = I[10];
    integer& sw2 = I[11];
    integer& sw1 = I[12];
    real& g = R[0];       // current entry of the eliminated right-hand side
    real& l2 = R[1];      // step j-2
    real& l1 = R[2];      // step j-1
    real& betaj = R[3];   // T(j-1, j)
    real& deltaj = R[4];  // T(j, j-1)
    real& cpiv = R[5];    // diagonal of column j before pivoting
    const integer dy = 9 * n + 1, t = 10 * n + 1;
    auto V = [&](integer pos) { return at(wk, pos, n); };
    auto elim = [](integer sw, real l) {
        Elim e;
        e.swap = sw != 0;
        e.l = l;
        return e;
    };

    if (ipar(1) <= 0) ipar(10) = 0;
    switch (ipar(10)) {
        case 0:
            if (!bisinit(ipar, fpar, 11 * n, 1, st.lp, st.rp, wk)) return;
            ivp = 1;
            iv = n + 1;
            ivh = 2 * n + 1;
            iwp = 3 * n + 1;
            iw = 4 * n + 1;
            iwh = 5 * n + 1;
            ip2 = 6 * n + 1;
            ip1 = 7 * n + 1;
            iq = 8 * n + 1;
            copy(n, sol, V(t));
            post(ipar, 1, t, ivh, 1);
            return;
        case 1:
            // r0 = M_L^-1 (b - A x)
            ipar(7) += 1;
            for (integer i = 0; i < n; ++i) wk(ivh + i) = rhs(i + 1) - wk(ivh + i);
            if (st.lp) {
                post(ipar, 3, ivh, t, 2);
                return;
        case 2:
                copy(n, V(t), V(ivh));
            }
            {
                const real beta0 = nrm(n, V(ivh));
                set_target(n, ipar, fpar, beta0, rhs);
                if (met_at_start(ipar, fpar) || beta0 == 0.0) {
                    fpar(6) = fpar(5);
                    goto finish;
                }
                // v1 = w1 = r0 / |r0|, so that w1.v1 = 1
                for (integer i = 0; i < n; ++i) wk(iv + i) = wk(ivh + i) / beta0;
                copy(n, V(iv), V(iw));
                g = beta0;
            }
            j = 1;
            betaj = 0.0;
            deltaj = 0.0;
            sw1 = sw2 = 0;
            l1 = l2 = 0.0;
            for (;;) {
                // v^ = B v(j)
                if (st.rp) { post(ipar, 5, iv, t, 3); return; case 3:; }
                post(ipar, 1, st.rp ? t : iv, ivh, 4);
                return;
        case 4:
                ipar(7) += 1;
                if (st.lp) {
                    post(ipar, 3, ivh, t, 5);
                    return;
        case 5:
                    copy(n, V(t), V(ivh));
                }
                // w^ = B^T w(j)
                if (st.lp) { post(ipar, 4, iw, t, 6); return; case 6:; }
                post(ipar, 2, st.lp ? t : iw, iwh, 7);
                return;
        case 7:
                ipar(7) += 1;
                if (st.rp) {
                    post(ipar, 6, iwh, t, 8);
                    return;
        case 8:
                    copy(n, V(t), V(iwh));
                }
                {
                    // three-term recurrences
                    const real alpha = dot(n, V(ivh), V(iw));
                    for (integer i = 0; i < n; ++i) {
                        wk(ivh + i) -= alpha * wk(iv + i) + betaj * wk(ivp + i);
                        wk(iwh + i) -= alpha * wk(iw + i) + deltaj * wk(iwp + i);
                    }
                    fpar(11) += 10 * n;
                    real a = 0.0;
                    real b = 0.0;
                    implu(j, betaj, alpha, elim(sw2, l2), elim(sw1, l1), a, b, cpiv);
                    uppdir(n, V(iv), a, V(ip2), b, V(ip1), V(iq));
                    fpar(11) += 4 * n;
                }
                // Galerkin residual |g / c| |v^| and test
                if (limit_reached(ipar)) {
                    ipar(1) = -1;
                    goto galerkin;
                }
                if (cpiv != 0.0) {
                    {
                        const real y = g / cpiv;
                        fpar(5) = std::abs(y) * nrm(n, V(ivh));
                        if (ipar(3) < 0) {
                            fpar(6) = std::abs(y) * nrm(n, V(iq));
                            if (ipar(3) == -1 && j == 1) {
                                fpar(3) = fpar(6);
                                fpar(4) = fpar(1) * fpar(6) + fpar(2);
                            }
                        } else {
                            fpar(6) = fpar(5);
                        }
                        fpar(11) += 4 * n;
                    }
                    if (ipar(3) == 999) {
                        post(ipar, 10, ivh, dy, 9);
                        return;
        case 9:
                        if (ipar(11) == 1) goto galerkin;
                    } else if (fpar(6) <= fpar(4)) {
                        goto galerkin;
                    }
                }
                {
                    // next Lanczos pair: delta = sqrt|w^.v^|, beta = w^.v^ / delta
                    const real omega = dot(n, V(ivh), V(iwh));
                    if (brkdn(omega, ipar)) goto galerkin;
                    const real delta = std::sqrt(std::abs(omega));
                    const real beta = omega / delta;
                    // pivot between the diagonal c and delta below it
                    integer sw = 0;
                    real l = 0.0;
                    real u = cpiv;
                    real zj = g;
                    if (std::abs(delta) > std::abs(cpiv)) {
                        sw = 1;
                        u = delta;
                        l = cpiv / delta;
                        zj = 0.0;  // g moves down a row unchanged
                    } else {
                        l = delta / cpiv;
                        g = -l * g;
                    }
                    // p(j) = q / u; y += z(j) p(j)
                    const real scale = 1.0 / u;
                    for (integer i = 0; i < n; ++i) wk(iq + i) *= scale;
                    if (zj != 0.0) axpy(n, zj, V(iq), V(dy));
                    for (integer i = 0; i < n; ++i) {
                        wk(ivh + i) /= delta;
                        wk(iwh + i) /= beta;
                    }
                    fpar(11) += 6 * n;
                    // shift the windows
                    const integer ov = ivp, ow = iwp, op = ip2;
                    ivp = iv;
                    iv = ivh;
                    ivh = ov;
                    iwp = iw;
                    iw = iwh;
                    iwh = ow;
                    ip2 = ip1;
                    ip1 = iq;
                    iq = op;
                    sw2 = sw1;
                    l2 = l1;
                    sw1 = sw;
                    l1 = l;
                    betaj = beta;
                    deltaj = delta;
                    ++j;
                }
            }
        galerkin:
            // the Galerkin iterate adds (g / c) q to the final directions when it exists
            if (cpiv != 0.0) axpy(n, g / cpiv, V(iq), V(dy));
        finish:
            if (st.rp) {
                status = ipar(1);
                post(ipar, 5, dy, t, 10);
                return;
        case 10:
                ipar(1) = status;
                tidycg(n, ipar, fpar, sol, V(t));
                return;
            }
            tidycg(n, ipar, fpar, sol, V(dy));
            return;
        default:
            ipar(1) = -10;
            return;
    }
}

}  // namespace vetrix
