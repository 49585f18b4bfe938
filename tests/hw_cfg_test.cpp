#include "fatal.h"
#include "hw_cfg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
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

std::vector<hw_cfg_field> table_copy()
{
    return {std::begin(hw_cfg_tab), std::end(hw_cfg_tab)};
}

std::vector<hw_cfg_example> examples_copy()
{
    return {std::begin(hw_cfg_examples), std::end(hw_cfg_examples)};
}

outcome check(const std::vector<hw_cfg_field> &tab, const std::vector<hw_cfg_example> &examples)
{
    return capture([&] { check_hw_cfg_tab(tab, examples); });
}

// Restores the -X state whatever a test did.
class HwCfg : public testing::Test {
  protected:
    void SetUp() override { show_int_hw_cfg = true; }
    void TearDown() override { show_int_hw_cfg = true; }
};

} // namespace

TEST(HwCfgTab, BuiltInTablesPassAndCoverTheWord)
{
    outcome o = capture([] { check_hw_cfg_tab(); });
    EXPECT_EQ(o.status, -1);
    EXPECT_EQ(o.err, "");
    uint32_t covered = 0;
    for (const hw_cfg_field &f : hw_cfg_tab) {
        EXPECT_EQ(covered & f.mask, 0u) << f.name;
        EXPECT_EQ(f.mask >> f.shift, (1u << f.width) - 1) << f.name;
        EXPECT_EQ(f.has_details, f.n_details > 0) << f.name;
        for (size_t j = 0; j < f.n_details; j++)
            EXPECT_NE(f.details[j].description, nullptr) << f.name << " " << j;
        covered |= f.mask;
    }
    EXPECT_EQ(covered, 0xFFFFFFFFu);
}

