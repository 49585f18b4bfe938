#include "decoder_harness.h"
#include "dump/cal/misc.h"
#include "dump/cal/rat_approx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

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
    EXPECT_EQ(approx(0.5, 100000), (fraction{1, 2}));
    EXPECT_EQ(approx(-0.75, 100000), (fraction{-3, 4}));
    EXPECT_EQ(approx(std::ldexp(1.0, -31), 100000), (fraction{0, 1}));
    EXPECT_EQ(approx(1e-6, 100000), (fraction{0, 1}));
    EXPECT_EQ(approx(std::numbers::pi, 1000), (fraction{355, 113}));
    EXPECT_EQ(approx(std::numbers::pi, 10), (fraction{22, 7}));
    EXPECT_EQ(approx(123456.789, 100000), (fraction{123456789, 1000}));
    EXPECT_EQ(approx(-2.5, 1), (fraction{-2, 1}));
    EXPECT_EQ(approx(2.9, 0), (fraction{2, 1}));
    EXPECT_EQ(approx(0.0, 100000), (fraction{0, 1}));
    EXPECT_EQ(approx(0.1, 100000), (fraction{1, 10}));
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

// --- MISC_CAL ---

void put32(std::vector<uint8_t> &rec, size_t off, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        rec[off + i] = uint8_t(v >> (8 * i));
}

const std::string indent(34, ' ');
harness::decoded decode(const std::vector<uint8_t> &rec)
{
    return harness::run_decoder(imgforge::pretty_MISC_CAL_content, rec, {.addr = 0x300});
}

TEST(MiscCal, ExtremeGainCodesAlignColumns)
{
    std::vector<uint8_t> rec(96);
    put32(rec, 0, 0xFFFFFFFF); // offset -0.5, gain -(2 - 2^-12) * 2^32
    put32(rec, 4, 0x0001F001); // gain 1 + 2^-12
    harness::decoded d = decode(rec);
    std::string expected =
        "GADC_GAIN_OFFSET=  channel  0: [0]:    -0.50, -8588886016/1(-8.589e+09)   |   [1]:"
        "     0.00, 4097/4096( 1.000e+00)\n" +
        indent +
        "channel  1: [0]:     0.00,           0/1( 4.657e-10)   |   [1]:     0.00,    0/1   "
        "( 4.657e-10)\n";
    EXPECT_EQ(d.out.substr(0, expected.size()), expected);
}

// The trailing fields appear once the content reaches into them; longer
// contents are shown from their first 144 bytes, read in one call.
TEST(MiscCal, TrailingFieldsByLength)
{
    std::vector<uint8_t> full(200, 0xAA);
    std::fill(full.begin(), full.begin() + 144, 0);
    put32(full, 96, 0x12345678);
    put32(full, 104, 0xABCDEF01);
    put32(full, 108, 0x1);
    full[112] = 0xFD; // -3
    full[113] = 1;
    const std::string all = "PSEQ_XTAL_BITS1=0x12345678,PMU_TOP_PMU2A=0,PMU_TOP_PMU3=0xabcdef01,"
                            "PMU_TOP_PMU4=0x1,";
    // clang-format off
    const std::pair<size_t, std::string> cases[] = {
        {96, ""},
        {97, "PSEQ_XTAL_BITS1=0x78,"},
        {112, all},
        {113, all + "tx_gain_offset=0xfffffffd,"},
        {114, all + "tx_gain_offset=0xfffffffd,misc=0x1"},
        {144, all + "tx_gain_offset=0xfffffffd,misc=0x1"},
        {200, all + "tx_gain_offset=0xfffffffd,misc=0x1"},
    };
    // clang-format on
    // The GADC table comes first, shown in full by the sample's listing.
    const std::string table = decode(std::vector<uint8_t>(96)).out;
    for (const auto &[len, line] : cases) {
        std::vector<uint8_t> rec(full.begin(), full.begin() + long(len));
        harness::decoded d = decode(rec);
        EXPECT_EQ(d.out, table + line) << "length " << len;
        EXPECT_EQ(d.extent, std::min<size_t>(len, 144)) << "length " << len;
        EXPECT_EQ(d.reads, 1) << "length " << len;
    }
}

} // namespace
