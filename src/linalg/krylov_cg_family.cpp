// cg, cgnr, bcg, bcgstab, tfqmr: reverse-communication solvers of the conjugate-gradient type.
// Each solver resumes at the request point saved in ipar(10); a request is posted and the
// solver returns, the caller serves it and calls again. The resume points are the case labels.
#include <cmath>

#include "linalg/krylov.hpp"
#include "linalg/krylov_kernels.hpp"

namespace vetrix {

using namespace krylov_detail;

// Preconditioned conjugate gradient (Hestenes and Stiefel). wk: r residual, p direction, q = A p
// (and scratch), z = M^-1 r, dx accumulated update. Stops on the residual norm.
void cg(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
        F1<real> wk, KrylovState& st) {
    const integer r = 1, p = n + 1, q = 2 * n + 1, z = 3 * n + 1, dx = 4 * n + 1;
    auto V = [&](integer pos) { return at(wk, pos, n); };
    integer& it = st.ints[0];
    real& rho = st.reals[0];
    real& alpha = st.reals[1];
    if (ipar(1) <= 0) ipar(10) = 0;
    switch (ipar(10)) {
        case 0:
            if (!bisinit(ipar, fpar, 5 * n, 1, st.lp, st.rp, wk)) return;
            // r = b - A x
            copy(n, sol, V(q));
            post(ipar, 1, q, r, 1);
            return;
        case 1:
            ipar(7) += 1;
            for (integer i = 1; i <= n; ++i) wk(r + i - 1) = rhs(i) - wk(r + i - 1);
            set_target(n, ipar, fpar, nrm(n, V(r)), rhs);
            fpar(11) += 3 * n;
            if (met_at_start(ipar, fpar)) break;
            it = 0;
            for (;;) {
                // z = M^-1 r
                if (st.lp) { post(ipar, 3, r, st.rp ? q : z, 2); return; case 2:; }
                if (st.rp) { post(ipar, 5, st.lp ? q : r, z, 3); return; case 3:; }
                if (!st.lp && !st.rp) copy(n, V(r), V(z));
                {
                    // p = z + beta p
                    const real rho1 = dot(n, V(r), V(z));
                    if (brkdn(rho1, ipar)) break;
                    const real beta = it == 0 ? 0.0 : rho1 / rho;
                    rho = rho1;
                    for (integer i = 0; i < n; ++i) wk(p + i) = wk(z + i) + beta * wk(p + i);
                    fpar(11) += 4 * n;
                }
                ++it;
                post(ipar, 1, p, q, 4);
                return;
        case 4:
                ipar(7) += 1;
                {
                    // alpha = rho / p.Ap; x += alpha p; r -= alpha Ap
                    const real pq = dot(n, V(p), V(q));
                    if (brkdn(pq, ipar)) break;
                    alpha = rho / pq;
                    axpy(n, alpha, V(p), V(dx));
                    axpy(n, -alpha, V(q), V(r));
                    fpar(11) += 6 * n + 1;
                }
                if (caller_tests(ipar)) {
                    post(ipar, 10, r, dx, 5);
                    return;
        case 5:
                    if (ipar(11) == 1 || limit_reached(ipar)) break;
                } else if (stopbis(n, ipar, 1, fpar, V(r), V(p), alpha)) {
                    break;
                }
            }
            break;
        default:
            ipar(1) = -10;
            return;
    }
    tidycg(n, ipar, fpar, sol, V(dx));
}

// Conjugate gradient on the normal equations B^T B y = B^T c, B = M_L^-1 A M_R^-1 (CGNR).
// wk: r residual of B, z = B^T r, p direction, w = B p (and scratch), dy update of y; the
// update of x is M_R^-1 dy. Stops on the residual norm of B.
void cgnr(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
          F1<real> wk, KrylovState& st) {
    const integer r = 1, z = n + 1, p = 2 * n + 1, w = 3 * n + 1, dy = 4 * n + 1;
    auto V = [&](integer pos) { return at(wk, pos, n); };
    integer& it = st.ints[0];
    integer& status = st.ints[1];
    real& zz = st.reals[0];
    real& alpha = st.reals[1];
    if (ipar(1) <= 0) ipar(10) = 0;
    switch (ipar(10)) {
        case 0:
            if (!bisinit(ipar, fpar, 5 * n, 1, st.lp, st.rp, wk)) return;
            copy(n, sol, V(w));
            post(ipar, 1, w, r, 1);
            return;
        case 1:
            // r = M_L^-1 (b - A x)
            ipar(7) += 1;
            for (integer i = 0; i < n; ++i) wk(r + i) = rhs(i + 1) - wk(r + i);
            if (st.lp) {
                post(ipar, 3, r, w, 2);
                return;
        case 2:
                copy(n, V(w), V(r));
            }
            set_target(n, ipar, fpar, nrm(n, V(r)), rhs);
            if (met_at_start(ipar, fpar)) goto finish;
            it = 0;
            for (;;) {
                // z = M_R^-T A^T M_L^-T r
                if (st.lp) { post(ipar, 4, r, w, 3); return; case 3:; }
                post(ipar, 2, st.lp ? w : r, z, 4);
                return;
        case 4:
                ipar(7) += 1;
                if (st.rp) {
                    post(ipar, 6, z, w, 5);
                    return;
        case 5:
                    copy(n, V(w), V(z));
                }
                {
                    // p = z + beta p
                    const real zz1 = dot(n, V(z), V(z));
                    if (brkdn(zz1, ipar)) goto finish;
                    const real beta = it == 0 ? 0.0 : zz1 / zz;
                    zz = zz1;
                    for (integer i = 0; i < n; ++i) wk(p + i) = wk(z + i) + beta * wk(p + i);
                    fpar(11) += 4 * n;
                }
                ++it;
                // w = M_L^-1 A M_R^-1 p, with z as scratch
                if (st.rp) { post(ipar, 5, p, z, 6); return; case 6:; }
                post(ipar, 1, st.rp ? z : p, st.lp ? (st.rp ? w : z) : w, 7);
                return;
        case 7:
                ipar(7) += 1;
                if (st.lp) {
                    post(ipar, 3, st.rp ? w : z, st.rp ? z : w, 8);
                    return;
        case 8:
                    if (st.rp) copy(n, V(z), V(w));
                }
                {
                    // alpha = |z|^2 / |w|^2; y += alpha p; r -= alpha w
                    const real ww = dot(n, V(w), V(w));
                    if (brkdn(ww, ipar)) goto finish;
                    alpha = zz / ww;
                    axpy(n, alpha, V(p), V(dy));
                    axpy(n, -alpha, V(w), V(r));
                    fpar(11) += 6 * n + 1;
                }
                if (caller_tests(ipar)) {
                    post(ipar, 10, r, dy, 9);
                    return;
        case 9:
                    if (ipar(11) == 1 || limit_reached(ipar)) goto finish;
                } else if (stopbis(n, ipar, 2, fpar, V(r), V(p), alpha)) {
                    goto finish;
                }
            }
        finish:
            // x += M_R^-1 dy; the status is kept across the request
            if (st.rp) {
                status = ipar(1);
                post(ipar, 5, dy, w, 10);
                return;
        case 10:
                ipar(1) = status;
                tidycg(n, ipar, fpar, sol, V(w));
                return;
            }
            tidycg(n, ipar, fpar, sol, V(dy));
            return;
        default:
            ipar(1) = -10;
            return;
    }
}

// Preconditioned bi-conjugate gradient (Fletcher). wk: r, rt (shadow residual), p, pt, q (M^-1 r,
// then A p), qt (M^-T rt, then A^T pt), dx. Stops on the residual norm.
void bcg(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
         F1<real> wk, KrylovState& st) {
    const integer r = 1, rt = n + 1, p = 2 * n + 1, pt = 3 * n + 1, q = 4 * n + 1,
                  qt = 5 * n + 1, dx = 6 * n + 1;
    auto V = [&](integer pos) { return at(wk, pos, n); };
    integer& it = st.ints[0];
    real& rho = st.reals[0];
    real& alpha = st.reals[1];
    real& beta = st.reals[2];
    if (ipar(1) <= 0) ipar(10) = 0;
    switch (ipar(10)) {
        case 0:
            if (!bisinit(ipar, fpar, 7 * n, 1, st.lp, st.rp, wk)) return;
            copy(n, sol, V(q));
            post(ipar, 1, q, r, 1);
            return;
        case 1:
            // r = rt = b - A x
            ipar(7) += 1;
            for (integer i = 0; i < n; ++i) wk(r + i) = rhs(i + 1) - wk(r + i);
            copy(n, V(r), V(rt));
            set_target(n, ipar, fpar, nrm(n, V(r)), rhs);
            if (met_at_start(ipar, fpar)) break;
            it = 0;
            for (;;) {
                // q = M^-1 r, with qt as scratch
                if (st.lp) { post(ipar, 3, r, st.rp ? qt : q, 2); return; case 2:; }
                if (st.rp) { post(ipar, 5, st.lp ? qt : r, q, 3); return; case 3:; }
                if (!st.lp && !st.rp) copy(n, V(r), V(q));
                {
                    // p = M^-1 r + beta p
                    const real rho1 = dot(n, V(q), V(rt));
                    if (brkdn(rho1, ipar)) break;
                    beta = it == 0 ? 0.0 : rho1 / rho;
                    rho = rho1;
                    for (integer i = 0; i < n; ++i) wk(p + i) = wk(q + i) + beta * wk(p + i);
                }
                // qt = M^-T rt = M_L^-T M_R^-T rt, with q as scratch
                if (st.rp) { post(ipar, 6, rt, st.lp ? q : qt, 4); return; case 4:; }
                if (st.lp) { post(ipar, 4, st.rp ? q : rt, qt, 5); return; case 5:; }
                if (!st.lp && !st.rp) copy(n, V(rt), V(qt));
                for (integer i = 0; i < n; ++i) wk(pt + i) = wk(qt + i) + beta * wk(pt + i);
                fpar(11) += 6 * n;
                ++it;
                post(ipar, 1, p, q, 6);
                return;
        case 6:
                ipar(7) += 1;
                post(ipar, 2, pt, qt, 7);
                return;
        case 7:
                ipar(7) += 1;
                {
                    // alpha = rho / pt.Ap
                    const real s = dot(n, V(pt), V(q));
                    if (brkdn(s, ipar)) break;
                    alpha = rho / s;
                    axpy(n, alpha, V(p), V(dx));
                    axpy(n, -alpha, V(q), V(r));
                    axpy(n, -alpha, V(qt), V(rt));
                    fpar(11) += 8 * n + 1;
                }
                if (caller_tests(ipar)) {
                    post(ipar, 10, r, dx, 8);
                    return;
        case 8:
                    if (ipar(11) == 1 || limit_reached(ipar)) break;
                } else if (stopbis(n, ipar, 2, fpar, V(r), V(p), alpha)) {
                    break;
                }
            }
            break;
        default:
            ipar(1) = -10;
            return;
    }
    tidycg(n, ipar, fpar, sol, V(dx));
}

// BiCGSTAB (van der Vorst). wk: r (also s), rh shadow residual, p, v = A ph, ph = M^-1 p (also
// scratch), sh = M^-1 s, t = A sh, dx. Stops on the residual norm.
void bcgstab(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
             F1<real> wk, KrylovState& st) {
    const integer r = 1, rh = n + 1, p = 2 * n + 1, v = 3 * n + 1, ph = 4 * n + 1,
                  sh = 5 * n + 1, t = 6 * n + 1, dx = 7 * n + 1;
    auto V = [&](integer pos) { return at(wk, pos, n); };
    real& rho = st.reals[0];
    real& alpha = st.reals[1];
    real& omega = st.reals[2];
    if (ipar(1) <= 0) ipar(10) = 0;
    switch (ipar(10)) {
        case 0:
            if (!bisinit(ipar, fpar, 8 * n, 1, st.lp, st.rp, wk)) return;
            copy(n, sol, V(t));
            post(ipar, 1, t, r, 1);
            return;
        case 1:
            ipar(7) += 1;
            for (integer i = 0; i < n; ++i) wk(r + i) = rhs(i + 1) - wk(r + i);
            copy(n, V(r), V(rh));
            set_target(n, ipar, fpar, nrm(n, V(r)), rhs);
            if (met_at_start(ipar, fpar)) break;
            rho = 1.0;
            alpha = 1.0;
            omega = 1.0;
            for (;;) {
                {
                    // p = r + beta (p - omega v)
                    const real rho1 = dot(n, V(rh), V(r));
                    if (brkdn(rho1, ipar)) break;
                    const real beta = (rho1 / rho) * (alpha / omega);
                    rho = rho1;
                    for (integer i = 0; i < n; ++i)
                        wk(p + i) = wk(r + i) + beta * (wk(p + i) - omega * wk(v + i));
                    fpar(11) += 6 * n;
                }
                // ph = M^-1 p, with t as scratch
                if (st.lp) { post(ipar, 3, p, st.rp ? t : ph, 2); return; case 2:; }
                if (st.rp) { post(ipar, 5, st.lp ? t : p, ph, 3); return; case 3:; }
                if (!st.lp && !st.rp) copy(n, V(p), V(ph));
                post(ipar, 1, ph, v, 4);
                return;
        case 4:
                ipar(7) += 1;
                {
                    // alpha = rho / rh.v; x += alpha ph; s = r - alpha v
                    const real sv = dot(n, V(rh), V(v));
                    if (brkdn(sv, ipar)) break;
                    alpha = rho / sv;
                    axpy(n, alpha, V(ph), V(dx));
                    axpy(n, -alpha, V(v), V(r));
                    fpar(11) += 6 * n;
                }
                if (ipar(3) >= 0 && ipar(3) != 999) {
                    // s small enough: the half step already solves
                    fpar(5) = nrm(n, V(r));
                    if (fpar(5) <= fpar(4)) {
                        fpar(6) = fpar(5);
                        break;
                    }
                }
                // sh = M^-1 s, with ph as scratch
                if (st.lp) { post(ipar, 3, r, st.rp ? ph : sh, 5); return; case 5:; }
                if (st.rp) { post(ipar, 5, st.lp ? ph : r, sh, 6); return; case 6:; }
                if (!st.lp && !st.rp) copy(n, V(r), V(sh));
                post(ipar, 1, sh, t, 7);
                return;
        case 7:
                ipar(7) += 1;
                {
                    // omega = t.s / t.t; x += omega sh; r = s - omega t
                    const real tt = dot(n, V(t), V(t));
                    if (brkdn(tt, ipar)) break;
                    omega = dot(n, V(t), V(r)) / tt;
                    if (brkdn(omega, ipar)) break;
                    axpy(n, omega, V(sh), V(dx));
                    axpy(n, -omega, V(t), V(r));
                    fpar(11) += 8 * n + 2;
                    // t = latest correction alpha ph + omega sh, for the correction test
                    if (ipar(3) < 0) {
                        for (integer i = 0; i < n; ++i)
                            wk(t + i) = alpha * wk(ph + i) + omega * wk(sh + i);
                    }
                }
                if (caller_tests(ipar)) {
                    post(ipar, 10, r, dx, 8);
                    return;
        case 8:
                    if (ipar(11) == 1 || limit_reached(ipar)) break;
                } else if (stopbis(n, ipar, 2, fpar, V(r), V(t), 1.0)) {
                    break;
                }
            }
            break;
        default:
            ipar(1) = -10;
            return;
    }
    tidycg(n, ipar, fpar, sol, V(dx));
}

namespace {

// TFQMR's own test after a half step: product limit first, then the residual bound
// tau sqrt(m+1) (kinds >= 0) or the correction eta |d| (kinds < 0) against the target.
bool tfqmr_stop(integer n, F1<integer> ipar, F1<real> fpar, real tau, integer m, real eta,
                F1<const real> d) {
    if (limit_reached(ipar)) {
        ipar(1) = -1;
        return true;
    }
    fpar(5) = tau * std::sqrt(static_cast<real>(m + 1));
    if (ipar(3) < 0) {
        fpar(6) = std::abs(eta) * nrm(n, d);
        if (ipar(3) == -1 && m == 1) {
            fpar(3) = fpar(6);
            fpar(4) = fpar(1) * fpar(6) + fpar(2);
        }
    } else {
        fpar(6) = fpar(5);
    }
    return fpar(6) <= fpar(4);
}

// One quasi-minimal residual half step with direction u and Bu = B u:
// w -= alpha Bu; d = u + (theta^2 eta / alpha) d; theta = |w| / tau; c = 1 / sqrt(1 + theta^2);
// tau = tau theta c; eta = c^2 alpha; dy += eta d.
void tfqmr_half(integer n, F1<real> u, F1<real> bu, F1<real> w, F1<real> d, F1<real> dy,
                real alpha, real& theta, real& tau, real& eta, real& ops) {
    axpy(n, -alpha, bu, w);
    const real f = theta * theta * eta / alpha;
    for (integer i = 1; i <= n; ++i) d(i) = u(i) + f * d(i);
    theta = nrm(n, w) / tau;
    const real c = 1.0 / std::sqrt(1.0 + theta * theta);
    tau = tau * theta * c;
    eta = c * c * alpha;
    axpy(n, eta, d, dy);
    ops += 10 * n + 10;
}

}  // namespace

// Transpose-free QMR (Freund) on B = M_L^-1 A M_R^-1. wk: rt shadow residual, w, u1, u2, v, bu1,
// bu2, d, dy (update of y; x gains M_R^-1 dy), t1 and t2 scratch. Default test: kind 2 on the
// residual bound.
void tfqmr(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
           F1<real> wk, KrylovState& st) {
    const integer rt = 1, w = n + 1, u1 = 2 * n + 1, u2 = 3 * n + 1, v = 4 * n + 1,
                  bu1 = 5 * n + 1, bu2 = 6 * n + 1, d = 7 * n + 1, dy = 8 * n + 1,
                  t1 = 9 * n + 1, t2 = 10 * n + 1;
    auto V = [&](integer pos) { return at(wk, pos, n); };
    integer& m = st.ints[0];
    integer& status = st.ints[1];
    real& tau = st.reals[0];
    real& theta = st.reals[1];
    real& eta = st.reals[2];
    real& rho = st.reals[3];
    real& alpha = st.reals[4];
    real& beta = st.reals[5];
    if (ipar(1) <= 0) ipar(10) = 0;
    switch (ipar(10)) {
        case 0:
            if (!bisinit(ipar, fpar, 11 * n, 2, st.lp, st.rp, wk)) return;
            copy(n, sol, V(t1));
            post(ipar, 1, t1, w, 1);
            return;
        case 1:
            // w = u1 = rt = M_L^-1 (b - A x)
            ipar(7) += 1;
            for (integer i = 0; i < n; ++i) wk(w + i) = rhs(i + 1) - wk(w + i);
            if (st.lp) {
                post(ipar, 3, w, t1, 2);
                return;
        case 2:
                copy(n, V(t1), V(w));
            }
            tau = nrm(n, V(w));
            set_target(n, ipar, fpar, tau, rhs);
            if (met_at_start(ipar, fpar)) goto finish;
            copy(n, V(w), V(rt));
            copy(n, V(w), V(u1));
            rho = tau * tau;
            theta = 0.0;
            eta = 0.0;
            m = 0;
            // bu1 = B u1
            if (st.rp) { post(ipar, 5, u1, t1, 3); return; case 3:; }
            post(ipar, 1, st.rp ? t1 : u1, st.lp ? t2 : bu1, 4);
            return;
        case 4:
            ipar(7) += 1;
            if (st.lp) { post(ipar, 3, t2, bu1, 5); return; case 5:; }
            copy(n, V(bu1), V(v));
            for (;;) {
                {
                    // alpha = rho / v.rt; u2 = u1 - alpha v
                    const real sigma = dot(n, V(v), V(rt));
                    if (brkdn(sigma, ipar)) goto finish;
                    alpha = rho / sigma;
                    for (integer i = 0; i < n; ++i) wk(u2 + i) = wk(u1 + i) - alpha * wk(v + i);
                    fpar(11) += 4 * n;
                }
                tfqmr_half(n, V(u1), V(bu1), V(w), V(d), V(dy), alpha, theta, tau, eta,
                           fpar(11));
                ++m;
                if (caller_tests(ipar)) {
                    post(ipar, 10, w, dy, 6);
                    return;
        case 6:
                    if (ipar(11) == 1 || limit_reached(ipar)) goto finish;
                } else if (tfqmr_stop(n, ipar, fpar, tau, m, eta, V(d))) {
                    goto finish;
                }
                // bu2 = B u2
                if (st.rp) { post(ipar, 5, u2, t1, 7); return; case 7:; }
                post(ipar, 1, st.rp ? t1 : u2, st.lp ? t2 : bu2, 8);
                return;
        case 8:
                ipar(7) += 1;
                if (st.lp) { post(ipar, 3, t2, bu2, 9); return; case 9:; }
                tfqmr_half(n, V(u2), V(bu2), V(w), V(d), V(dy), alpha, theta, tau, eta,
                           fpar(11));
                ++m;
                if (caller_tests(ipar)) {
                    post(ipar, 10, w, dy, 10);
                    return;
        case 10:
                    if (ipar(11) == 1 || limit_reached(ipar)) goto finish;
                } else if (tfqmr_stop(n, ipar, fpar, tau, m, eta, V(d))) {
                    goto finish;
                }
                {
                    // u1 = w + beta u2
                    const real rho1 = dot(n, V(w), V(rt));
                    if (brkdn(rho1, ipar)) goto finish;
                    beta = rho1 / rho;
                    rho = rho1;
                    for (integer i = 0; i < n; ++i) wk(u1 + i) = wk(w + i) + beta * wk(u2 + i);
                    fpar(11) += 4 * n;
                }
                // bu1 = B u1; v = bu1 + beta (bu2 + beta v)
                if (st.rp) { post(ipar, 5, u1, t1, 11); return; case 11:; }
                post(ipar, 1, st.rp ? t1 : u1, st.lp ? t2 : bu1, 12);
                return;
        case 12:
                ipar(7) += 1;
                if (st.lp) { post(ipar, 3, t2, bu1, 13); return; case 13:; }
                for (integer i = 0; i < n; ++i)
                    wk(v + i) = wk(bu1 + i) + beta * (wk(bu2 + i) + beta * wk(v + i));
                fpar(11) += 4 * n;
            }
        finish:
            // x += M_R^-1 dy; the status is kept across the request
            if (st.rp) {
                status = ipar(1);
                post(ipar, 5, dy, t1, 14);
                return;
        case 14:
                ipar(1) = status;
                tidycg(n, ipar, fpar, sol, V(t1));
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
