// The best fraction within a denominator bound, as the calibration listings
// show gains and offsets.
#include "dump/cal/rat_approx.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

using imgforge::rat_approx;

namespace {

using fraction = std::pair<int64_t, int64_t>;

fraction approx(double f, int64_t md)
{
    fraction r{-7, -7};
    rat_approx(f, md, r.first, r.second);
    return r;
}

TEST(RatApprox, ListedExamples)
{
    EXPECT_EQ(approx(-0.75, 100000), (fraction{-3, 4}));
    EXPECT_EQ(approx(std::ldexp(1.0, -31), 100000), (fraction{0, 1}));
    EXPECT_EQ(approx(std::numbers::pi, 1000), (fraction{355, 113}));
    EXPECT_EQ(approx(std::numbers::pi, 10), (fraction{22, 7}));
    EXPECT_EQ(approx(123456.789, 100000), (fraction{123456789, 1000}));
    EXPECT_EQ(approx(-2.5, 1), (fraction{-2, 1}));
    EXPECT_EQ(approx(2.9, 0), (fraction{2, 1}));
    // At the tie of the semiconvergent test the semiconvergent 2/3 is taken,
    // though 1/2 is closer: existing dumps show it so.
    EXPECT_EQ(approx(0.5795567, 3), (fraction{2, 3}));
    // A convergent whose denominator is the bound itself.
    EXPECT_EQ(approx(0.3334, 3), (fraction{1, 3}));
}

TEST(RatApprox, HugeAndNonFiniteInputsSaturate)
{
    EXPECT_EQ(approx(1e300, 100000), (fraction{INT64_MAX, 1}));
    EXPECT_EQ(approx(-1e300, 100000), (fraction{-INT64_MAX, 1}));
    EXPECT_EQ(approx(1e300, 1), (fraction{INT64_MAX, 1}));
    EXPECT_EQ(approx(-1e300, 1), (fraction{INT64_MIN, 1}));
    EXPECT_EQ(approx(1e-300, 100000), (fraction{0, 1}));
    EXPECT_EQ(approx(0.5, INT64_MAX), (fraction{1, 2}));
    EXPECT_EQ(approx(std::numbers::pi, INT64_MAX), (fraction{884279719003555, 281474976710656}));
    EXPECT_EQ(approx(std::numeric_limits<double>::quiet_NaN(), 100000), (fraction{0, 1}));
    EXPECT_EQ(approx(std::numeric_limits<double>::quiet_NaN(), 1), (fraction{0, 1}));
    EXPECT_EQ(approx(std::numeric_limits<double>::infinity(), 100000), (fraction{INT64_MAX, 1}));
}

} // namespace
