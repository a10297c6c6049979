// Dense reference matrices, their sparse storages, an ilut factor and a screen capture for tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/screen.hpp"
#include "common/types.hpp"
#include "io/format.hpp"
#include "linalg/ilut.hpp"

namespace vetrix::test {

using Vec = std::vector<real>;
using Ints = std::vector<integer>;

// Dense n x n matrix, a(i, j) 1-based, given row by row.
struct Dense {
    integer n = 0;
    Vec v;
    explicit Dense(integer order) : n(order), v(static_cast<std::size_t>(order * order), 0.0) {}
    Dense(integer order, std::initializer_list<real> rows) : n(order), v(rows) {}
    real& operator()(integer i, integer j) { return v[(i - 1) * n + j - 1]; }
    real operator()(integer i, integer j) const { return v[(i - 1) * n + j - 1]; }
    // (i, j) is stored when a(i,j) or a(j,i) is nonzero: structurally symmetric patterns
    bool stored(integer i, integer j) const { return (*this)(i, j) != 0.0 || (*this)(j, i) != 0.0; }
};

inline Vec multiply(const Dense& a, const Vec& x) {
    Vec y(x.size(), 0.0);
    for (integer i = 1; i <= a.n; ++i)
        for (integer j = 1; j <= a.n; ++j) y[i - 1] += a(i, j) * x[j - 1];
    return y;
}

// Gaussian elimination with partial pivoting.
inline Vec dense_solve(Dense a, Vec b) {
    for (integer k = 1; k <= a.n; ++k) {
        integer piv = k;
        for (integer i = k + 1; i <= a.n; ++i)
            if (std::abs(a(i, k)) > std::abs(a(piv, k))) piv = i;
        for (integer j = 1; j <= a.n; ++j) std::swap(a(k, j), a(piv, j));
        std::swap(b[k - 1], b[piv - 1]);
        for (integer i = k + 1; i <= a.n; ++i) {
            const real f = a(i, k) / a(k, k);
            for (integer j = k; j <= a.n; ++j) a(i, j) -= f * a(k, j);
            b[i - 1] -= f * b[k - 1];
        }
    }
    for (integer i = a.n; i >= 1; --i) {
        for (integer j = i + 1; j <= a.n; ++j) b[i - 1] -= a(i, j) * b[j - 1];
        b[i - 1] /= a(i, i);
    }
    return b;
}

inline real distance(const Vec& x, const Vec& y) {
    real s = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) s += (x[i] - y[i]) * (x[i] - y[i]);
    return std::sqrt(s);
}

// max |x - ref| / max |ref|
inline real max_relative_error(const Vec& x, const Vec& ref) {
    real e = 0.0, m = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        e = std::max(e, std::abs(x[i] - ref[i]));
        m = std::max(m, std::abs(ref[i]));
    }
    return e / m;
}

// Five-point operator on a g x g grid: diagonal d, neighbours -1 -/+ convection (cx, cy).
inline Dense grid(integer g, real d, real cx, real cy) {
    Dense a(g * g);
    for (integer k = 1; k <= g * g; ++k) {
        a(k, k) = d;
        if ((k - 1) % g > 0) a(k, k - 1) = -1.0 - cx;
        if ((k - 1) % g < g - 1) a(k, k + 1) = -1.0 + cx;
        if (k > g) a(k, k - g) = -1.0 - cy;
        if (k <= g * g - g) a(k, k + g) = -1.0 + cy;
    }
    return a;
}

// Compressed rows of the nonzeros (a zero diagonal kept on request).
struct Csr {
    integer n = 0;
    Vec a;
    Ints ja, ia{1};
};
inline Csr csr(const Dense& d, bool keep_zero_diag = false) {
    Csr m;
    m.n = d.n;
    for (integer i = 1; i <= d.n; ++i) {
        for (integer j = 1; j <= d.n; ++j)
            if (d(i, j) != 0.0 || (keep_zero_diag && i == j)) {
                m.a.push_back(d(i, j));
                m.ja.push_back(j);
            }
        m.ia.push_back(static_cast<integer>(m.a.size()) + 1);
    }
    return m;
}

// Threshold incomplete LU (ilut) in modified sparse rows; the work arrays arrive dirty.
struct IlutFactor {
    Vec alu;
    Ints jlu, ju;
    integer ierr = 99;
};
inline IlutFactor ilut_factor(const Csr& m, integer lfil, real droptol, integer iwk = 0,
                              integer ncol = 0) {
    const integer nc = std::max(m.n, ncol);
    if (iwk == 0) iwk = m.n + 2 + 2 * m.n * (lfil + 1);
    IlutFactor f{Vec(iwk, -7.0), Ints(iwk, -7), Ints(m.n, -7)};
    Vec w(nc + 1);
    Ints jw(2 * nc, 5);
    ilut(m.n, m.a, m.ja, m.ia, lfil, droptol, f.alu, f.jlu, f.ju, iwk, w, jw, f.ierr, ncol);
    return f;
}

// Full row storage: lower entries, the diagonal (always), upper entries, columns ascending.
struct FullRows {
    Ints IAC{1}, JAC;
    Vec AC;
};
inline FullRows full_rows(const Dense& a) {
    FullRows f;
    for (integer i = 1; i <= a.n; ++i) {
        for (integer j = 1; j <= a.n; ++j)
            if (j == i || a.stored(i, j)) {
                f.JAC.push_back(j);
                f.AC.push_back(a(i, j));
            }
        f.IAC.push_back(static_cast<integer>(f.JAC.size()) + 1);
    }
    return f;
}

// Strictly-upper row storage of a structurally symmetric pattern with separate lower values.
struct UpperRows {
    Ints IA{1}, JA;
    Vec AN, lower, AD;
};
inline UpperRows upper_rows(const Dense& a) {
    UpperRows u;
    for (integer i = 1; i <= a.n; ++i) {
        u.AD.push_back(a(i, i));
        for (integer j = i + 1; j <= a.n; ++j)
            if (a.stored(i, j)) {
                u.JA.push_back(j);
                u.AN.push_back(a(i, j));
                u.lower.push_back(a(j, i));
            }
        u.IA.push_back(static_cast<integer>(u.JA.size()) + 1);
    }
    return u;
}

// Unit in-house factor (L = U = 0, D = 1) on the strictly lower pattern, or on an empty one.
struct Factor {
    Ints IU{1}, JU;
    Vec L, D, U;
};
inline Factor lower_pattern(const Dense& a, bool empty = false) {
    Factor f;
    for (integer i = 1; i <= a.n; ++i) {
        for (integer j = 1; j < i && !empty; ++j)
            if (a.stored(i, j)) f.JU.push_back(j);
        f.IU.push_back(static_cast<integer>(f.JU.size()) + 1);
    }
    f.L.assign(f.JU.size(), 0.0);
    f.U.assign(f.JU.size(), 0.0);
    f.D.assign(static_cast<std::size_t>(a.n), 1.0);
    return f;
}

inline std::vector<std::string> lines_of(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

// Captures the screen for the lifetime of the object (into its own text or the given string).
struct ScreenCapture {
    std::string text;
    explicit ScreenCapture(std::string* into = nullptr) { screen().capture(into ? into : &text); }
    ~ScreenCapture() { screen().capture(nullptr); }
    std::vector<std::string> lines() const { return lines_of(text); }
};

}  // namespace vetrix::test
