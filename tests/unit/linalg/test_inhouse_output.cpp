// Screen lines of one solve of each in-house iteration, compared character for character.
#include <gtest/gtest.h>

#include <string>

#include "inhouse_test_systems.hpp"
#include "linalg/inhouse_solvers.hpp"

namespace vetrix {
namespace {

using Vec = std::vector<real>;

// A = diag(2, 4, 8, 16), b = 1, preconditioned by its exact inverse: every solver finishes in its
// first step with x = (1/2, 1/4, 1/8, 1/16), exact in binary, and a residual of exactly zero.
// From x = 0 the relative change is |x| / 1e-25 = 0.5762215285808054e25.
const test::Dense diag4(4, {2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8, 0, 0, 0, 0, 16});
const Vec ones = {1, 1, 1, 1};
const Vec solution = {0.5, 0.25, 0.125, 0.0625};

struct Expected {
    std::string text;
    bool formatted;  // written with a layout (else a free-format line)
};

void expect_lines(const std::vector<std::string>& got, const std::vector<Expected>& want,
                  const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i)
        if (!want[i].formatted || test::layouts_ready()) {
            EXPECT_EQ(got[i], want[i].text) << what << " line " << i + 1;
        }
}

struct Work {
    Vec x = Vec(4, 0.0), r = ones, rt = Vec(4), p = Vec(4), u = Vec(4), q = Vec(4), xn = Vec(4),
        t = Vec(4);
};

TEST(InhouseOutput, CgsOnFullRows) {
    const auto f = test::full_rows(diag4);
    auto fac = test::lower_pattern(diag4, true);
    fac.D = solution;
    Work w;
    integer ierr = 0;
    test::ScreenCapture cap;
    cgsap1d(f.IAC, f.JAC, f.AC, fac.IU, fac.JU, fac.L, fac.D, fac.U, w.x, w.r, w.rt, w.p, w.u, w.q,
            w.xn, w.t, 4, 1e-6, 10, ierr);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(w.x, solution);
    expect_lines(cap.lines(),
                 {{" -> CGS_iter=    0 |R|/|B|=  0.00000E+00 |DX|/|X|=  0.57622E+25", true}},
                 "cgsap1d");
}

TEST(InhouseOutput, CgsOnUpperRows) {
    const auto a = test::upper_rows(diag4);
    auto fac = test::lower_pattern(diag4, true);
    fac.D = solution;
    Work w;
    integer ierr = 0;
    test::ScreenCapture cap;
    cgsap1dlu2(a.IA, a.JA, a.AN, a.lower, a.AD, fac.IU, fac.JU, fac.L, fac.D, fac.U, w.x, w.r, w.rt,
               w.p, w.u, w.q, w.xn, w.t, 4, 1e-6, 10, ierr);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(w.x, solution);
    const std::string line = " ->CGS_iter=    0 |R|/|B|= 0.00E+00; |DX|/|X|= 0.58E+25";
    expect_lines(cap.lines(),
                 {{free_line({"First Residual", 2.0, 2.0}), false},
                  {line, true},
                  {free_line({0.0, 0.0}), false},
                  {line, true}},
                 "cgsap1dlu2");
}

TEST(InhouseOutput, CgsWithThresholdFactor) {
    const auto f = test::full_rows(diag4);
    const std::vector<integer> jlu(5, 6), ju(4, 6);  // diagonal factor: no off-diagonal entries
    const Vec alu = {0.5, 0.25, 0.125, 0.0625, 0.0};
    Work w;
    integer ierr = 0;
    test::ScreenCapture cap;
    cgs_tarnd(f.IAC, f.JAC, f.AC, ju, jlu, alu, w.x, w.r, w.rt, w.p, w.u, w.q, w.xn, w.t, 4, 1e-6,
              10, ierr);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(w.x, solution);
    const std::string line =
        " -> CGS_iter =    0   |R|/|B| =0.00E+00   |DX|/|X| =0.58E+25   |R| =0.00E+00";
    expect_lines(cap.lines(), {{line, true}, {line, true}}, "cgs_tarnd");
}

TEST(InhouseOutput, GmresFindingAnInvariantSpace) {
    const auto f = test::full_rows(diag4);
    auto fac = test::lower_pattern(diag4, true);
    fac.D = solution;
    Vec x(4, 0.0), r = ones, V(4 * 3), w(4), h(2), H(5), g(3), c(2), s(2), y(2);
    integer ierr = 0;
    test::ScreenCapture cap;
    gmresd1(f.IAC, f.JAC, f.AC, fac.IU, fac.JU, fac.L, fac.D, fac.U, x, r, V, w, 1e-6, 10, ierr, 4,
            2, h, H, g, c, s, y);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(x, solution);
    expect_lines(cap.lines(),
                 {{free_line({2.0, 2.0 * 1e-6}), false},
                  {" GMRES iteration:    1", true},
                  {free_line({"-> <GMRES> Error/BNorm =", 0.0}), false}},
                 "gmresd1");
}

}  // namespace
}  // namespace vetrix
