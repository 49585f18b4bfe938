#include "error.h"
#include "otp/hw_cfg.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

using namespace imgforge;

// The bits an argument blows, or why it is refused: a value complaint is
// followed by the "invalid sym value" line, every refusal by the "invalid -w
// argument" line. Raw words are in the properties of numbers.
TEST(HwBits, Arguments)
{
    struct {
        const char *arg;
        uint32_t bits;
        const char *reason = nullptr; // refused
        // clang-format off
    } cases[] = {
        {"NO_32KHZ_XTAL_ON_BOARD", 0x80000000},
        {"OTP_BROWNOUT_THR:000000007", 0x00000E00},
        {"OTP_NABG_TRIM:1ff", 0x00FF8000},
        {"OTP_BATT_TYPE:RECHARGE_VBAT_GT_1p8V", 0x18000000},
        // 16 digits, leading zeros
        {"SWD_DISABLE:0000000000000001", 0x00000001},
        {"OTP_DISABLE_VDD:1", 0x20000000},
        // a name that prefixes another
        {"OTP_DISABLE_VDDIO:1", 0x02000000},
        {"OTP_DISABLE_VDD", 0x20000000},
        {"SWD_DISABLEX", 0, ""},
        {"FOO:1", 0, ""},
        {"swd_disable", 0, ""},
        {":1", 0, ""},
        {"SPARE", 0, "No value specified for multi-bit HW cfg\nUse 'SPARE:<integer value>'\n"},
        {"SWD_DISABLE:2", 0, "ERROR: '2' is not a valid bool/enum value\n"},
        {"OTP_BATT_TYPE:4", 0, "ERROR: '4' is not a valid bool/enum value\n"},
        {"OTP_BATT_TYPE:no_vbat", 0, "ERROR: no value for symbol 'no_vbat'\n"},
        // symbols that share a prefix
        {"OTP_BATT_TYPE:VBAT_GT_1p8V", 0x08000000},
        {"OTP_BATT_TYPE:VBAT", 0, "ERROR: no value for symbol 'VBAT'\n"},
        {"OTP_BROWNOUT_THR:8", 0, "ERROR: '8' is too big to fit in 3 bits\n"},
        {"SWD_DISABLE:100000001", 0, "ERROR: '100000001' is too big to fit in 1 bits\n"},
        {"OTP_BROWNOUT_THR:", 0, "ERROR: invalid hex value: ''\n"},
        {"OTP_BROWNOUT_THR:0x", 0, "ERROR: invalid hex value: '0x'\n"},
        {"OTP_BROWNOUT_THR:-1", 0, "ERROR: invalid hex value: '-1'\n"},
        {"OTP_BROWNOUT_THR: 1", 0, "ERROR: invalid hex value: ' 1'\n"},
        {"OTP_BROWNOUT_THR:1g", 0, "ERROR: invalid hex value: '1g'\n"},
        {"SWD_DISABLE:1:1", 0, "ERROR: invalid hex value: '1:1'\n"},
    };
    // clang-format on
    for (const auto &c : cases) {
        uint32_t bits = 0;
        // The status of the error, -1 when there is none, and its text.
        int status = -1;
        std::string text;
        try {
            bits = hw_bits_to_blow(c.arg);
        } catch (const error &e) {
            status = e.status;
            text = e.text;
        }
        if (!c.reason) {
            EXPECT_EQ(status, -1) << c.arg;
            EXPECT_EQ(text, "") << c.arg;
            EXPECT_EQ(bits, c.bits) << c.arg;
            continue;
        }
        std::string err = c.reason, arg = c.arg;
        size_t colon = arg.find(':');
        if (err.starts_with("ERROR: "))
            err += "ERROR: invalid sym value for HW cfg " + arg.substr(0, colon) + ": '" +
                   arg.substr(colon + 1) + "'\n";
        EXPECT_EQ(status, EXIT_USAGE) << c.arg;
        EXPECT_EQ(text, err + "ERROR: invalid -w argument '" + arg + "'\n");
    }
}

// The field table checks itself at start-up: rows that overlap, and help
// examples of the wrong kind or naming no field, are the tool's own faults.
TEST(HwTable, SelfCheckNamesTheFault)
{
    auto fault = [](std::span<const hw_cfg_field> tab, std::span<const hw_cfg_example> examples) {
        try {
            check_hw_cfg_tab(tab, examples);
        } catch (const error &e) {
            return std::to_string(e.status) + " " + e.text;
        }
        return std::string("sound");
    };
    const hw_cfg_example wrong_kinds[][1] = {{{HW_CFG_BOOLEAN, "OTP_BATT_TYPE"}},
                                             {{HW_CFG_ENUM, "SWD_DISABLE"}},
                                             {{HW_CFG_GENERAL, "OTP_BATT_TYPE"}},
                                             {{HW_CFG_BOOLEAN, "NOPE"}}};
    const char *texts[] = {"3 INTERNAL ERROR: bad bool example 'OTP_BATT_TYPE'\n",
                           "3 INTERNAL ERROR: bad enum example 'SWD_DISABLE'\n",
                           "3 INTERNAL ERROR: bad example 'OTP_BATT_TYPE'\n",
                           "3 INTERNAL ERROR: invalid HW cfg example 'NOPE'\n"};
    for (size_t i = 0; i < std::size(texts); i++)
        EXPECT_EQ(fault(hw_cfg_tab, wrong_kinds[i]), texts[i]);
    EXPECT_EQ(fault(hw_cfg_tab, hw_cfg_examples), "sound");
    // Bits 9-11 and a field from bit 11 on.
    const hw_cfg_field &thr = hw_cfg_tab[find_hw_cfg_by_name("OTP_BROWNOUT_THR")];
    hw_cfg_field overlap[2] = {thr, thr};
    overlap[1].shift = overlap[0].shift + overlap[0].width - 1;
    overlap[1].mask = ((1u << overlap[1].width) - 1) << overlap[1].shift;
    EXPECT_EQ(fault(overlap, {}), "3 INTERNAL ERROR: prev sh/w = 9+3 = 12 > 11\n"
                                  "INTERNAL ERROR: row 1 of hw_cfg_tab\n");
}
