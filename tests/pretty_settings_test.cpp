// Settings decoders called directly: boundary values and record lengths the
// dispatcher never lets through.
#include "decoder_harness.h"
#include "dump/settings.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace imgforge;
using bytes = std::vector<uint8_t>;

namespace {

// Little-endian words (i << 28 | i) for i = 1..count: every field differs.
bytes distinct_words(uint32_t count)
{
    std::vector<uint32_t> w;
    for (uint32_t i = 1; i <= count; i++)
        w.push_back(i << 28 | i);
    return words(w);
}

TEST(SettingsDecoders, BoundaryValues)
{
    struct {
        content_decoder decoder;
        bytes data;
        std::string out;
        uint8_t tag = 0;
        // clang-format off
    } cases[] = {
        {pretty_MAX_SLEEP_DUR_content, le32(uint32_t(-3)), "-3 (-937.500000us)"},
        {pretty_MAX_SLEEP_DUR_content, le32(0x7FFFFFFF), "2147483647 (671088639687.500000us)"},
        {pretty_OSC_WAKEUP_TIME_content, {0xFF, 0xFF}, "65535us"},
        {pretty_ACTIVITY_MOVE_CONFIG_content, {0x80}, "enabled"},
        {pretty_PROG_DELAY_content, {255}, "255 half slots (79687us)"},
        {pretty_FLASH_POWERUP_DELAY_content, {33}, "33 (1007.08us @ 32.768kHz)"},
        {pretty_FLASH_POWERUP_DELAY_content, {0xFF, 0xFF}, "65535 (1999969.48us @ 32.768kHz)"},
        {pretty_CUST_CFG_content, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x7F}, "PSEQ_XTAL_BITS0=0,PMU_TOP_PMU2=0,PWR_STEP_SIZE=0,external_pa_gain=0x7f"},
        {pretty_SCAN_SETTING_content, {1, 0, 2, 0, 3, 0}, "wurx_scan_times=0x1,wurx_sleep_duration=0x2,wurx_long_duration=0x3", 0xA5},
    };
    // clang-format on
    for (const auto &c : cases) {
        harness::decoded d = harness::run_decoder(c.decoder, c.data, {.tag = c.tag});
        EXPECT_EQ(d.out, c.out) << "length " << c.data.size();
        EXPECT_EQ(d.err, "");
    }
    std::string names;
    for (uint8_t v = 0; v <= 6; v++)
        names += harness::run_decoder(pretty_SLEEP_ENABLE_content, {v}).out + ";";
    EXPECT_EQ(names,
              "NONE;DEEP;RETAIN;RETAIN_DROP;HIBERNATE;SOC_OFF;unknown sleep_enable value '6';");
}

// Longer records are read only up to the size of their structure; in records
// of words each field shows its own word.
TEST(SettingsDecoders, StructuresReadAtMostTheirSize)
{
    struct {
        content_decoder decoder;
        uint8_t tag;
        uint32_t size;
        bool all_words;
    } structures[] = {
        {pretty_DIAG_BLE_HW_content, 0x31, 4, false},
        {pretty_MOUSE_NTF_CFG_content, 0x3A, 6, false},
        {pretty_SCAN_SETTING_content, 0xA4, 6, false},
        {pretty_BLE_RADIO_OVR_content, 0xB2, 48, true},
        {pretty_PMU_WURX_content, 0xB4, 32, true},
        {pretty_CUST_CFG_content, 0xBD, 10, false},
    };
    for (const auto &s : structures) {
        bytes exact = distinct_words(s.size / 4 + 1);
        exact.resize(s.size);
        std::string out = harness::run_decoder(s.decoder, exact, {.tag = s.tag}).out;
        exact.insert(exact.end(), 8, 0xAA);
        harness::decoded longer = harness::run_decoder(s.decoder, exact, {.tag = s.tag});
        EXPECT_EQ(longer.out, out) << "tag " << int(s.tag);
        EXPECT_EQ(longer.extent, s.size) << "tag " << int(s.tag);
        std::string values, expected;
        char word[16];
        for (uint32_t i = 1; s.all_words && i <= s.size / 4; i++)
            expected += std::string(word, std::snprintf(word, sizeof word, "%#x ", i << 28 | i));
        for (size_t at = out.find('='); s.all_words && at != std::string::npos;
             at = out.find('=', at + 1))
            values += out.substr(at + 1, out.find(',', at) - at - 1) + " ";
        EXPECT_EQ(values, expected) << out;
    }
}

} // namespace
