// fom, gmres, fgmres, dqgmres: reverse-communication solvers built on the Arnoldi process.
// Each solver resumes at the request point saved in ipar(10) (the case labels below).
#include <algorithm>
#include <cmath>

#include "linalg/krylov.hpp"
#include "linalg/krylov_kernels.hpp"

namespace vetrix {

using namespace krylov_detail;

namespace {

enum class Arnoldi { fom, gmres, fgmres };

// Restarted FOM, GMRES and flexible GMRES (Saad and Schultz; Saad), m = ipar(5) (15 if <= 1).
// wk: basis v(1..m+1) at (j-1)n+1; gmres/fom: one vector z at n(m+1)+1; fgmres: z(1..m) at
// n(m+1)+(j-1)n+1 and a scratch vector at n(2m+1)+1. Then, from hb = n(m+2) (fgmres n(2m+2)):
// the Hessenberg matrix by packed columns, column i from hb + i(i-1)/2 + 1 holding h(1..i+1, i)
// (h(i+1,i) shares its place with h(1,i+1)), cosines, sines and the small right-hand side rs.
void arnoldi_solve(Arnoldi kind, integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar,
                   F1<real> fpar, F1<real> wk, KrylovState& st) {
    integer& m = st.ints[0];
    integer& i = st.ints[1];
    integer& hb = st.ints[2];
    integer& oerr = st.ints[3];    // orthogonalisation error of the cycle
    integer& status = st.ints[4];  // final status while the update is completed
    integer& cycle = st.ints[5];
    real& hbar = st.reals[0];  // FOM: h(i,i) before its own rotation
    real& gbar = st.reals[1];  // FOM: rs(i) before that rotation
    const bool flexible = kind == Arnoldi::fgmres;

    auto v = [&](integer j) { return (j - 1) * n + 1; };
    auto zf = [&](integer j) { return st.rp ? n * (m + 1) + (j - 1) * n + 1 : v(j); };
    const integer z = n * (m + 1) + 1;           // gmres, fom
    const integer scratch = n * (2 * m + 1) + 1;  // fgmres
    auto hp = [&](integer k, integer col) { return hb + col * (col - 1) / 2 + k; };
    auto h = [&](integer k, integer col) -> real& { return wk(hp(k, col)); };
    const integer hend = hb + m * (m + 1) / 2 + 1;
    auto c = [&](integer j) -> real& { return wk(hend + j); };
    auto s = [&](integer j) -> real& { return wk(hend + m + j); };
    auto rs = [&](integer j) -> real& { return wk(hend + 2 * m + j); };
    auto V = [&](integer pos) { return at(wk, pos, n); };

    if (ipar(1) <= 0) ipar(10) = 0;
    switch (ipar(10)) {
        case 0: {
            m = ipar(5) <= 1 ? 15 : ipar(5);
            hb = flexible ? n * (2 * m + 2) : n * (m + 2);
            const integer need = hb + m * (m + 1) / 2 + 3 * m + 2;
            if (!bisinit(ipar, fpar, need, 1, st.lp, st.rp, wk)) return;
            cycle = 0;
        }
        restart:
            // r = b - A x into v1
            copy(n, sol, V(flexible ? scratch : z));
            post(ipar, 1, flexible ? scratch : z, 1, 1);
            return;
        case 1:
            ipar(7) += 1;
            ipar(13) += 1;
            ++cycle;
            oerr = 0;
            if (st.lp) {
                // v1 = M_L^-1 (b - A x)
                for (integer k = 1; k <= n; ++k) wk(n + k) = rhs(k) - wk(k);
                post(ipar, 3, n + 1, 1, 2);
                return;
        case 2:;
            } else {
                for (integer k = 1; k <= n; ++k) wk(k) = rhs(k) - wk(k);
            }
            fpar(11) += n;
            {
                const real beta = nrm(n, V(1));
                fpar(11) += 2 * n;
                if (ipar(7) == 1) set_target(n, ipar, fpar, beta, rhs);
                fpar(5) = beta;
                rs(1) = beta;
                if (met_at_start(ipar, fpar) || beta == 0.0) {
                    fpar(6) = beta;
                    status = 0;
                    goto done;
                }
                if (ipar(7) > 1 && limit_reached(ipar)) {
                    fpar(6) = beta;
                    status = -1;
                    goto done;
                }
                const real scale = 1.0 / beta;
                for (integer k = 1; k <= n; ++k) wk(k) *= scale;
            }
            i = 0;
            for (;;) {
                // Arnoldi step: v(i+1) = M_L^-1 A M_R^-1 v(i)
                ++i;
                if (st.rp) {
                    post(ipar, 5, v(i), flexible ? zf(i) : (st.lp ? v(i + 1) : z), 3);
                    return;
        case 3:;
                }
                {
                    const integer in = st.rp ? (flexible ? zf(i) : (st.lp ? v(i + 1) : z)) : v(i);
                    const integer out = st.lp ? (flexible ? scratch : z) : v(i + 1);
                    post(ipar, 1, in, out, 4);
                    return;
                }
        case 4:
                ipar(7) += 1;
                if (st.lp) {
                    post(ipar, 3, flexible ? scratch : z, v(i + 1), 5);
                    return;
        case 5:;
                }
                {
                    // orthogonalise, column i of H
                    integer err = 0;
                    mgsro(false, n, n, i + 1, i + 1, fpar(11), wk, wk.section(hp(1, i), i + 1),
                          err);
                    if (err == -1 || err == -2) {
                        // the new vector is zero or abnormal: keep the columns done so far
                        oerr = err;
                        ipar(12) = err;
                        --i;
                        break;
                    }
                    // err == -3: v(i+1) lies in the basis; the residual vanishes below
                    const real hsub = h(i + 1, i);
                    for (integer j = 1; j <= i - 1; ++j) {
                        const real a1 = h(j, i);
                        const real a2 = h(j + 1, i);
                        h(j, i) = c(j) * a1 + s(j) * a2;
                        h(j + 1, i) = c(j) * a2 - s(j) * a1;
                    }
                    hbar = h(i, i);
                    gbar = rs(i);
                    {
                        real y = h(i + 1, i);
                        givens(h(i, i), y, c(i), s(i));
                    }
                    rs(i + 1) = -s(i) * rs(i);
                    rs(i) = c(i) * rs(i);
                    fpar(11) += 6 * i + 10;
                    if (kind == Arnoldi::fom) {
                        // FOM residual h(i+1,i) |y(i)|
                        if (hbar != 0.0) fpar(5) = std::abs(hsub * gbar / hbar);
                    } else {
                        fpar(5) = std::abs(rs(i + 1));
                    }
                    if (err == -3) break;
                    const bool test = ipar(3) >= 0 && ipar(3) != 999;
                    if (i >= m || (test && fpar(5) <= fpar(4)) || limit_reached(ipar)) break;
                }
            }

            // update: solve H y = rs by back substitution, x += V y (or Z y)
            if (kind == Arnoldi::fom && i >= 1) {
                h(i, i) = hbar;
                rs(i) = gbar;
            }
            while (i >= 1 && h(i, i) == 0.0) --i;
            if (i < 1) {
                status = -3;
                if (ipar(12) == 0) ipar(12) = -4;
                goto done;
            }
            for (integer k = i; k >= 1; --k) {
                real t = rs(k);
                for (integer j = k + 1; j <= i; ++j) t -= h(k, j) * rs(j);
                rs(k) = t / h(k, k);
            }
            fpar(11) += i * i + i;
            if (flexible) {
                for (integer k = 1; k <= n; ++k) wk(scratch + k - 1) = 0.0;
                for (integer j = 1; j <= i; ++j) axpy(n, rs(j), V(zf(j)), V(scratch));
                axpy(n, 1.0, V(scratch), sol);
                if (ipar(3) < 0) fpar(6) = nrm(n, V(scratch));
            } else {
                // u = sum y(j) v(j) overwrites v(1)
                {
                    const real y1 = rs(1);
                    for (integer k = 1; k <= n; ++k) wk(k) *= y1;
                }
                for (integer j = 2; j <= i; ++j) axpy(n, rs(j), V(v(j)), V(1));
                if (st.rp) {
                    post(ipar, 5, 1, z, 6);
                    return;
        case 6:
                    axpy(n, 1.0, V(z), sol);
                    if (ipar(3) < 0) fpar(6) = nrm(n, V(z));
                } else {
                    axpy(n, 1.0, V(1), sol);
                    if (ipar(3) < 0) fpar(6) = nrm(n, V(1));
                }
            }
            fpar(11) += 2 * n * (i + 1);

            // decide: converged, at the limit, or restart
            if (ipar(3) == 999) {
                post(ipar, 10, 1, 1, 7);
                return;
        case 7:;
            } else if (ipar(3) < 0) {
                if (ipar(3) == -1 && cycle == 1) {
                    fpar(3) = fpar(6);
                    fpar(4) = fpar(1) * fpar(6) + fpar(2);
                }
            } else {
                fpar(6) = fpar(5);
            }
            {
                const bool met = ipar(3) == 999 ? ipar(11) == 1 : fpar(6) <= fpar(4);
                if (oerr == 0 && !met && !limit_reached(ipar)) goto restart;
                if (oerr != 0) {
                    status = -3;
                } else if (met) {
                    status = 0;
                } else if (limit_reached(ipar)) {
                    status = -1;
                } else {
                    status = -10;
                }
            }
        done:
            ipar(1) = status;
            set_rate(ipar, fpar);
            return;
        default:
            ipar(1) = -10;
            return;
    }
}

}  // namespace

// Full orthogonalisation method (Arnoldi's method for linear systems), restarted: the Galerkin
// solution of the projected square system; its residual h(i+1,i) |y(i)| is the estimate.
void fom(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
         F1<real> wk, KrylovState& st) {
    arnoldi_solve(Arnoldi::fom, n, rhs, sol, ipar, fpar, wk, st);
}

// Restarted GMRES (Saad and Schultz) with Givens rotations; the rotated right-hand side gives
// the residual estimate.
void gmres(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
           F1<real> wk, KrylovState& st) {
    arnoldi_solve(Arnoldi::gmres, n, rhs, sol, ipar, fpar, wk, st);
}

// Flexible GMRES (Saad): the right-preconditioned vectors are kept and the update is built from
// them, so the preconditioner may change from step to step.
void fgmres(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
            F1<real> wk, KrylovState& st) {
    arnoldi_solve(Arnoldi::fgmres, n, rhs, sol, ipar, fpar, wk, st);
}

// Direct quasi-GMRES (Saad and Wu): incomplete orthogonalisation of each new vector against the
// previous lb - 1 basis vectors, lb = m + 1 (16 if ipar(5) <= 1), and a progressive update
// x += gamma(j) p(j) with p(j) = (z(j) - sum h(i,j) p(i)) / h(j,j), so only a window of lb basis
// vectors and lb directions is kept. When the residual estimate meets the target the true
// residual is formed (a restart); the solve ends there if it meets the target too.
// wk: z scratch (1..n), basis window (lb vectors from n+1), direction window (lb vectors from
// n(lb+1)+1), then the rotated column of H (lb+1), cosines (lb) and sines (lb).
void dqgmres(integer n, F1<const real> rhs, F1<real> sol, F1<integer> ipar, F1<real> fpar,
             F1<real> wk, KrylovState& st) {
    integer& lb = st.ints[0];
    integer& j = st.ints[1];  // step within the current cycle
    integer& status = st.ints[2];
    integer& cycle = st.ints[3];
    real& gamma = st.reals[0];  // rotated right-hand side entry of step j
    auto slot = [&](integer k) { return (k - 1) % lb; };
    auto vp = [&](integer k) { return n + slot(k) * n + 1; };
    auto pp = [&](integer k) { return n + lb * n + slot(k) * n + 1; };
    const integer hb = n + 2 * lb * n;
    auto hc = [&](integer row) -> real& { return wk(hb + row - (j - lb)); };  // rows j-lb+1..j+1
    auto c = [&](integer k) -> real& { return wk(hb + lb + 1 + slot(k) + 1); };
    auto s = [&](integer k) -> real& { return wk(hb + 2 * lb + 1 + slot(k) + 1); };
    auto V = [&](integer pos) { return at(wk, pos, n); };

    if (ipar(1) <= 0) ipar(10) = 0;
    switch (ipar(10)) {
        case 0:
            lb = ipar(5) <= 1 ? 16 : ipar(5) + 1;
            if (!bisinit(ipar, fpar, n + lb * (2 * n + 4), 1, st.lp, st.rp, wk)) return;
            cycle = 0;
        restart:
            j = 0;
            copy(n, sol, V(1));
            post(ipar, 1, 1, vp(1), 1);
            return;
        case 1:
            ipar(7) += 1;
            ipar(13) += 1;
            ++cycle;
            for (integer k = 0; k < n; ++k) wk(vp(1) + k) = rhs(k + 1) - wk(vp(1) + k);
            if (st.lp) {
                post(ipar, 3, vp(1), 1, 2);
                return;
        case 2:
                copy(n, V(1), V(vp(1)));
            }
            {
                const real beta = nrm(n, V(vp(1)));
                if (ipar(7) == 1) set_target(n, ipar, fpar, beta, rhs);
                fpar(5) = beta;
                if (met_at_start(ipar, fpar) || beta == 0.0) {
                    fpar(6) = beta;
                    status = 0;
                    goto done;
                }
                if (cycle > 1 && limit_reached(ipar)) {
                    fpar(6) = beta;
                    status = -1;
                    goto done;
                }
                const real scale = 1.0 / beta;
                for (integer k = 0; k < n; ++k) wk(vp(1) + k) *= scale;
                gamma = beta;
            }
            for (;;) {
                ++j;
                // w = M_L^-1 A M_R^-1 v(j) into the slot of v(j+1); z = M_R^-1 v(j) at 1
                if (st.rp) { post(ipar, 5, vp(j), 1, 3); return; case 3:; }
                post(ipar, 1, st.rp ? 1 : vp(j), st.lp ? pp(j) : vp(j + 1), 4);
                return;
        case 4:
                ipar(7) += 1;
                if (st.lp) { post(ipar, 3, pp(j), vp(j + 1), 5); return; case 5:; }
                {
                    // incomplete orthogonalisation against v(j-lb+2..j)
                    for (integer row = j - lb + 1; row <= j + 1; ++row) hc(row) = 0.0;
                    const F1<real> w = V(vp(j + 1));
                    for (integer k = std::max(1, j - lb + 2); k <= j; ++k) {
                        const real t = dot(n, V(vp(k)), w);
                        hc(k) = t;
                        axpy(n, -t, V(vp(k)), w);
                    }
                    const real hnext = nrm(n, w);
                    hc(j + 1) = hnext;
                    if (hnext > 0.0) {
                        const real scale = 1.0 / hnext;
                        for (integer k = 1; k <= n; ++k) w(k) *= scale;
                    }
                    fpar(11) += 4 * n * std::min(j, lb - 1) + 3 * n;
                    // earlier rotations, then the rotation of step j
                    for (integer k = std::max(1, j - lb + 1); k <= j - 1; ++k) {
                        const real a1 = hc(k);
                        const real a2 = hc(k + 1);
                        hc(k) = c(k) * a1 + s(k) * a2;
                        hc(k + 1) = c(k) * a2 - s(k) * a1;
                    }
                    {
                        real y = hc(j + 1);
                        givens(hc(j), y, c(j), s(j));
                    }
                    if (hc(j) == 0.0) {
                        status = -3;
                        goto done;
                    }
                    // p(j) = (z - sum h(k,j) p(k)) / h(j,j); x += gamma(j) p(j)
                    const F1<real> pj = V(pp(j));
                    copy(n, V(st.rp ? 1 : vp(j)), pj);
                    for (integer k = std::max(1, j - lb + 1); k <= j - 1; ++k)
                        axpy(n, -hc(k), V(pp(k)), pj);
                    const real scale = 1.0 / hc(j);
                    for (integer k = 1; k <= n; ++k) pj(k) *= scale;
                    const real gj = c(j) * gamma;
                    gamma = -s(j) * gamma;
                    axpy(n, gj, pj, sol);
                    fpar(11) += 2 * n * std::min(j, lb) + 3 * n;
                    // |r| <= sqrt(j - lb + 2) |gamma(j+1)| once the window is full
                    fpar(5) = std::abs(gamma) * std::sqrt(static_cast<real>(std::max(1, j - lb + 2)));
                    if (ipar(3) < 0) {
                        fpar(6) = std::abs(gj) * nrm(n, pj);
                        if (ipar(3) == -1 && cycle == 1 && j == 1) {
                            fpar(3) = fpar(6);
                            fpar(4) = fpar(1) * fpar(6) + fpar(2);
                        }
                    } else {
                        fpar(6) = fpar(5);
                    }
                    if (hnext == 0.0 && ipar(3) < 0 && fpar(6) > fpar(4)) {
                        // the basis ends here: start again from the true residual
                        if (limit_reached(ipar)) {
                            status = -1;
                            goto done;
                        }
                        goto restart;
                    }
                }
                if (ipar(3) == 999) {
                    post(ipar, 10, 1, 1, 6);
                    return;
        case 6:
                    if (ipar(11) == 1) {
                        status = 0;
                        goto done;
                    }
                } else if (fpar(6) <= fpar(4)) {
                    if (ipar(3) < 0) {
                        status = 0;
                        goto done;
                    }
                    // the estimate is met: check it with the true residual
                    goto restart;
                }
                if (limit_reached(ipar)) {
                    status = -1;
                    goto done;
                }
            }
        done:
            ipar(1) = status;
            set_rate(ipar, fpar);
            return;
        default:
            ipar(1) = -10;
            return;
    }
}

}  // namespace vetrix
