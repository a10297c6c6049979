// ilut_block_sizes, block_ilut, putauxinu: block-by-block threshold incomplete LU merged into one
// modified sparse row factor.
#include "linalg/block_ilut.hpp"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "common/stops.hpp"
#include "io/screen_text.hpp"
#include "linalg/ilut.hpp"

namespace vetrix {

namespace {

constexpr integer nominal_block = 5000;

// Message of a failed block factorisation (ilut status), then the end of the run.
[[noreturn]] void ilut_failed(integer ierr) {
    switch (ierr) {
        case -1:
            say({"incomprehensible error. Matrix must be wrong."});
            break;
        case -2:
            say({"insufficient storage in L."});
            break;
        case -3:
            say({"insufficient storage in U."});
            break;
        case -4:
            say({"illegal lfil entered."});
            break;
        case -5:
            say({"zero row encountered."});
            break;
        default:
            break;
    }
    stop_run();
}

// Renumbers (back = false) or restores (back = true) the columns of rows o+1..o+b.
void renumber_rows(F1<const integer> IAC, F1<integer> JAC, integer o, integer b, bool back) {
    for (integer k = IAC(o + 1); k < IAC(o + b + 1); ++k) {
        JAC(k) = back ? block_column_back(JAC(k), o, b) : block_column(JAC(k), o, b);
    }
}

}  // namespace

std::vector<integer> ilut_block_sizes(integer n) {
    integer nb = n / nominal_block;
    integer bs = nominal_block;
    if (nb == 0) {
        nb = 1;
        bs = n;
    }
    std::vector<integer> lbloque(static_cast<std::size_t>(nb), bs);
    lbloque.back() = n - (nb - 1) * bs;
    return lbloque;
}

void putauxinu(integer n, integer o, integer b, F1<const real> ua, F1<const integer> jua,
               F1<real> alu, F1<integer> jlu, F1<integer> ju) {
    jlu(1) = n + 2;
    for (integer i = 1; i <= b; ++i) {
        const integer g = o + i;
        alu(g) = ua(i);
        integer p = jlu(g);
        // columns left of the diagonal: the unit lower factor
        for (integer k = jua(i); k < jua(i + 1); ++k) {
            if (jua(k) < g) {
                jlu(p) = jua(k);
                alu(p) = ua(k);
                ++p;
            }
        }
        ju(g) = p;
        // the others: the upper factor
        for (integer k = jua(i); k < jua(i + 1); ++k) {
            if (jua(k) >= g) {
                jlu(p) = jua(k);
                alu(p) = ua(k);
                ++p;
            }
        }
        jlu(g + 1) = p;
    }
}

void block_ilut(integer n, F1<const integer> IAC, F1<integer> JAC, F1<const real> AC, integer lfil,
                real tolpre, F1<real> alu, F1<integer> jlu, F1<integer> ju, F1<real> w,
                F1<integer> jw) {
    // the merged factor keeps at most lfil lower and lfil - 1 upper entries per row
    const bigint needed =
        static_cast<bigint>(n) + 2 + 2 * static_cast<bigint>(n) * std::max(lfil, 0);
    if (alu.size() < needed || jlu.size() < needed || ju.size() < n + 1) {
        throw std::logic_error("block_ilut: factor storage shorter than n + 2 + 2 n lfil");
    }

    // 1 - block sizes and block work arrays (a block factor of b rows ends before position
    //     b + 2 + b (2 lfil - 1); one position more lets the storage test of a row with lfil = 0
    //     pass)
    std::vector<integer> lbloque, iua, jua;
    std::vector<real> ua;
    try {
        lbloque = ilut_block_sizes(n);
        const integer maxbs = *std::max_element(lbloque.begin(), lbloque.end());
        const bigint len = 2 * static_cast<bigint>(std::max(lfil, 0)) * maxbs + maxbs + 2;
        iua.resize(static_cast<std::size_t>(maxbs) + 1);
        jua.resize(static_cast<std::size_t>(len));
        ua.resize(static_cast<std::size_t>(len));
    } catch (const std::bad_alloc&) {
        say({"Out of memory"});
        stop_run();
    }
    const integer nb = static_cast<integer>(lbloque.size());
    const integer iwk = static_cast<integer>(ua.size());

    // 2 - factor every block with its own columns presented as 1..b
    integer offset = 0;
    for (integer k = 1; k <= nb; ++k) {
        const integer b = lbloque[static_cast<std::size_t>(k - 1)];
        std::fill(iua.begin(), iua.end(), 0);
        std::fill(jua.begin(), jua.end(), 0);
        std::fill(ua.begin(), ua.end(), 0.0);
        F1<real> UA(ua);
        F1<integer> JUA(jua);

        if (k > 1) renumber_rows(IAC, JAC, offset, b, false);
        integer ierr = 0;
        ilut(b, AC, JAC, IAC.section(offset + 1, b + 1), lfil, tolpre, UA, JUA, F1<integer>(iua),
             iwk, w, jw, ierr, n);
        if (k > 1) {
            renumber_rows(IAC, JAC, offset, b, true);
            if (ierr == 0) {
                for (integer p = b + 2; p < JUA(b + 1); ++p) {
                    JUA(p) = block_column_back(JUA(p), offset, b);
                }
            }
        }
        if (ierr != 0) ilut_failed(ierr);

        putauxinu(n, offset, b, UA, JUA, alu, jlu, ju);
        if (k > 1) say({"Preconditioned block n\xEF\xBF\xBD:", k, "of", nb});
        offset += b;
    }
}

}  // namespace vetrix
