#include "fatal.h"
#include "golden.h"
#include "otp/hw_cfg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

using namespace imgforge;

namespace {

struct outcome {
    std::string out;
    std::string err;
    int status; // -1: returned normally
};

outcome capture(const std::function<void()> &action)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int status = -1;
    try {
        action();
    } catch (const fatal &f) {
        status = f.status;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    std::string out = testing::internal::GetCapturedStdout();
    return {out, testing::internal::GetCapturedStderr(), status};
}

// Restores the -X state whatever a test did.
class HwCfg : public testing::Test {
  protected:
    void SetUp() override { show_int_hw_cfg = true; }
    void TearDown() override { show_int_hw_cfg = true; }
};

} // namespace

// Each edit of the built-in table or examples makes the self-check refuse
// with exactly these lines.
TEST(HwCfgTab, BrokenTablesAndExamples)
{
    using table = std::vector<hw_cfg_field>;
    using examples = std::vector<hw_cfg_example>;
    static const hw_cfg_detail two[] = {{0, nullptr, "a"}, {2, nullptr, "b"}};
    static const hw_cfg_detail seven[] = {{7, nullptr, "x"}};
    auto add = [](uint32_t kind, const char *name) {
        return [=](table &, examples &e) { e.push_back({kind, name}); };
    };
    struct {
        std::function<void(table &, examples &)> edit;
        const char *err;
    } cases[] = {
        {[](table &t, examples &) { t[3].details = two; },
         "INTERNAL ERROR: detail element 1 too big\n"
         "INTERNAL ERROR: 2 does not fit in 1 bits\n"
         "INTERNAL ERROR: row 3 of hw_cfg_tab\n"},
        {[](table &t, examples &) { t[6].shift = 6; }, // PDAC is 5:7
         "INTERNAL ERROR: prev sh/w = 5+3 = 8 > 6\nINTERNAL ERROR: row 6 of hw_cfg_tab\n"},
        // The pair (0,1) is checked before the values of row 1.
        {[](table &t, examples &) { t[0].width = 2, t[1].details = seven, t[1].n_details = 1; },
         "INTERNAL ERROR: prev sh/w = 0+2 = 2 > 1\nINTERNAL ERROR: row 1 of hw_cfg_tab\n"},
        // Examples are looked up in the table being checked.
        {[](table &t, examples &) { t[7].name = "BROWNOUT"; },
         "INTERNAL ERROR: invalid HW cfg example 'OTP_BROWNOUT_THR'\n"},
        {add(HW_CFG_BOOLEAN, "NOPE"), "INTERNAL ERROR: invalid HW cfg example 'NOPE'\n"},
        {add(7, "NOPE"), "INTERNAL ERROR: invalid HW cfg example 'NOPE'\n"},
        {add(HW_CFG_BOOLEAN, "PDAC"), "INTERNAL ERROR: bad bool example 'PDAC'\n"},
        {add(HW_CFG_ENUM, "SWD_DISABLE"), "INTERNAL ERROR: bad enum example 'SWD_DISABLE'\n"},
        {add(HW_CFG_ENUM, "PDAC"), "INTERNAL ERROR: bad enum example 'PDAC'\n"},
        {add(HW_CFG_GENERAL, "SPARE"), "INTERNAL ERROR: bad example 'SPARE'\n"},
        {add(HW_CFG_GENERAL, "SWD_DISABLE"), "INTERNAL ERROR: bad example 'SWD_DISABLE'\n"},
    };
    for (const auto &c : cases) {
        table t(std::begin(hw_cfg_tab), std::end(hw_cfg_tab));
        examples e(std::begin(hw_cfg_examples), std::end(hw_cfg_examples));
        c.edit(t, e);
        outcome o = capture([&] { check_hw_cfg_tab(t, e); });
        EXPECT_EQ(o.status, EXIT_REFUSED) << c.err;
        EXPECT_EQ(o.err, c.err);
    }
    // An example of no known kind only needs to name a field.
    EXPECT_EQ(capture([] { check_hw_cfg_tab(hw_cfg_tab, examples{{7, "PDAC"}}); }).status, -1);
}

