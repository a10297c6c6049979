// Tests of neumannelement and concentratedload: end loads of a segment with the sign of the
// flux switch, truncation of the load switches.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "element_harness.hpp"
#include "elements/boundary_loads.hpp"

namespace vetrix {
namespace {

using test::call_element;

TEST(Neumannelement, HalfTheSegmentFluxAtEachEnd) {
    struct Case {
        std::vector<double> X;
        int NDof;
        double g, sign_switch, end_load;  // end_load = s g L / 2; -0.0 counts as negative
    } cases[] = {{{0, 0, 3, 4}, 1, 2.0, 1.0, 5.0},
                 {{1, 1, -2, 5}, 2, 2.0, 0.0, 5.0},
                 {{1, 1, -2, 5}, 2, 2.0, -0.0, -5.0},
                 {{0, 0, 0, -2}, 3, -1.5, -7.0, 1.5},
                 {{2, 2, 2, 2}, 1, 4.0, 1.0, 0.0}};
    for (const Case& c : cases) {
        const auto r = call_element(neumannelement, 2, c.NDof, c.X, {c.g, c.sign_switch});
        for (int l = 1; l <= r.n; ++l) {
            EXPECT_NEAR(r.be(l), (l == 1 || l == c.NDof + 1) ? c.end_load : 0.0, 1e-14) << l;
            for (int m = 1; m <= r.n; ++m) EXPECT_EQ(r.ae(l, m), 0.0);
        }
    }
}

TEST(Concentratedload, SwitchesTruncatedTowardsZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = 1.0 / 0.0;
    const std::pair<double, bool> cases[] = {{1.0, true},  {1.9, true},   {1.0 - 1e-16, false},
                                             {2.0, false}, {-1.0, false}, {1e30, false},
                                             {nan, false}, {inf, false}};
    for (auto [sw, applied] : cases) {
        // slot 2 carries the switch under test, slots 1 and 3 are fixed on and off; BE arrives
        // holding -4 to show that a load is assigned, not added
        const auto r = call_element(concentratedload, 2, 3, {0.5, 0.5}, {1.0, sw, 0.0}, {},
                                    {2.0, 3.0, 5.0, 7.0}, 1.0, -4.0);
        EXPECT_EQ(r.be(1), 6.0) << sw;
        EXPECT_EQ(r.be(2), applied ? 10.0 : -4.0) << sw;
        EXPECT_EQ(r.be(3), -4.0) << sw;
        for (double a : r.AE) EXPECT_EQ(a, 0.0);
    }
}

}  // namespace
}  // namespace vetrix