TEST(HwCfgTab, DetailTooBigNamesEntryValueAndRow)
{
    const hw_cfg_detail two[] = {{0, nullptr, "a"}, {2, nullptr, "b"}};
    auto tab = table_copy();
    tab[3].details = two;
    outcome o = check(tab, examples_copy());
    EXPECT_EQ(o.status, EXIT_REFUSED);
    EXPECT_EQ(o.err, "INTERNAL ERROR: detail element 1 too big\n"
                     "INTERNAL ERROR: 2 does not fit in 1 bits\n"
                     "INTERNAL ERROR: row 3 of hw_cfg_tab\n");
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

TEST(HwCfgTab, OverlappingRows)
{
    auto tab = table_copy();
    tab[6].shift = 6; // PDAC is 5:7
    outcome o = check(tab, examples_copy());
    EXPECT_EQ(o.status, EXIT_REFUSED);
    EXPECT_EQ(o.err, "INTERNAL ERROR: prev sh/w = 5+3 = 8 > 6\n"
                     "INTERNAL ERROR: row 6 of hw_cfg_tab\n");

    // The pair (0,1) is checked before the values of row 1.
    const hw_cfg_detail big[] = {{7, nullptr, "x"}};
    tab = table_copy();
    tab[0].width = 2;
    tab[1].details = big;
    tab[1].n_details = 1;
    EXPECT_EQ(check(tab, examples_copy()).err, "INTERNAL ERROR: prev sh/w = 0+2 = 2 > 1\n"
                                               "INTERNAL ERROR: row 1 of hw_cfg_tab\n");
}

TEST(HwCfgTab, BadExamples)
{
    struct {
        hw_cfg_example example;
        const char *err;
    } cases[] = {
        {{HW_CFG_BOOLEAN, "NOPE"}, "INTERNAL ERROR: invalid HW cfg example 'NOPE'\n"},
        {{HW_CFG_BOOLEAN, "swd_disable"}, "INTERNAL ERROR: invalid HW cfg example 'swd_disable'\n"},
        {{HW_CFG_BOOLEAN, "PDAC"}, "INTERNAL ERROR: bad bool example 'PDAC'\n"},
        {{HW_CFG_ENUM, "SWD_DISABLE"}, "INTERNAL ERROR: bad enum example 'SWD_DISABLE'\n"},
        {{HW_CFG_ENUM, "PDAC"}, "INTERNAL ERROR: bad enum example 'PDAC'\n"},
        {{HW_CFG_GENERAL, "SPARE"}, "INTERNAL ERROR: bad example 'SPARE'\n"},
        {{HW_CFG_GENERAL, "SWD_DISABLE"}, "INTERNAL ERROR: bad example 'SWD_DISABLE'\n"},
        {{7, "NOPE"}, "INTERNAL ERROR: invalid HW cfg example 'NOPE'\n"},
    };
    for (const auto &c : cases) {
        auto examples = examples_copy();
        examples.push_back(c.example);
        outcome o = check(table_copy(), examples);
        EXPECT_EQ(o.status, EXIT_REFUSED) << c.example.name;
        EXPECT_EQ(o.err, c.err);
    }
    outcome unknown_kind = check(table_copy(), {{7, "PDAC"}});
    EXPECT_EQ(unknown_kind.status, -1);
}

TEST(HwCfgTab, ExamplesAreLookedUpInTheGivenTable)
{
    auto tab = table_copy();
    tab[7].name = "BROWNOUT";
    outcome o = check(tab, examples_copy());
    EXPECT_EQ(o.err, "INTERNAL ERROR: invalid HW cfg example 'OTP_BROWNOUT_THR'\n");
    EXPECT_EQ(check(tab, {{HW_CFG_GENERAL, "BROWNOUT"}}).status, -1);
}

TEST(HwCfgTab, FindByName)
{
    const char *vdd = "OTP_DISABLE_VDD:1";
    const char *vddio = "OTP_DISABLE_VDDIO:1";
    EXPECT_EQ(find_hw_cfg_by_name(vdd, std::strchr(vdd, ':')), 15);
    EXPECT_EQ(find_hw_cfg_by_name(vddio, std::strchr(vddio, ':')), 12);
    EXPECT_EQ(find_hw_cfg_by_name("OTP_DISABLE_VDD"), 15);
    EXPECT_EQ(find_hw_cfg_by_name("900MHZ_SOURCE"), 8);
    EXPECT_EQ(find_hw_cfg_by_name(vdd), -1);
    for (const char *miss : {"SWD:1", ":1"})
        EXPECT_EQ(find_hw_cfg_by_name(miss, std::strchr(miss, ':')), -1) << miss;
    for (const char *miss : {"swd_disable", "SWD_DISABLEX", "SWD", ""})
        EXPECT_EQ(find_hw_cfg_by_name(miss), -1) << miss;
    for (size_t i = 0; i < HW_CFG_ROWS; i++)
        EXPECT_EQ(find_hw_cfg_by_name(hw_cfg_tab[i].name), int(i));
}

TEST(HwBits, AcceptedArguments)
{
    struct {
        const char *arg;
        uint32_t bits;
    } cases[] = {
        {"SWD_DISABLE", 0x00000001},
        {"NO_32KHZ_XTAL_ON_BOARD", 0x80000000},
        {"SWD_DISABLE:0", 0},
        {"OTP_DISABLE_VDD:1", 0x20000000},
        {"OTP_BROWNOUT_THR:7", 0x00000E00},
        {"OTP_BROWNOUT_THR:000000007", 0x00000E00},
        {"OTP_NABG_TRIM:0a", 0x00050000},
        {"OTP_NABG_TRIM:0xa", 0x00050000},
        {"OTP_NABG_TRIM:1ff", 0x00FF8000},
        {"OTP_BATT_TYPE:2", 0x10000000},
        {"OTP_BATT_TYPE:NO_VBAT", 0x10000000},
        {"OTP_BATT_TYPE:RECHARGE_VBAT_GT_1p8V", 0x18000000},
        {"SPARE:1", 0x00002000},
        {"80000000", 0x80000000},
        {"0xFFFFFFFF", 0xFFFFFFFF},
        {"000000001", 0x00000001},
        {"abc", 0x00000ABC},
        {"0", 0},
    };
    for (const auto &c : cases) {
        uint32_t bits = 0;
        outcome o = capture([&] { bits = hw_bits_to_blow(c.arg); });
        EXPECT_EQ(o.status, -1) << c.arg;
        EXPECT_EQ(o.err, "") << c.arg;
        EXPECT_EQ(bits, c.bits) << c.arg;
    }
}

TEST(HwBits, RawWordMustBeOneWholeHexNumber)
{
    for (const char *arg : {"DISABLE_OTP_WRITE", "-1", "+1", "0x", "", " 1", "12 ", "0x1g",
                            "100000000", "0xFFFFFFFFF", "FOO:1", "swd_disable", ":1"}) {
        outcome o = capture([&] { hw_bits_to_blow(arg); });
        EXPECT_EQ(o.status, EXIT_USAGE) << arg;
        EXPECT_EQ(o.err, "ERROR: invalid -w argument '" + std::string(arg) + "'\n");
        EXPECT_EQ(o.out, "");
    }
}

TEST(HwBits, RejectedFieldValues)
{
    struct {
        const char *arg;
        const char *reason;
    } cases[] = {
        {"SPARE:2", "ERROR: '2' is not a valid bool/enum value\n"},
        {"SWD_DISABLE:2", "ERROR: '2' is not a valid bool/enum value\n"},
        {"DISABLE_OTP_WRITES:5", "ERROR: '5' is not a valid bool/enum value\n"},
        {"OTP_BATT_TYPE:4", "ERROR: '4' is not a valid bool/enum value\n"},
        {"OTP_NABG_TRIM:a",
         "ERROR: symbolic value provided for non-symbolic type HW configuration\n"},
        {"SWD_DISABLE:true", "ERROR: no value for symbol 'true'\n"},
        {"OTP_BATT_TYPE:no_vbat", "ERROR: no value for symbol 'no_vbat'\n"},
        {"OTP_BROWNOUT_THR:10", "ERROR: '10' is too big to fit in 3 bits\n"},
        {"OTP_BROWNOUT_THR:100000000", "ERROR: '100000000' is too big to fit in 3 bits\n"},
        {"SWD_DISABLE:100000001", "ERROR: '100000001' is too big to fit in 1 bits\n"},
        {"OTP_BROWNOUT_THR:", "ERROR: invalid hex value: ''\n"},
        {"OTP_BROWNOUT_THR:0x", "ERROR: invalid hex value: '0x'\n"},
        {"OTP_BROWNOUT_THR:-1", "ERROR: invalid hex value: '-1'\n"},
        {"OTP_BROWNOUT_THR: 1", "ERROR: invalid hex value: ' 1'\n"},
        {"OTP_BROWNOUT_THR:1g", "ERROR: invalid hex value: '1g'\n"},
        {"SWD_DISABLE:1:1", "ERROR: invalid hex value: '1:1'\n"},
    };
    for (const auto &c : cases) {
        const char *colon = std::strchr(c.arg, ':');
        std::string field(c.arg, colon);
        outcome o = capture([&] { hw_bits_to_blow(c.arg); });
        EXPECT_EQ(o.status, EXIT_USAGE) << c.arg;
        EXPECT_EQ(o.err,
                  c.reason + ("ERROR: invalid sym value for HW cfg " + field + ": '" + (colon + 1) +
                              "'\nERROR: invalid -w argument '" + c.arg + "'\n"));
    }
}

TEST(HwBits, MultiBitFieldNeedsAValue)
{
    for (const char *arg : {"PDAC", "SPARE", "OTP_BATT_TYPE"}) {
        outcome o = capture([&] { hw_bits_to_blow(arg); });
        EXPECT_EQ(o.status, EXIT_USAGE);
        EXPECT_EQ(o.err, "No value specified for multi-bit HW cfg\nUse '" + std::string(arg) +
                             ":<integer value>'\nERROR: invalid -w argument '" + arg + "'\n");
    }
}

TEST(HwBits, WordIsTheComplementOfTheLittleEndianBytes)
{
    uint8_t word[4] = {0xEF, 0xCD, 0xAB, 0x89};
    EXPECT_EQ(get_hw_cfg(word), 0x76543210u);

    uint8_t fresh[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(get_hw_cfg(fresh), 0u);
    blow_hw_bits(fresh, 0);
    EXPECT_EQ(get_hw_cfg(fresh), 0u);
    blow_hw_bits(fresh, 0x80000001);
    EXPECT_EQ(fresh[0], 0xFE);
    EXPECT_EQ(fresh[3], 0x7F);
    // Bits only add up: BATT 2 then 1 leaves the field at 3.
    blow_hw_bits(fresh, hw_bits_to_blow("OTP_BATT_TYPE:2"));
    blow_hw_bits(fresh, hw_bits_to_blow("OTP_BATT_TYPE:1"));
    blow_hw_bits(fresh, 0x00000001);
    EXPECT_EQ(get_hw_cfg(fresh), 0x98000001u);
}

namespace {

const char *const fresh_lines[] = {
    "[    0] SWD_DISABLE enable SWD\n",
    "[    1] SYSRAM_SVT_EN_HW SVT disabled by efuse bit\n",
    "[    2] SYSRAM_HVT_EN_HW HVT disabled by efuse bit\n",
    "[    3] PKG_5X5 6x6\n",
    "[    4] STACKED_FLASH no stacked flash\n",
    "[ 5: 7] PDAC 0x0\n",
    "[    8] OTP_HARV_DISABLED harvesting functionality enabled\n",
    "[ 9:11] OTP_BROWNOUT_THR 0x0\n",
    "[   12] 900MHZ_SOURCE no 900MHz Tx\n",
    "[13:14] SPARE Reserved\n",
    "[15:23] OTP_NABG_TRIM 0x0\n",
    ("[   24] IGNORE_32KHZ_XTAL_CHECK wait for external 32.768kHz crystal to stabilize before "
     "entering low power states\n"),
    "[   25] OTP_DISABLE_VDDIO internal VDDIO/VDDIOA\n",
    "[   26] OTP_HARV_TYPE non-RF harvesting\n",
    "[27:28] OTP_BATT_TYPE VBAT <= 1.8V\n",
    "[   29] OTP_DISABLE_VDD internal DVDD1 and VDD1A\n",
    "[   30] DISABLE_OTP_WRITES OTP writes allowed\n",
    "[   31] NO_32KHZ_XTAL_ON_BOARD external 32.768kHz crystal present\n",
};

std::string fresh_listing(bool internal)
{
    std::string s;
    for (size_t i = 0; i < HW_CFG_ROWS; i++)
        if (internal || !hw_cfg_tab[i].internal)
            s += fresh_lines[i];
    return s;
}

} // namespace

TEST_F(HwCfg, WordLine)
{
    EXPECT_EQ(capture([] { print_hw_cfg(0, false); }).out, "HW configuration: 0x00000000\n");
    show_int_hw_cfg = false;
    EXPECT_EQ(capture([] { print_hw_cfg(0x80004001, false); }).out,
              "HW configuration: 0x80004001\n");
}

TEST_F(HwCfg, FreshWordListing)
{
    outcome o = capture([] { print_hw_cfg(0, true); });
    EXPECT_EQ(o.status, -1);
    EXPECT_EQ(o.out, fresh_listing(true));
    show_int_hw_cfg = false;
    EXPECT_EQ(capture([] { print_hw_cfg(0, true); }).out, fresh_listing(false));
}

TEST_F(HwCfg, UndecodableSpareStopsTheListing)
{
    outcome o = capture([] { print_hw_cfg(1u << 14, true); });
    EXPECT_EQ(o.status, EXIT_REFUSED);
    EXPECT_EQ(o.err, "ERROR: failed to decode SPARE\n");
    std::string before;
    for (size_t i = 0; i < 9; i++)
        before += fresh_lines[i];
    EXPECT_EQ(o.out, before + "[13:14] SPARE ");

    show_int_hw_cfg = false;
    o = capture([] { print_hw_cfg(1u << 14, true); });
    EXPECT_EQ(o.status, -1);
    EXPECT_EQ(o.out, fresh_listing(false));
}

TEST_F(HwCfg, AllBitsBlownShownFields)
{
    show_int_hw_cfg = false;
    std::string out = capture([] { print_hw_cfg(0xFFFFFFFF, true); }).out;
    for (const char *line : {"[    0] SWD_DISABLE disable SWD\n", "[ 9:11] OTP_BROWNOUT_THR 0x7\n",
                             "[27:28] OTP_BATT_TYPE Rechargeable VBAT > 1.8V\n",
                             "[   31] NO_32KHZ_XTAL_ON_BOARD no external 32.768kHz crystal\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line;
}

namespace {

const char help_head[] = "<arg> can be:\n"
                         "  - <hex>\n"
                         "    where <hex> is a 32-bit hexadecimal value\n"
                         "  - <field-name>:<field-value>\n"
                         "    where <field-name> is the name of an NVM AUTOREAD field and\n"
                         "    <field-value> is the value for that field.  It can also be\n"
                         "    a symbolic value if the field is an enum type.  When\n"
                         "    \":<field-value>\" is omitted for a single-bit field, :1 is\n"
                         "    assumed.\n"
                         "\n\n\n"
                         "Field names and types:\n"
                         "[    0]  SWD_DISABLE (boolean)\n";

const char help_internal[] = "[    1]  SYSRAM_SVT_EN_HW (boolean)\n"
                             "[    2]  SYSRAM_HVT_EN_HW (boolean)\n"
                             "[    3]  PKG_5X5 (boolean)\n"
                             "[    4]  STACKED_FLASH (boolean)\n"
                             "[ 5: 7]  PDAC (general)\n"
                             "[    8]  OTP_HARV_DISABLED (boolean)\n";

const char help_brownout[] = "[ 9:11]  OTP_BROWNOUT_THR (general)\n";

const char help_internal2[] = "[   12]  900MHZ_SOURCE (boolean)\n"
                              "[13:14]  SPARE (enum)\n"
                              "           - 0\n"
                              "           - 1\n"
                              "[15:23]  OTP_NABG_TRIM (general)\n";

const char help_tail[] = "[   24]  IGNORE_32KHZ_XTAL_CHECK (boolean)\n"
                         "[   25]  OTP_DISABLE_VDDIO (boolean)\n"
                         "[   26]  OTP_HARV_TYPE (boolean)\n"
                         "[27:28]  OTP_BATT_TYPE (enum)\n"
                         "           - VBAT_LE_1p8V\n"
                         "           - VBAT_GT_1p8V\n"
                         "           - NO_VBAT\n"
                         "           - RECHARGE_VBAT_GT_1p8V\n"
                         "[   29]  OTP_DISABLE_VDD (boolean)\n"
                         "[   30]  DISABLE_OTP_WRITES (boolean)\n"
                         "[   31]  NO_32KHZ_XTAL_ON_BOARD (boolean)\n"
                         "\n"
                         "Examples:\n"
                         "  Boolean\n"
                         "    -w SWD_DISABLE\n"
                         "    -w SWD_DISABLE:1\n"
                         "  Enum\n"
                         "    -w OTP_BATT_TYPE:RECHARGE_VBAT_GT_1p8V\n"
                         "    -w OTP_BATT_TYPE:0x3\n"
                         "  General\n"
                         "    -w OTP_BROWNOUT_THR:0x6\n";

} // namespace

TEST_F(HwCfg, HelpText)
{
    auto help = [](const char *prefix) {
        return capture([=] { extra_usage_HW_bits(stdout, prefix); }).out;
    };
    EXPECT_EQ(help(""),
              std::string(help_head) + help_internal + help_brownout + help_internal2 + help_tail);
    show_int_hw_cfg = false;
    EXPECT_EQ(help(""), std::string(help_head) + help_brownout + help_tail);

    std::string prefixed = help("# ");
    size_t lines = 0;
    for (size_t at = 0; at < prefixed.size(); at = prefixed.find('\n', at) + 1, lines++)
        EXPECT_EQ(prefixed.compare(at, 2, "# "), 0) << prefixed.substr(at, 40);
    EXPECT_EQ(lines, 36u);
}