TEST(HwCfgTab, DetailValuesAtTheFieldLimit)
{
    const hw_cfg_detail limits[] = {{3, nullptr, "3"}, {4, nullptr, "4"}};
    hw_cfg_field f{"F", 0, 2, 0x3, true, false, limits, 1};
    EXPECT_TRUE(check_hw_cfg_vals(f));
    f.n_details = 2;
    outcome o = capture([&] { EXPECT_FALSE(check_hw_cfg_vals(f)); });
    EXPECT_EQ(o.err, "INTERNAL ERROR: detail element 1 too big\n"
                     "INTERNAL ERROR: 4 does not fit in 2 bits\n");
    const hw_cfg_detail all_ones[] = {{0xFFFFFFFF, nullptr, "x"}};
    EXPECT_TRUE(check_hw_cfg_vals({"W", 0, 32, 0xFFFFFFFF, true, false, all_ones, 1}));
}

TEST(HwCfgTab, FindByName)
{
    const char *vdd = "OTP_DISABLE_VDD:1";
    const char *vddio = "OTP_DISABLE_VDDIO:1";
    EXPECT_EQ(find_hw_cfg_by_name(vdd, std::strchr(vdd, ':')), 15);
    EXPECT_EQ(find_hw_cfg_by_name(vddio, std::strchr(vddio, ':')), 12);
    EXPECT_EQ(find_hw_cfg_by_name("OTP_DISABLE_VDD"), 15);
    EXPECT_EQ(find_hw_cfg_by_name(vdd), -1);
    for (const char *miss : {"SWD:1", ":1"})
        EXPECT_EQ(find_hw_cfg_by_name(miss, std::strchr(miss, ':')), -1) << miss;
    for (const char *miss : {"swd_disable", "SWD_DISABLEX", "SWD", ""})
        EXPECT_EQ(find_hw_cfg_by_name(miss), -1) << miss;
    for (size_t i = 0; i < HW_CFG_ROWS; i++)
        EXPECT_EQ(find_hw_cfg_by_name(hw_cfg_tab[i].name), int(i));
}

// The bits an argument blows, or why it is refused: a value complaint is
// followed by the "invalid sym value" line, every refusal by the "invalid -w
// argument" line. A number must be one whole hexadecimal number of 32 bits.
TEST(HwBits, Arguments)
{
    struct {
        const char *arg;
        uint32_t bits;
        const char *reason = nullptr; // refused
    } cases[] = {
        {"NO_32KHZ_XTAL_ON_BOARD", 0x80000000},
        {"OTP_BROWNOUT_THR:000000007", 0x00000E00},
        {"OTP_NABG_TRIM:1ff", 0x00FF8000},
        {"OTP_BATT_TYPE:RECHARGE_VBAT_GT_1p8V", 0x18000000},
        {"0xFFFFFFFF", 0xFFFFFFFF},
        {"abc", 0x00000ABC},
        {"0", 0},
        {"+1", 0, ""},
        {"0x", 0, ""},
        {"", 0, ""},
        {" 1", 0, ""},
        {"12 ", 0, ""},
        {"0x1g", 0, ""},
        {"0xFFFFFFFFF", 0, ""},
        {"FOO:1", 0, ""},
        {"swd_disable", 0, ""},
        {":1", 0, ""},
        {"SPARE", 0, "No value specified for multi-bit HW cfg\nUse 'SPARE:<integer value>'\n"},
        {"SWD_DISABLE:2", 0, "ERROR: '2' is not a valid bool/enum value\n"},
        {"OTP_BATT_TYPE:4", 0, "ERROR: '4' is not a valid bool/enum value\n"},
        {"OTP_BATT_TYPE:no_vbat", 0, "ERROR: no value for symbol 'no_vbat'\n"},
        {"SWD_DISABLE:100000001", 0, "ERROR: '100000001' is too big to fit in 1 bits\n"},
        {"OTP_BROWNOUT_THR:", 0, "ERROR: invalid hex value: ''\n"},
        {"OTP_BROWNOUT_THR:0x", 0, "ERROR: invalid hex value: '0x'\n"},
        {"OTP_BROWNOUT_THR:-1", 0, "ERROR: invalid hex value: '-1'\n"},
        {"OTP_BROWNOUT_THR: 1", 0, "ERROR: invalid hex value: ' 1'\n"},
        {"OTP_BROWNOUT_THR:1g", 0, "ERROR: invalid hex value: '1g'\n"},
        {"SWD_DISABLE:1:1", 0, "ERROR: invalid hex value: '1:1'\n"},
    };
    for (const auto &c : cases) {
        uint32_t bits = 0;
        outcome o = capture([&] { bits = hw_bits_to_blow(c.arg); });
        EXPECT_EQ(o.out, "");
        if (!c.reason) {
            EXPECT_EQ(o.status, -1) << c.arg;
            EXPECT_EQ(o.err, "") << c.arg;
            EXPECT_EQ(bits, c.bits) << c.arg;
            continue;
        }
        std::string err = c.reason, arg = c.arg;
        size_t colon = arg.find(':');
        if (err.starts_with("ERROR: "))
            err += "ERROR: invalid sym value for HW cfg " + arg.substr(0, colon) + ": '" +
                   arg.substr(colon + 1) + "'\n";
        EXPECT_EQ(o.status, EXIT_USAGE) << c.arg;
        EXPECT_EQ(o.err, err + "ERROR: invalid -w argument '" + arg + "'\n");
    }
}

TEST_F(HwCfg, FieldListing)
{
    outcome o = capture([] { print_hw_cfg(0, true); });
    EXPECT_EQ(o.status, -1);
    EXPECT_EQ(o.out, golden("hw_fields_fresh.txt"));
    // Every field at its largest valid value (SPARE 1) has a description.
    o = capture([] { print_hw_cfg(0xFFFFBFFF, true); });
    EXPECT_EQ(o.status, -1);
    EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 18);
    EXPECT_NE(o.out.find("[ 9:11] OTP_BROWNOUT_THR 0x7\n"), std::string::npos);
    EXPECT_NE(o.out.find("[   31] NO_32KHZ_XTAL_ON_BOARD no external 32.768kHz crystal\n"),
              std::string::npos);
    show_int_hw_cfg = false;
    EXPECT_EQ(capture([] { print_hw_cfg(0, true); }).out, golden("hw_fields_fresh_hidden.txt"));

    // Bit 14 is no SPARE value: the listing stops in its line.
    show_int_hw_cfg = true;
    o = capture([] { print_hw_cfg(1u << 14, true); });
    EXPECT_EQ(o.status, EXIT_REFUSED);
    EXPECT_EQ(o.err, "ERROR: failed to decode SPARE\n");
    std::string fresh = golden("hw_fields_fresh.txt");
    EXPECT_EQ(o.out, fresh.substr(0, fresh.find("[13:14]")) + "[13:14] SPARE ");
}

TEST_F(HwCfg, HelpText)
{
    auto help = [](const char *prefix) {
        return capture([=] { extra_usage_HW_bits(stdout, prefix); }).out;
    };
    EXPECT_EQ(help(""), golden("hw_help.txt"));
    std::string prefixed = help("# ");
    for (size_t at = 0; at < prefixed.size(); at = prefixed.find('\n', at) + 1)
        EXPECT_EQ(prefixed.compare(at, 2, "# "), 0) << prefixed.substr(at, 40);
    show_int_hw_cfg = false;
    EXPECT_EQ(help(""), golden("hw_help_hidden.txt"));
}
